#pragma once

// The main window's fixed layout, in window pixels with the origin at the
// bottom-left corner. From left to right: the canvas area, the tool strip,
// and the control panel flush with the window's right and bottom edges.
// Everything that places, draws or hits something of the layout (the shell,
// the mouse, the main display, the panel window, the GUI tests through
// `seep --list-layout`) takes its numbers from here.
namespace layout {

// The control panel.
inline constexpr int panelWidth = 350;
inline constexpr int panelHeight = 512;

// The tool strip between the canvas area and the panel: colour swatches
// (PaletteSwatches.h), the colour-chooser and eyedropper buttons and the
// current colour's well, each placed from the strip's left edge.
inline constexpr int toolStripWidth = 140;

// Everything right of the canvas area. The canvas area is the window's
// width less this, and the tool strip begins where the canvas area ends.
inline constexpr int besideCanvas = toolStripWidth + panelWidth;

// The canvas the start layout assumes, and the side of the blank canvas the
// painter starts on when its start picture cannot be read.
inline constexpr int startCanvasSide = 512;
// A window is made at least as high as the panel.
inline constexpr int minimumWindowHeight = panelHeight;

// The two tool buttons' pictures: lower-left corner toolButtonBottom above
// the window's bottom, this far right of the strip's left edge.
inline constexpr int colorButtonOffset = 40;
inline constexpr int eyedropperButtonOffset = 80;
inline constexpr int toolButtonBottom = 60;

// The current colour's well, inside a one-pixel frame.
inline constexpr int colorWellOffset = 50;
inline constexpr int colorWellBottom = 20;
inline constexpr int colorWellWidth = 50;
inline constexpr int colorWellHeight = 25;

// Image Open asks for this window size whatever the picture's; the layout
// follows when the window system reports the reshape.
inline constexpr int imageOpenWindowWidth = 862;
inline constexpr int imageOpenWindowHeight = 512;

constexpr int toolStripLeft(int windowWidth) { return windowWidth - besideCanvas; }
constexpr int canvasAreaWidth(int windowWidth) { return windowWidth - besideCanvas; }
constexpr int panelLeft(int windowWidth) { return windowWidth - panelWidth; }

// The numbers by name, for `seep --list-layout`.
struct Number {
    const char* name;
    int value;
};
inline constexpr Number numbers[] = {
    {"panelWidth", panelWidth},
    {"panelHeight", panelHeight},
    {"toolStripWidth", toolStripWidth},
    {"besideCanvas", besideCanvas},
    {"startCanvasSide", startCanvasSide},
    {"minimumWindowHeight", minimumWindowHeight},
    {"colorButtonOffset", colorButtonOffset},
    {"eyedropperButtonOffset", eyedropperButtonOffset},
    {"toolButtonBottom", toolButtonBottom},
    {"colorWellOffset", colorWellOffset},
    {"colorWellBottom", colorWellBottom},
    {"colorWellWidth", colorWellWidth},
    {"colorWellHeight", colorWellHeight},
    {"imageOpenWindowWidth", imageOpenWindowWidth},
    {"imageOpenWindowHeight", imageOpenWindowHeight},
};

}  // namespace layout
