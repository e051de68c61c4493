#pragma once

#include "app/WindowSystem.h"

struct Desktop;

// The shell's window system on the desktop: GLUT windows, OpenGL textures
// and pixels, the desktop's dialogs. Dialog answers and eyedropper picks are
// noted in the session recording as they happen, so the callback that
// caused them records them with itself.
class GlutWindowSystem : public WindowSystem {
public:
    explicit GlutWindowSystem(Desktop& desktop) : desktop(desktop) {}

    void postRedisplay() override;
    void displayNow() override;
    void requestWindowSize(int width, int height) override;
    void upload(ShellImage image) override;
    bool readPixel(int x, int y, vec3& rgb) override;
    std::string openFileDialog() override;
    std::string saveFileDialog() override;
    bool chooseColorDialog(unsigned char rgb[3]) override;
    void quit() override;

private:
    Desktop& desktop;
};
