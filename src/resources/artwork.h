// The stamp pictures, drawn as SVG in svg/ and built into the program as PNG.
#pragma once

#include "platform/raster/raster.h"

namespace artwork {

enum class Stamp { Smiley, X, Check, Arrow, Star };

// The picture at its exact on-screen size, as premultiplied 0xAARRGGBB pixels ready for the compositor.
// Decoded on first use and kept for the rest of the run.
const raster::Bitmap& StampPicture(Stamp stamp);

}  // namespace artwork
