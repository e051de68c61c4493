#pragma once

#include <GL/glu.h>

// Makes the current window's drawing coordinates its pixels, origin at the
// bottom-left corner, y upwards.
inline void usePixelProjection(int width, int height) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0, width, 0, height);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
