#include "app/HeadlessWindowSystem.h"

#include <algorithm>

void HeadlessWindowSystem::postRedisplay() {
    ++redisplayRequests;
}

void HeadlessWindowSystem::displayNow() {
    ++framesDrawn;
    if (shell != nullptr) {
        updateFrameState(*shell);
    }
}

void HeadlessWindowSystem::requestWindowSize(int width, int height) {
    requestedWidth = width;
    requestedHeight = height;
}

void HeadlessWindowSystem::upload(ShellImage image) {
    ++uploads;
    if (image == ShellImage::Canvas) {
        ++canvasUploads;
    }
}

bool HeadlessWindowSystem::readPixel(int x, int y, vec3& rgb) {
    pixelReadX = x;
    pixelReadY = y;
    if (!pixelAnswer) {
        return false;
    }
    rgb = *pixelAnswer;
    return true;
}

std::string HeadlessWindowSystem::openFileDialog() {
    ++dialogsOpened;
    return fileAnswer;
}

std::string HeadlessWindowSystem::saveFileDialog() {
    ++dialogsOpened;
    return fileAnswer;
}

bool HeadlessWindowSystem::chooseColorDialog(unsigned char rgb[3]) {
    ++dialogsOpened;
    std::copy(rgb, rgb + 3, colorStart.begin());
    if (!colorAnswer) {
        return false;
    }
    std::copy(colorAnswer->begin(), colorAnswer->end(), rgb);
    return true;
}

void HeadlessWindowSystem::quit() {
    quitRequested = true;
}

ShellImages HeadlessImages::view() {
    ShellImages images;
    images.canvasImage = &canvas;
    images.surfaceImage = &surface;
    images.colorButtonImage = &colorButton;
    images.eyedropperButtonImage = &eyedropperButton;
    return images;
}
