#include "app/gui/GlutWindowSystem.h"

#include <GL/freeglut.h>

#include <array>
#include <cstdlib>

#include "app/gui/CurrentWindow.h"
#include "app/gui/Desktop.h"
#include "app/gui/MainDisplay.h"

namespace {

int mainWindow(Desktop& desktop) {
    return desktop.shell.state.window.mainWindow;
}

}  // namespace

void GlutWindowSystem::postRedisplay() {
    if (mainWindow(desktop) != 0) {
        glutPostWindowRedisplay(mainWindow(desktop));
    }
}

void GlutWindowSystem::displayNow() {
    CurrentWindow current(mainWindow(desktop));
    drawMainFrame(desktop, frameMayUpdateState(desktop));
}

void GlutWindowSystem::requestWindowSize(int width, int height) {
    CurrentWindow current(mainWindow(desktop));
    glutReshapeWindow(width, height);
}

void GlutWindowSystem::upload(ShellImage image) {
    // The textures live in the main window's OpenGL context.
    CurrentWindow current(mainWindow(desktop));
    DesktopPictures& pictures = desktop.pictures;
    switch (image) {
    case ShellImage::Canvas:
        pictures.canvas.upload();
        break;
    case ShellImage::Surface:
        pictures.surface.upload();
        break;
    case ShellImage::ColorButton:
        pictures.colorButton.upload();
        break;
    case ShellImage::EyedropperButton:
        pictures.eyedropperButton.upload();
        break;
    }
}

bool GlutWindowSystem::readPixel(int x, int y, vec3& rgb) {
    const WindowLayout& window = desktop.shell.state.window;
    if (x < 0 || y < 0 || x >= window.windowWidth || y >= window.windowHeight) {
        return false;
    }
    CurrentWindow current(mainWindow(desktop));
    // Read from the back buffer, which keeps the last frame after the swap
    // (the front buffer of a software-rendered window reads as black). The
    // pixel is read as bytes and turned into floats the way a session
    // replays the pick, so both agree exactly.
    std::array<unsigned char, 3> bytes{};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, bytes.data());
    rgb = vec3{bytes[0] / 255.0f, bytes[1] / 255.0f, bytes[2] / 255.0f};
    desktop.recorder.noteColorAnswer(bytes);
    return true;
}

std::string GlutWindowSystem::openFileDialog() {
    std::string name;
    {
        CurrentWindow current(glutGetWindow());
        name = desktop.dialogs.openFile();
    }
    desktop.recorder.noteFileAnswer(name);
    if (!name.empty()) {
        // The dialog covered the painter; have it drawn again whole.
        postRedisplay();
    }
    return name;
}

std::string GlutWindowSystem::saveFileDialog() {
    std::string name;
    {
        CurrentWindow current(glutGetWindow());
        name = desktop.dialogs.saveFile();
    }
    desktop.recorder.noteFileAnswer(name);
    return name;
}

bool GlutWindowSystem::chooseColorDialog(unsigned char rgb[3]) {
    bool chosen = false;
    {
        CurrentWindow current(glutGetWindow());
        chosen = desktop.dialogs.chooseColor(rgb);
    }
    desktop.colorChooserRan = true;
    if (chosen) {
        desktop.recorder.noteColorAnswer({rgb[0], rgb[1], rgb[2]});
    }
    return chosen;
}

void GlutWindowSystem::quit() {
    // The exit handler destroys the simulation.
    std::exit(0);
}
