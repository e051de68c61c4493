#include "tools/FrameComposer.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "app/ShellPictures.h"

namespace {

constexpr int largestDefaultWidth = 1920;
constexpr int largestDefaultHeight = 1080;
const vec4 bar{0.0f, 0.0f, 0.0f, 1.0f};
const vec4 blankCanvas{1.0f, 1.0f, 1.0f, 1.0f};

// a · b / c rounded to the nearest whole number, at least 1.
int scaledSide(long long a, long long b, long long c) {
    return static_cast<int>(std::max(1LL, (2 * a * b + c) / (2 * c)));
}

}  // namespace

FramePlacement placeCanvas(int canvasWidth, int canvasHeight, int frameWidth, int frameHeight) {
    if (canvasWidth <= 0 || canvasHeight <= 0 || frameWidth <= 0 || frameHeight <= 0) {
        return FramePlacement{};
    }
    const long long w = canvasWidth;
    const long long h = canvasHeight;
    // Within a pixel of the frame's aspect (a side rounded to even, say),
    // it fills the frame.
    if (std::abs(h * frameWidth - w * frameHeight) <= std::max(w, h)) {
        return FramePlacement{0, 0, frameWidth, frameHeight};
    }
    FramePlacement place;
    // Relatively wider than the frame: it fills the frame's width.
    if (w * frameHeight >= h * frameWidth) {
        place.width = frameWidth;
        place.height = std::min(frameHeight, scaledSide(canvasHeight, frameWidth, canvasWidth));
    } else {
        place.height = frameHeight;
        place.width = std::min(frameWidth, scaledSide(canvasWidth, frameHeight, canvasHeight));
    }
    place.x0 = (frameWidth - place.width) / 2;
    place.y0 = (frameHeight - place.height) / 2;
    return place;
}

void defaultFrameSize(int canvasWidth, int canvasHeight, bool evenSides, int& width, int& height) {
    width = std::max(canvasWidth, 1);
    height = std::max(canvasHeight, 1);
    if (width > largestDefaultWidth || height > largestDefaultHeight) {
        const FramePlacement fitted = placeCanvas(width, height, largestDefaultWidth, largestDefaultHeight);
        width = fitted.width;
        height = fitted.height;
    }
    if (evenSides) {
        width = std::max(2, width & ~1);
        height = std::max(2, height & ~1);
    }
}

FrameComposer::FrameComposer(int width, int height) {
    const std::vector<vec4> black(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), bar);
    frame.setPixels(width, height, black.data());
}

std::vector<FrameComposer::Span> FrameComposer::spansFor(int cells, int pixels) {
    std::vector<Span> spans(static_cast<std::size_t>(std::max(pixels, 0)));
    const long long n = cells;
    const long long p = pixels;
    for (long long u = 0; u < p; ++u) {
        if (n >= p) {
            // Every cell whose left (lower) edge lies under the pixel.
            spans[u] = Span{static_cast<int>(u * n / p), static_cast<int>((u + 1) * n / p)};
        } else {
            // The one cell under the pixel's centre.
            const int cell = static_cast<int>((2 * u + 1) * n / (2 * p));
            spans[u] = Span{cell, cell + 1};
        }
    }
    return spans;
}

