#include "image/TextureImageRect.h"

#include <GL/glu.h>

#include <cstdio>

void reportOpenGLError(const char* file, int line) {
    const GLenum error = glGetError();
    if (error != GL_NO_ERROR) {
        std::printf("OpenGL Error: %s (File: %s, line %d)\n",
                    reinterpret_cast<const char*>(gluErrorString(error)), file, line);
        std::fflush(stdout);
    }
}

namespace {

// The pixel layout OpenGL is told for each kind of picture; the internal
// format is the same as the pixel format, the type always float.
template <typename T>
constexpr GLenum pixelFormat();
template <>
constexpr GLenum pixelFormat<float>() {
    return GL_LUMINANCE;
}
template <>
constexpr GLenum pixelFormat<vec3>() {
    return GL_RGB;
}
template <>
constexpr GLenum pixelFormat<vec4>() {
    return GL_RGBA;
}

}  // namespace

template <typename T>
TextureImageRect<T>::~TextureImageRect() {
    if (texture != 0) {
        glDeleteTextures(1, &texture);
    }
}

namespace {

// Creates the texture name when there is none, and loads pixels into it.
void uploadTexture(GLuint& texture, GLenum target, int width, int height, GLenum format, GLenum type,
                   const void* pixels) {
    // Errors left behind by earlier drawing are reported apart from the
    // upload's own.
    reportOpenGLError(__FILE__, __LINE__);
    if (texture == 0) {
        glGenTextures(1, &texture);
    }
    glBindTexture(target, texture);
    glTexParameteri(target, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(target, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    // The plain clamp mode (0x2900), not GL_CLAMP_TO_EDGE: where a scaled
    // picture's edge is filtered it blends toward the border colour, as the
    // painter has always shown it.
    glTexParameteri(target, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(target, GL_TEXTURE_WRAP_T, GL_CLAMP);
    // Rows of floats and of 8-bit RGBA are always a multiple of four bytes,
    // which is OpenGL's default unpack alignment, so no alignment is set here.
    glTexImage2D(target, 0, static_cast<GLint>(format), width, height, 0, format, type, pixels);
    // Global state: from here on textured quads show their texture's colours
    // unmodulated by the current colour.
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glBindTexture(target, 0);
    reportOpenGLError(__FILE__, __LINE__);
}

}  // namespace

template <typename T>
void TextureImageRect<T>::upload() {
    uploadTexture(texture, target, this->width, this->height, pixelFormat<T>(), GL_FLOAT, this->pixels);
}

template <typename T>
void TextureImageRect<T>::draw(int x, int y) const {
    if (texture == 0) {
        return;
    }
    glEnable(target);
    glBindTexture(target, texture);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2i(x, y);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2i(x + this->width, y);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2i(x + this->width, y + this->height);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2i(x, y + this->height);
    glEnd();
    glBindTexture(target, 0);
    glDisable(target);
}

template class TextureImageRect<float>;
template class TextureImageRect<vec3>;
template class TextureImageRect<vec4>;

CanvasTexture::~CanvasTexture() {
    if (texture != 0) {
        glDeleteTextures(1, &texture);
    }
}

void CanvasTexture::upload() {
    if (deep()) {
        uploadTexture(texture, target, width, height, GL_RGBA, GL_FLOAT, deepPixelsData());
    } else {
        uploadTexture(texture, target, width, height, GL_RGBA, GL_UNSIGNED_BYTE, narrowPixels());
    }
}
