#pragma once

#include <GL/freeglut.h>

// Makes a GLUT window current for a scope and then makes current again
// whichever window was current before, so that a routine called from
// another window's callback leaves that callback's window as it was.
class CurrentWindow {
public:
    explicit CurrentWindow(int window) : previous(glutGetWindow()) {
        if (window != 0) {
            glutSetWindow(window);
        }
    }
    ~CurrentWindow() {
        if (previous != 0) {
            glutSetWindow(previous);
        }
    }
    CurrentWindow(const CurrentWindow&) = delete;
    CurrentWindow& operator=(const CurrentWindow&) = delete;

private:
    int previous;
};
