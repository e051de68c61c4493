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

// Reads name once as the canvas picture and its grey levels (the surface
// picture). A picture the simulation's grids would not fit in memory beside
// is refused, as is one that cannot be read; both pictures then stay as
// they were.
bool loadCanvasPicture(Shell& shell, const std::string& name);

// Uploads the canvas picture and records that it now has a texture.
void uploadCanvas(Shell& shell);

// Replaces the canvas picture by a blank white one of the given size.
void useBlankCanvas(Shell& shell, int width, int height);

// Uploads the surface picture and hands it to the simulation. Without a
// loaded picture (fromPicture false), or when it does not match the canvas
// size, the paper is left smooth (blank white) rather than letting the
// simulation read a picture of another size.
void setUpSurface(Shell& shell, bool fromPicture);

// Writes the deposition composed over the canvas picture, pixel by pixel:
// rgb = (1 − d.w)·c.rgb + d.w·d.rgb, alpha = c.w + d.w·(1 − c.w). The rows
// are composed as the file takes them.
// With inside, name is written only within that folder (util/SaveFolder.h).
bool saveResult(Shell& shell, const std::string& name, const SaveFolder* inside = nullptr);

// The composed colours of row y (row 0 at the bottom), canvasWidth of them.
void composeResultRow(Shell& shell, int y, vec4* out);

// The whole composition as one picture (the time-lapse's tests compare
// with it).
ImageRect<vec4> composeResult(Shell& shell);

// One pixel of that composition, deposition d over canvas c. Single
// precision, in the order written, so every caller gets the same bits.
inline vec4 composedPixel(const vec4& d, const vec4& c) {
    const float keep = 1.0f - d.w;
    return vec4{keep * c.x + d.w * d.x, keep * c.y + d.w * d.y, keep * c.z + d.w * d.z, c.w + d.w * (1.0f - c.w)};
}