CellRect FrameComposer::update(Shell& shell, int canvasVersion) {
    WatercolorSimulation& simulation = *shell.simulation;
    const CellRect changed = simulation.depositionChangedForFrames;
    simulation.depositionChangedForFrames = CellRect{};
    const int width = shell.state.window.canvasWidth;
    const int height = shell.state.window.canvasHeight;
    if (!composed || width != canvasWidth || height != canvasHeight || canvasVersion != version) {
        composed = true;
        canvasWidth = width;
        canvasHeight = height;
        version = canvasVersion;
        place = placeCanvas(width, height, frame.width, frame.height);
        columns = spansFor(width, place.width);
        rows = spansFor(height, place.height);
        std::fill(frame.pixels, frame.pixels + static_cast<std::size_t>(frame.width) * frame.height, bar);
        composeRegion(shell, CellRect{place.x0, place.y0, place.x0 + place.width, place.y0 + place.height});
        return CellRect::whole(frame.width, frame.height);
    }
    const int x0 = std::max(changed.x0, 0);
    const int y0 = std::max(changed.y0, 0);
    const int x1 = std::min(changed.x1, width);
    const int y1 = std::min(changed.y1, height);
    if (x1 <= x0 || y1 <= y0 || place.width == 0) {
        return CellRect{};
    }
    // The pixels whose spans meet the change: spans only move forwards, so
    // the first one ending after it starts and the first starting at its end.
    const auto first = [](const std::vector<Span>& spans, int cell) {
        return static_cast<int>(
            std::upper_bound(spans.begin(), spans.end(), cell, [](int c, const Span& s) { return c < s.end; }) -
            spans.begin());
    };
    const auto past = [](const std::vector<Span>& spans, int cell) {
        return static_cast<int>(
            std::lower_bound(spans.begin(), spans.end(), cell, [](const Span& s, int c) { return s.start < c; }) -
            spans.begin());
    };
    const CellRect region{place.x0 + first(columns, x0), place.y0 + first(rows, y0), place.x0 + past(columns, x1),
                          place.y0 + past(rows, y1)};
    composeRegion(shell, region);
    return region;
}

void FrameComposer::composeRegion(Shell& shell, const CellRect& region) {
    const Grid<vec4>& deposition = shell.simulation->deposition;
    const CanvasPicture& canvas = *shell.images.canvasImage;
    const std::size_t cells = static_cast<std::size_t>(canvasWidth) * static_cast<std::size_t>(canvasHeight);
    // A grid or picture of another size (the shell never leaves one) reads
    // as no paint on blank paper rather than past its end.
    const bool sized = deposition.size() >= cells && canvas.pixelCount() == cells && canvas.width == canvasWidth &&
                       canvas.height == canvasHeight;
    const auto pixelAt = [&](std::size_t k) {
        return sized ? composedPixel(deposition[k], canvas.pixel(k))
                     : composedPixel(k < deposition.size() ? deposition[k] : vec4{}, blankCanvas);
    };
    for (int fy = region.y0; fy < region.y1; ++fy) {
        const Span rowSpan = rows[fy - place.y0];
        vec4* out = frame.pixels + static_cast<std::size_t>(fy) * frame.width;
        // A frame larger than the canvas repeats rows and pixels.
        if (fy > region.y0 && rows[fy - 1 - place.y0].start == rowSpan.start &&
            rows[fy - 1 - place.y0].end == rowSpan.end) {
            std::copy(out - frame.width + region.x0, out - frame.width + region.x1, out + region.x0);
            continue;
        }
        if (rowSpan.end - rowSpan.start == 1 && canvasWidth <= place.width) {
            // One cell per pixel: the canvas at its own size or larger.
            const std::size_t row = static_cast<std::size_t>(rowSpan.start) * canvasWidth;
            for (int fx = region.x0; fx < region.x1; ++fx) {
                out[fx] = pixelAt(row + columns[fx - place.x0].start);
            }
            continue;
        }
        for (int fx = region.x0; fx < region.x1; ++fx) {
            const Span columnSpan = columns[fx - place.x0];
            vec4 sum{};
            for (int y = rowSpan.start; y < rowSpan.end; ++y) {
                for (int x = columnSpan.start; x < columnSpan.end; ++x) {
                    const vec4 p = pixelAt(static_cast<std::size_t>(y) * canvasWidth + x);
                    sum = vec4{sum.x + p.x, sum.y + p.y, sum.z + p.z, sum.w + p.w};
                }
            }
            const float n = static_cast<float>((rowSpan.end - rowSpan.start) * (columnSpan.end - columnSpan.start));
            out[fx] = vec4{sum.x / n, sum.y / n, sum.z / n, sum.w / n};
        }
    }
}
