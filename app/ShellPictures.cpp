#include "app/ShellPictures.h"

#include <utility>
#include <vector>

#include "image/ImageIO.h"


template <typename T>
bool loadPicture(const std::string& name, ImageRect<T>& target) {
    ImageRect<T> loaded;
    if (!ImageIO::load(name, loaded)) {
        return false;
    }
    target = std::move(loaded);
    return true;
}

template bool loadPicture(const std::string&, ImageRect<float>&);
template bool loadPicture(const std::string&, ImageRect<vec3>&);
template bool loadPicture(const std::string&, ImageRect<vec4>&);

void loadButtonPicture(Shell& shell, ShellImage which, const std::string& name) {
    ImageRect<vec3>* picture = which == ShellImage::ColorButton
                                   ? shell.images.colorButtonImage
                                   : shell.images.eyedropperButtonImage;
    if (picture != nullptr && loadPicture(name, *picture)) {
        shell.windowSystem.upload(which);
    }
}

void uploadCanvas(Shell& shell) {
    shell.windowSystem.upload(ShellImage::Canvas);
    shell.images.canvasUploaded = true;
}

void useBlankCanvas(Shell& shell, int width, int height) {
    const std::vector<vec4> white(static_cast<std::size_t>(width) * height,
                                  vec4{1.0f, 1.0f, 1.0f, 1.0f});
    shell.images.canvasImage->setPixels(width, height, white.data());
}

void loadSurface(Shell& shell, const std::string& name) {
    ImageRect<float>& surface = *shell.images.surfaceImage;
    const int width = shell.state.window.canvasWidth;
    const int height = shell.state.window.canvasHeight;
    const bool loaded = !name.empty() && loadPicture(name, surface);
    if (!loaded || surface.width != width || surface.height != height) {
        const std::vector<float> white(static_cast<std::size_t>(width) * height, 1.0f);
        surface.setPixels(width, height, white.data());
    }
    shell.windowSystem.upload(ShellImage::Surface);
    shell.simulation->setSurface(surface.pixels);
}

ImageRect<vec4> composeResult(Shell& shell) {
    const int width = shell.state.window.canvasWidth;
    const int height = shell.state.window.canvasHeight;
    const vec4* canvas = shell.images.canvasImage->pixels;
    WatercolorSimulation& simulation = *shell.simulation;
    std::vector<vec4> buffer(static_cast<std::size_t>(width) * height);
    for (int k = 0; k < width * height; ++k) {
        const vec4 d{simulation.depositionAt(4 * k), simulation.depositionAt(4 * k + 1),
                     simulation.depositionAt(4 * k + 2), simulation.depositionAt(4 * k + 3)};
        buffer[k] = composedPixel(d, canvas[k]);
    }
    ImageRect<vec4> result;
    result.setPixels(width, height, buffer.data());
    return result;
}
