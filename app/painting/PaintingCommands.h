#pragma once

#include <string>

struct Shell;

// The Painting Save and Painting Open commands once the file dialog has
// answered. Each writes one line to the standard error stream naming the
// file: what was done, or what is wrong.

// Saves the painting as it is, changing nothing of it: saving never alters
// how the painting goes on. An empty name (a cancelled dialog) does nothing.
bool savePainting(Shell& shell, const std::string& name);

// Opens a painting file, found by the image file search. A Seep painting
// replaces the whole painting and goes on exactly as the saved one would
// have; another program's file opens as a new painting on its flattened
// picture, as Image Open would open that picture. A file that cannot be
// opened leaves the painting as it was. An empty name does nothing.
bool openPainting(Shell& shell, const std::string& name);
