// Pictures of the guidance windows: the artwork placed as windowless images, and the boxes that frame it.
#pragma once

#include <cstdint>

#include "platform/form.h"

// Shows `picture` at its own size with its top-left corner at (left, top), pixels at 96 DPI.
void PlaceArt(tk::Image& image, const raster::Bitmap& picture, int left, int top);

// The instructions and the about window: a white dialog with the background artwork behind everything, the
// title strip in its sunken box along the top, and the picture on the left.
class ArtWindow : public tk::Form {
 public:
  struct Layout {
    const char* caption;
    int width, height;
    int backgroundLeft, backgroundTop, pictureLeft, pictureTop;
  };
  ArtWindow(tk::App& app, std::string name, const Layout& layout);

  tk::Image& Image3;    // the background
  tk::Image& Picture1;  // the box that frames the title strip
  tk::Image& Image2;    // the title strip
  tk::Image& Image1;    // the picture
};
