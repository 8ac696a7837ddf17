// Pictures as PNG files.
#pragma once

#include <string>

#include "platform/raster/raster.h"

namespace tk {

// The bytes of a PNG file of `picture`: 8-bit RGB, the alpha byte left out.
std::string EncodePng(const raster::Bitmap& picture);

}  // namespace tk
