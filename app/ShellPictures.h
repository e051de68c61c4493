#pragma once

#include <string>

#include "app/Shell.h"
#include "image/ImageRect.h"

// The shell's pictures: loading and uploading them, the built-in canvas used
// when no start picture is found, and the result as Image Save writes it.

// Loads name into target only when the whole load succeeds, so a failed or
// partial load never leaves the picture out of step with the sizes the shell
// keeps for it.
template <typename T>
bool loadPicture(const std::string& name, ImageRect<T>& target);

// Loads a tool-button picture and uploads it. A picture that fails to load
// keeps what it had (and its texture); the loader has reported the failure.
void loadButtonPicture(Shell& shell, ShellImage which, const std::string& name);

// Uploads the canvas picture and records that it now has a texture.
void uploadCanvas(Shell& shell);

// Replaces the canvas picture by a blank white one of the given size.
void useBlankCanvas(Shell& shell, int width, int height);

// Loads the grey levels of name as the surface, uploads them and hands them to
// the simulation. If they cannot be loaded, or do not match the canvas size
// (the file changed since the canvas was read), the paper is left smooth
// (blank white) rather than letting the simulation read a picture of another
// size. An empty name gives the smooth paper without a load.
void loadSurface(Shell& shell, const std::string& name);

// One deposition cell d composed over canvas pixel c:
// rgb = (1 − d.w)·c.rgb + d.w·d.rgb, alpha = c.w + d.w·(1 − c.w), in single
// precision in the order written.
inline vec4 composedPixel(vec4 d, vec4 c) {
    const float keep = 1.0f - d.w;
    return vec4{keep * c.x + d.w * d.x, keep * c.y + d.w * d.y, keep * c.z + d.w * d.z, c.w + d.w * (1.0f - c.w)};
}

// The deposition composed over the canvas picture, pixel by pixel.
ImageRect<vec4> composeResult(Shell& shell);
