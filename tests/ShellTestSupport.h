#pragma once

// What the shell's tests share: a shell on the headless window system, a
// small real simulation, and a scratch working directory in which the image search finds only what a test puts
// there.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/HeadlessWindowSystem.h"
#include "app/Shell.h"
#include "image/ImageIO.h"

// A shell with plain pictures on the headless window system.
struct TestShell {
    TestShell() { windows.shell = &shell; }

    // The simulation on a blank canvas of the given size, as the Init
    // command leaves it (particles parked, a fixed seed), without pictures.
    WatercolorSimulation& useSimulation(int width = 16, int height = 12) {
        shell.state.window.canvasWidth = width;
        shell.state.window.canvasHeight = height;
        shell.state.initSeed = [] { return 7u; };
        shell.simulation = std::make_unique<WatercolorSimulation>(shell.state);
        WatercolorSimulation& sim = *shell.simulation;
        buildSizeMassTable(sim);
        sim.particleCount = shell.state.panel.waterAmount;
        sim.particleMass = shell.state.panel.sizeCacheMass;
        sim.init();
        sim.parkParticles();
        const std::vector<float> flatPaper(static_cast<std::size_t>(width) * height, 1.0f);
        sim.setSurface(flatPaper.data());
        return sim;
    }

    HeadlessWindowSystem windows;
    HeadlessImages images;
    Shell shell{windows, images.view()};
};

// Starts the painter with a fixed init seed; returns its console output.
inline std::string startQuietly(TestShell& t, std::uint32_t seed) {
    t.shell.state.initSeed = [seed] { return seed; };
    testing::internal::CaptureStdout();
    initialize(t.shell);
    return testing::internal::GetCapturedStdout();
}

// Runs a test in a fresh directory three levels below a private temporary
// one, so the image search ("..", "../..", "../../..", "images", ...) sees
// only files the test writes. Restores the previous directory afterwards.
// The image library is started, as the painter does before any load.
class ScratchDirectory {
public:
    ScratchDirectory() {
        ImageIO::init();
        char pattern[] = "/tmp/seep-shell-XXXXXX";
        root_ = mkdtemp(pattern);
        work_ = root_ / "a" / "b" / "c";
        std::filesystem::create_directories(work_ / "images");
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(work_);
    }
    ~ScratchDirectory() {
        std::filesystem::current_path(previous_);
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    std::string path(const std::string& name) const { return (work_ / name).string(); }

private:
    std::filesystem::path root_;
    std::filesystem::path work_;
    std::filesystem::path previous_;
};

// Writes a picture of one colour.
inline bool writePicture(const std::string& path, int width, int height, vec4 color) {
    ImageIO::init();
    ImageRect<vec4> picture;
    const std::vector<vec4> pixels(static_cast<std::size_t>(width) * height, color);
    picture.setPixels(width, height, pixels.data());
    return ImageIO::save(path, picture);
}

// A plain picture of the given size, for the tool buttons' hit areas.
inline void giveSize(ImageRect<vec3>& picture, int width, int height) {
    const std::vector<vec3> pixels(static_cast<std::size_t>(width) * height);
    picture.setPixels(width, height, pixels.data());
}
