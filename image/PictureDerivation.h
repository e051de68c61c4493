#pragma once

#include "image/CanvasPicture.h"
#include "image/ExifOrientation.h"
#include "image/ImageRect.h"
#include "image/LibraryPixels.h"

// Decoded pixels turned upright and converted, in one pass, to what the
// painter keeps of a picture: colours as the image library converts them to
// floats (the canvas keeps 8-bit samples where the file has no more) and
// grey levels as the library converts them. Every output is sized to the
// upright picture.

void deriveCanvas(const PixelsView& pixels, int orientation, CanvasPicture& colours, ImageRect<float>& grey);

void derivePicture(const PixelsView& pixels, int orientation, ImageRect<float>& grey);
void derivePicture(const PixelsView& pixels, int orientation, ImageRect<vec3>& colours);
void derivePicture(const PixelsView& pixels, int orientation, ImageRect<vec4>& colours);
