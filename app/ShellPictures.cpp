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

bool loadCanvasPicture(Shell& shell, const std::string& name) {
    CanvasPicture colours;
    ImageRect<float> grey;
    if (!ImageIO::loadCanvas(name, colours, grey, WatercolorSimulation::gridBytesPerCell)) {
        return false;
    }
    *shell.images.canvasImage = std::move(colours);
    *shell.images.surfaceImage = std::move(grey);
    return true;
}

void uploadCanvas(Shell& shell) {
    shell.windowSystem.upload(ShellImage::Canvas);
    shell.images.canvasUploaded = true;
}

void useBlankCanvas(Shell& shell, int width, int height) {
    shell.images.canvasImage->fill(width, height, rgba8{255, 255, 255, 255});
}

void setUpSurface(Shell& shell, bool fromPicture) {
    ImageRect<float>& surface = *shell.images.surfaceImage;
    const int width = shell.state.window.canvasWidth;
    const int height = shell.state.window.canvasHeight;
    if (!fromPicture || surface.pixels == nullptr || surface.width != width || surface.height != height) {
        const std::vector<float> white(static_cast<std::size_t>(width) * height, 1.0f);
        surface.setPixels(width, height, white.data());
    }
    shell.windowSystem.upload(ShellImage::Surface);
    shell.simulation->setSurface(surface.pixels);
}

void composeResultRow(Shell& shell, int y, vec4* out) {
    const int width = shell.state.window.canvasWidth;
    const CanvasPicture& canvas = *shell.images.canvasImage;
    // The deposition holds a cell for every canvas pixel (the shell sets the
    // canvas size and inits the simulation together).
    const vec4* deposition = shell.simulation->deposition.data();
    for (int x = 0; x < width; ++x) {
        const std::size_t k = static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
        out[x] = composedPixel(deposition[k], canvas.pixel(k));
    }
}

bool saveResult(Shell& shell, const std::string& name, const SaveFolder* inside) {
    return ImageIO::save(
        name, shell.state.window.canvasWidth, shell.state.window.canvasHeight,
        [&](int y, vec4* out) { composeResultRow(shell, y, out); }, inside);
}

ImageRect<vec4> composeResult(Shell& shell) {
    const int width = shell.state.window.canvasWidth;
    const int height = shell.state.window.canvasHeight;
    std::vector<vec4> buffer(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        composeResultRow(shell, y, buffer.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width));
    }
    ImageRect<vec4> result;
    result.setPixels(width, height, buffer.data());
    return result;
}
