#pragma once

#include <vector>

#include "app/Shell.h"
#include "image/ImageRect.h"
#include "sim/CellRect.h"

// Where the canvas sits in a frame: frame pixels x0 .. x0 + width − 1 by
// y0 .. y0 + height − 1, row 0 at the bottom as pictures are held.
struct FramePlacement {
    int x0 = 0;
    int y0 = 0;
    int width = 0;
    int height = 0;
};

// The canvas scaled to fit a frame, its aspect kept and centred; a canvas
// within a pixel of the frame's aspect fills it rather than leave a bar of a
// pixel.
FramePlacement placeCanvas(int canvasWidth, int canvasHeight, int frameWidth, int frameHeight);

// The frame size when none is asked for: the canvas's own, shrunk to fit
// 1920 × 1080 (its aspect kept) when larger, and rounded down to even
// numbers when evenSides (a video's pictures have even sides).
void defaultFrameSize(int canvasWidth, int canvasHeight, bool evenSides, int& width, int& height);

// The picture Image Save would write, scaled into a frame and kept up to
// date: an update recomposes only the frame pixels over the part of the
// deposition that changed since the last one, so a frame of a large canvas
// costs what its brush strokes cost. At one frame pixel per canvas pixel
// the frame holds exactly the values Image Save composes; smaller, each
// pixel is the mean of the canvas pixels it covers; larger, it repeats the
// canvas pixel under its centre. Outside the placement the frame is black.
class FrameComposer {
public:
    FrameComposer(int width, int height);

    // Brings the frame up to date and returns the part of it that changed.
    // canvasVersion changes whenever the canvas picture may have: then, and
    // when the canvas size changes, the whole frame is composed again.
    CellRect update(Shell& shell, int canvasVersion);

    const ImageRect<vec4>& picture() const { return frame; }
    const FramePlacement& placement() const { return place; }

private:
    // The canvas cells behind each placement column (row): [start, end).
    struct Span {
        int start;
        int end;
    };
    static std::vector<Span> spansFor(int cells, int pixels);
    void composeRegion(Shell& shell, const CellRect& region);

    ImageRect<vec4> frame;
    FramePlacement place;
    std::vector<Span> columns;
    std::vector<Span> rows;
    int canvasWidth = -1;
    int canvasHeight = -1;
    int version = 0;
    bool composed = false;
};
