#pragma once

// What the shell's tests share: a shell on the headless window system, a
// simulation stand-in that records what the shell asks of it, and a scratch
// working directory in which the image search finds only what a test puts
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

// Records every operation by name. step() can play a script of active
// particle counts, one per step (the last value repeats), and remembers the
// emitting flag each step saw.
class RecordingSim : public AbstractFluidSim2D {
public:
    explicit RecordingSim(ShellState& state) : state(state) {}

    void setSurface(const float*) override { calls.push_back("setSurface"); }
    void init() override { calls.push_back("init"); }
    void initAbsorption() override { calls.push_back("initAbsorption"); }
    void initDeposition() override { calls.push_back("initDeposition"); }
    void undo() override { calls.push_back("undo"); }
    void pushHistory() override { calls.push_back("pushHistory"); }
    void clearHistory() override { calls.push_back("clearHistory"); }
    void initParticles() override { calls.push_back("initParticles"); }
    void parkParticles() override { calls.push_back("parkParticles"); }
    void respawn(int) override { calls.push_back("respawn"); }
    void seedParticles() override { calls.push_back("seedParticles"); }
    void updateColumnScale() override { calls.push_back("updateColumnScale"); }
    void updateAreaMask() override { calls.push_back("updateAreaMask"); }
    float depositionAt(int k) override { return deposition.at(static_cast<std::size_t>(k)); }
    void loadDeposition(const MyAlgebra::vec4*) override { calls.push_back("loadDeposition"); }
    void step(float) override {
        calls.push_back("step");
        emittingAtStep.push_back(state.panel.emitting);
        if (!activeScript.empty()) {
            const std::size_t i = std::min(emittingAtStep.size() - 1, activeScript.size() - 1);
            state.panel.activeParticles = activeScript[i];
        }
    }
    void draw() override {}
    void showSettings() override {}
    void hideSettings() override {}

    int count(const std::string& name) const {
        return static_cast<int>(std::count(calls.begin(), calls.end(), name));
    }

    ShellState& state;
    std::vector<std::string> calls;
    std::vector<float> deposition;
    std::vector<int> activeScript;
    std::vector<int> emittingAtStep;
};

// A shell with plain pictures on the headless window system.
struct TestShell {
    TestShell() { windows.shell = &shell; }

    // Puts a recording stand-in where initialize would put the simulation.
    RecordingSim& useRecordingSim() {
        auto sim = std::make_unique<RecordingSim>(shell.state);
        RecordingSim& ref = *sim;
        shell.simulation = std::move(sim);
        return ref;
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
inline bool writePicture(const std::string& path, int width, int height, MyAlgebra::vec4 color) {
    ImageIO::init();
    ImageRect<MyAlgebra::vec4> picture;
    const std::vector<MyAlgebra::vec4> pixels(static_cast<std::size_t>(width) * height, color);
    picture.setPixels(width, height, pixels.data());
    return ImageIO::save(path, picture);
}

// A plain picture of the given size, for the tool buttons' hit areas.
inline void giveSize(ImageRect<MyAlgebra::vec3>& picture, int width, int height) {
    const std::vector<MyAlgebra::vec3> pixels(static_cast<std::size_t>(width) * height);
    picture.setPixels(width, height, pixels.data());
}
