#include <GL/gl.h>

#include "sim/PolylineDraw.h"

void drawPolyline(const PointList& list) {
    glBegin(GL_LINE_STRIP);
    for (const vec2& point : list.points) {
        glVertex2fv(&point.x);
    }
    glEnd();
}
