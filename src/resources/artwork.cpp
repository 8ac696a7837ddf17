#include "resources/artwork.h"

#include <array>
#include <cstdint>
#include <memory>

#include "resources/embedded.h"

// Only the PNG decoder, from memory; static so another file may carry its own copy of stb_image.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#include <stb_image.h>

namespace artwork {
namespace {

raster::Bitmap Decode(const embedded::Png& png) {
  int width = 0, height = 0, channels = 0;
  std::unique_ptr<stbi_uc, void (*)(void*)> rgba(
      stbi_load_from_memory(png.bytes, static_cast<int>(png.size), &width, &height, &channels, 4),
      stbi_image_free);
  // The files are ours and checked by the tests; an empty picture is the harmless answer if one were broken.
  if (!rgba) return raster::Bitmap();

  raster::Bitmap picture(width, height, 0);
  const stbi_uc* in = rgba.get();
  raster::Pixel* out = picture.Data();
  for (int i = 0; i < width * height; ++i, in += 4) {
    // The compositor blends premultiplied pixels: colour times alpha, rounded to the nearest level.
    const uint32_t a = in[3];
    const auto scale = [a](uint32_t c) { return (c * a + 127) / 255; };
    out[i] = a << 24 | scale(in[0]) << 16 | scale(in[1]) << 8 | scale(in[2]);
  }
  return picture;
}

// Every picture of a table, in the order of its enum.
std::array<raster::Bitmap, 5> DecodeAll(const embedded::Png (&pngs)[5]) {
  std::array<raster::Bitmap, 5> decoded;
  for (std::size_t i = 0; i < decoded.size(); ++i) decoded[i] = Decode(pngs[i]);
  return decoded;
}

}  // namespace

const raster::Bitmap& StampPicture(Stamp stamp) {
  static const std::array<raster::Bitmap, 5> pictures = DecodeAll(embedded::kStampPngs);
  return pictures[static_cast<std::size_t>(stamp)];
}

const raster::Bitmap& ArtPicture(Art art) {
  static const std::array<raster::Bitmap, 5> pictures = DecodeAll(embedded::kArtPngs);
  return pictures[static_cast<std::size_t>(art)];
}

}  // namespace artwork
