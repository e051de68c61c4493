#pragma once

#include <string>

#include "util/Vectors.h"

// The shell's pictures that have a texture on the desktop.
enum class ShellImage { Canvas, Surface, ColorButton, EyedropperButton };

// Everything the shell needs from the window system. The desktop implements
// it with GLUT, OpenGL and the desktop's dialogs; the session player answers
// from the session file. It is the only seam between the two.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // Asks for the main window to be redrawn soon.
    virtual void postRedisplay() = 0;
    // Draws a frame of the main window now. Whatever it draws, it ends by
    // running the shell's per-frame state update (updateFrameState).
    virtual void displayNow() = 0;
    // Asks the window system to resize the main window; the new size arrives
    // later as a reshape.
    virtual void requestWindowSize(int width, int height) = 0;
    // Loads the shell's picture into its texture.
    virtual void upload(ShellImage image) = 0;
    // Reads the colour of one pixel of the main window (origin bottom-left).
    // False when it cannot be read.
    virtual bool readPixel(int x, int y, vec3& rgb) = 0;
    // The chosen path, or "" when cancelled.
    virtual std::string openFileDialog() = 0;
    virtual std::string saveFileDialog() = 0;
    // rgb holds the start colour; replaced and true when the user confirms.
    virtual bool chooseColorDialog(unsigned char rgb[3]) = 0;
    // Ends the program with status 0 (Esc or "q").
    virtual void quit() = 0;
};
