#pragma once

#include <string>

class SaveFolder;

#include "app/painting/PaintingState.h"

// Painting files: OpenRaster archives (a zip file) that other painting
// programs open as two layers, the paint over the canvas, and that Seep
// opens to go on exactly. Seep's own part lives in the folder "seep/" of
// the archive, which other programs leave alone.
//
//   mimetype                  "image/openraster", first and uncompressed
//   stack.xml                 the two layers, topmost first
//   data/paint.png            the deposition, 16-bit RGBA, alpha = coverage
//   data/canvas.png           the canvas picture, 8-bit RGBA
//   mergedimage.png           the painting as Image Save composes it
//   Thumbnails/thumbnail.png  the same, at most 256 × 256
//   seep/state                version, sizes, window, panel, editing state,
//                             random generator, particle count and mass
//   seep/particles            water, pigment, position, velocity
//   seep/grids                absorption grids, column scale, area mask
//   seep/deposition, seep/tiles
//                             the deposition and the undo history as tiles,
//                             each distinct tile stored once
//   seep/canvas, seep/surface the canvas picture's floats and the grey
//                             levels of the paper
//   seep/session.json         the session that made the painting

// The version of Seep's folder this program writes and reads.
constexpr unsigned paintingFormatVersion = 1;

// Writes the painting to path, through a temporary file renamed over it
// when complete. False with a reason otherwise; the old file is untouched.
// With inside, path is written only within that folder (util/SaveFolder.h).
bool writePaintingFile(const PaintingState& state, const std::string& path, std::string& error,
                       const SaveFolder* inside = nullptr);

// What an OpenRaster file holds for the painter.
struct PaintingFileContent {
    // Made by Seep: everything needed to go on exactly.
    bool seep = false;
    PaintingState state;
    // Made by another program: its flattened picture (a PNG file), which
    // becomes the canvas of a new painting.
    std::string flattenedPng;
};

// Reads a painting file. Anything wrong with it (not an archive, damaged,
// names that leave the archive, sizes that do not match, parts missing, a
// version this program does not know) is refused with a reason of one line,
// before anything of the painter is touched.
bool readPaintingFile(const std::string& path, PaintingFileContent& content, std::string& error);

// The same, for the bytes of a file, refusing canvases of more than
// cellLimit cells besides (the fuzz target reads this way, within its
// memory).
bool readPaintingBytes(const std::string& bytes, PaintingFileContent& content, std::string& error,
                       std::size_t cellLimit);
