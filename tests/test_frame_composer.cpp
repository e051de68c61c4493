#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/SessionPlayer.h"
#include "app/ShellPictures.h"
#include "tools/FrameComposer.h"
#include "tools/ParticleOverlay.h"

namespace {

bool samePixels(const ImageRect<vec4>& a, const ImageRect<vec4>& b) {
    return a.width == b.width && a.height == b.height &&
           std::memcmp(a.pixels, b.pixels, sizeof(vec4) * static_cast<std::size_t>(a.width) * a.height) == 0;
}

bool inside(const std::vector<CellRect>& regions, int x, int y) {
    for (const CellRect& r : regions) {
        if (x >= r.x0 && x < r.x1 && y >= r.y0 && y < r.y1) {
            return true;
        }
    }
    return false;
}

// A brush stroke in animation, an undo, and a much smaller canvas opened.
const char* const strokeSession = R"({"version": 1, "events": [
    {"do": "set", "control": "mouseOperation", "value": 3},
    {"do": "set", "control": "absorptivity", "value": 0.02},
    {"do": "mouse", "button": "left", "state": "down", "x": 120, "y": 260},
    {"do": "motion", "x": 180, "y": 240}, {"do": "idle", "count": 3},
    {"do": "motion", "x": 260, "y": 250}, {"do": "idle", "count": 3},
    {"do": "mouse", "button": "left", "state": "up", "x": 260, "y": 250},
    {"do": "idle", "count": 6},
    {"do": "button", "name": "Undo"}, {"do": "idle"},
    {"do": "button", "name": "Image Open", "file": "color-chooser.bmp"}, {"do": "idle"}]})";

}  // namespace

TEST(FrameComposer, SizesAndPlacesTheCanvasAsWorkedOutByHand) {
    const struct {
        int canvasWidth, canvasHeight;
        bool even;
        int width, height;
    } sizes[] = {{512, 512, true, 512, 512},   {4096, 4096, true, 1080, 1080}, {3000, 1000, false, 1920, 640},
                 {1000, 563, false, 1000, 563}, {1000, 563, true, 1000, 562},  {511, 3, true, 510, 2},
                 {1, 1, true, 2, 2}};
    for (const auto& s : sizes) {
        int width = 0;
        int height = 0;
        defaultFrameSize(s.canvasWidth, s.canvasHeight, s.even, width, height);
        EXPECT_EQ(width, s.width) << s.canvasWidth << "x" << s.canvasHeight;
        EXPECT_EQ(height, s.height) << s.canvasWidth << "x" << s.canvasHeight;
    }
    const struct {
        int canvasWidth, canvasHeight, frameWidth, frameHeight;
        FramePlacement place;
    } placements[] = {
        {512, 512, 1280, 720, {280, 0, 720, 720}},
        {4096, 2048, 1280, 720, {0, 40, 1280, 640}},
        {512, 512, 512, 512, {0, 0, 512, 512}},
        // A gap of one pixel is stretched over, not left as a bar.
        {1000, 563, 1000, 562, {0, 0, 1000, 562}},
        {0, 512, 64, 64, {0, 0, 0, 0}},
    };
    for (const auto& p : placements) {
        const FramePlacement got = placeCanvas(p.canvasWidth, p.canvasHeight, p.frameWidth, p.frameHeight);
        EXPECT_EQ(got.x0, p.place.x0);
        EXPECT_EQ(got.y0, p.place.y0);
        EXPECT_EQ(got.width, p.place.width);
        EXPECT_EQ(got.height, p.place.height);
    }
}

// A frame kept up to date from the changed parts alone must be the frame
// composed afresh, bit for bit, at one frame pixel per canvas pixel (where it
// is the very picture Image Save composes), smaller and larger; particles
// drawn over it change only the regions reported, and leave nothing behind.
TEST(FrameComposer, KeptUpToDateItIsTheFrameComposedAfreshAtEveryScale) {
    Session session;
    std::string error;
    ASSERT_TRUE(parseSession(strokeSession, session, error)) << error;
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    ASSERT_EQ(chdir(SEEP_SOURCE_DIR), 0);
    HeadlessPainter painter;
    SessionPlayer player(painter, session);
    player.start();
    WatercolorSimulation& simulation = *painter.shell.simulation;
    std::vector<FrameComposer> kept{FrameComposer(512, 512), FrameComposer(200, 120), FrameComposer(700, 900)};
    ParticleOverlay particles;
    int particlesSeen = 0;
    for (const SessionEvent& event : session.events) {
        player.play(event);
        const CellRect pending = simulation.depositionChangedForFrames;
        for (FrameComposer& composer : kept) {
            simulation.depositionChangedForFrames = pending;
            const CellRect changed = composer.update(painter.shell, painter.windowSystem.canvasUploads);
            FrameComposer fresh(composer.picture().width, composer.picture().height);
            fresh.update(painter.shell, painter.windowSystem.canvasUploads);
            EXPECT_TRUE(samePixels(composer.picture(), fresh.picture())) << composer.picture().width;
            if (&composer != &kept.front()) {
                continue;
            }
            if (painter.shell.state.window.canvasWidth == 512) {
                EXPECT_TRUE(samePixels(composer.picture(), composeResult(painter.shell)));
            }
            std::vector<CellRect> dirty;
            particles.update(composer.picture(), changed, composer.placement(), simulation, dirty);
            const ImageRect<vec4>& over = particles.picture();
            for (int y = 0; y < over.height; ++y) {
                for (int x = 0; x < over.width; ++x) {
                    const std::size_t k = static_cast<std::size_t>(y) * over.width + x;
                    if (std::memcmp(&over.pixels[k], &composer.picture().pixels[k], sizeof(vec4)) != 0) {
                        ++particlesSeen;
                        ASSERT_TRUE(inside(dirty, x, y)) << x << "," << y;
                    }
                }
            }
        }
    }
    std::vector<CellRect> dirty;
    particles.clear(kept.front().picture(), CellRect{}, dirty);
    EXPECT_TRUE(samePixels(particles.picture(), kept.front().picture()));
    EXPECT_GT(particlesSeen, 10);
    ASSERT_EQ(chdir(here), 0);
}
