#pragma once

#include <array>
#include <optional>
#include <string>

#include "app/Shell.h"
#include "app/WindowSystem.h"
#include "image/ImageRect.h"

// The window system of the headless player and the tests: nothing is drawn.
// Dialog and pixel answers are set beforehand by whoever drives the shell;
// requests are counted or remembered so they can be checked.
class HeadlessWindowSystem : public WindowSystem {
public:
    void postRedisplay() override;
    // A frame without drawing: only the shell's per-frame state update.
    void displayNow() override;
    void requestWindowSize(int width, int height) override;
    void upload(ShellImage image) override;
    bool readPixel(int x, int y, vec3& rgb) override;
    std::string openFileDialog() override;
    std::string saveFileDialog() override;
    bool chooseColorDialog(unsigned char rgb[3]) override;
    void quit() override;

    Shell* shell = nullptr;  // displayNow() runs updateFrameState(*shell)
    // What every open or save dialog returns until changed ("" = cancelled).
    std::string fileAnswer;
    // The chooser's answer; nullopt = cancelled.
    std::optional<std::array<unsigned char, 3>> colorAnswer;
    // What readPixel returns; nullopt = the pixel cannot be read.
    std::optional<vec3> pixelAnswer;
    int requestedWidth = 0;  // last requestWindowSize
    int requestedHeight = 0;
    bool quitRequested = false;
    int redisplayRequests = 0;
    int uploads = 0;
    // Uploads of the canvas picture: each one may be a new picture.
    int canvasUploads = 0;
    int framesDrawn = 0;      // displayNow calls
    int dialogsOpened = 0;    // file and colour dialogs
    // The colour the chooser was last opened with.
    std::array<unsigned char, 3> colorStart{};
    // The window position of the last readPixel.
    int pixelReadX = -1;
    int pixelReadY = -1;
};

// Plain pictures for a shell that has no textures.
struct HeadlessImages {
    CanvasPicture canvas;
    ImageRect<float> surface;
    ImageRect<vec3> colorButton;
    ImageRect<vec3> eyedropperButton;

    ShellImages view();
};
