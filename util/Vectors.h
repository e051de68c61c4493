#pragma once

// Plain value types shared by every layer: points and colours in single
// precision, laid out exactly as OpenGL and the image library exchange them.

struct vec2 {
    float x = 0.0f;
    float y = 0.0f;
};

struct vec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

struct vec4 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;
};

static_assert(sizeof(vec2) == 2 * sizeof(float));
static_assert(sizeof(vec3) == 3 * sizeof(float));
static_assert(sizeof(vec4) == 4 * sizeof(float));
