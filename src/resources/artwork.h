// The stamp pictures and the pictures of the guidance windows, drawn as SVG in svg/ and built into the
// program as PNG.
#pragma once

#include "platform/raster/raster.h"

namespace artwork {

enum class Stamp { Smiley, X, Check, Arrow, Star };

// The picture at its exact on-screen size, as premultiplied 0xAARRGGBB pixels ready for the compositor.
// Decoded on first use and kept for the rest of the run.
const raster::Bitmap& StampPicture(Stamp stamp);

// The guidance windows' pictures, each at the one size they are laid out with:
//   Banner      340 x 56, opaque: "Highlighting is on", shown in the overlay's top-left corner. Its lower
//               band (from y 32) is plain white for the two links the program draws on it (Help at 10,34,
//               30 x 18; Quick Reference at 51,34, 99 x 18).
//   Arrow       53 x 65, transparent: points up and to the left, towards the screen's top-left corner.
//   TitleStrip  545 x 55, transparent: the icon and the name "Lumora", for the top of the instructions and
//               about windows.
//   Picture     256 x 256, transparent: a screen with a highlight stroke, a rectangle, an ellipse and stamps.
//   Background  585 x 425, opaque: white with faint swashes, behind the instructions and about windows.
enum class Art { Banner, Arrow, TitleStrip, Picture, Background };

// As StampPicture: premultiplied 0xAARRGGBB, decoded on first use and kept.
const raster::Bitmap& ArtPicture(Art art);

}  // namespace artwork
