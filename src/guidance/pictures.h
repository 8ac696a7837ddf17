// Pictures of the guidance windows: the artwork placed as windowless images, and the boxes that frame it.
#pragma once

#include <cstdint>

#include "platform/form.h"

// Shows `picture` at its own size with its top-left corner at (left, top), pixels at 96 DPI.
void PlaceArt(tk::Image& image, const raster::Bitmap& picture, int left, int top);
// The window's title strip in its sunken box along the top, as the instructions and about windows show it.
void PlaceTitleStrip(tk::Image& box, tk::Image& strip);
