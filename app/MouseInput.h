#pragma once

#include "app/Shell.h"

// The paint colour from colour-chooser bytes: each component byte / 255 in
// single precision. The chooser, and anything replaying its answer, use this.
void setPaintColorBytes(PanelSettings& panel, const unsigned char rgb[3]);
