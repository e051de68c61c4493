#pragma once

#include <GL/gl.h>

#include "image/CanvasPicture.h"
#include "image/ImageRect.h"

// Looks at OpenGL's error flag once and, when an error is pending, prints
// "OpenGL Error: TEXT (File: FILE, line LINE)" on the standard output and
// carries on. Drawing code calls it with its own __FILE__ and __LINE__, so
// the line points at the check that saw the error.
void reportOpenGLError(const char* file, int line);

// A picture in main memory that also owns an OpenGL texture made from its
// pixels, so the desktop can draw it. The texture is created by the first
// upload, refreshed by every later one and deleted with the object; all of
// it needs the window's OpenGL context to be current.
//
// Instantiated for float (grey levels), vec3 and vec4.
template <typename T>
class TextureImageRect : public ImageRect<T> {
public:
    TextureImageRect() = default;
    // A texture name belongs to one object only.
    TextureImageRect(const TextureImageRect&) = delete;
    TextureImageRect& operator=(const TextureImageRect&) = delete;

    virtual ~TextureImageRect();

    // Loads the current pixels into the texture, creating its name first
    // when there is none yet. The texture always has the picture's size.
    void upload();

    // Draws the texture at its own pixel size with its lower-left corner at
    // (x, y) of the window's pixel projection; nothing before an upload.
    void draw(int x, int y) const;

    GLuint texture = 0;
    GLenum target = GL_TEXTURE_2D;
};

// The canvas picture with its texture: 8-bit samples go to OpenGL as they
// are, deeper pictures as floats.
class CanvasTexture : public CanvasPicture {
public:
    CanvasTexture() = default;
    CanvasTexture(const CanvasTexture&) = delete;
    CanvasTexture& operator=(const CanvasTexture&) = delete;
    CanvasTexture& operator=(CanvasPicture&& picture) {
        CanvasPicture::operator=(std::move(picture));
        return *this;
    }
    ~CanvasTexture() override;

    // As TextureImageRect::upload.
    void upload();

    GLuint texture = 0;
    GLenum target = GL_TEXTURE_2D;
};
