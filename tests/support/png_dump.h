// Writes raster frames to PNG so a failing pixel test leaves a picture behind to look at.
//
// Header-only: stb_image_write's functions are compiled static into each test file that includes this.
// Put the stb directory (STB_INCLUDE_DIR) on the include path as a SYSTEM directory so its code is not
// held to our warning flags.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/raster/raster.h"

#ifndef STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#endif
#include <stb_image_write.h>

namespace png_dump {

// Composed frames carry no meaningful alpha, so by default every pixel is written opaque; pass
// keepAlpha for sprite artwork.
inline bool WritePng(const std::string& path, const raster::Surface& s, bool keepAlpha = false) {
  if (!s.pixels || s.width <= 0 || s.height <= 0) return false;
  std::vector<uint8_t> rgba(static_cast<size_t>(s.width) * s.height * 4);
  uint8_t* out = rgba.data();
  for (int y = 0; y < s.height; ++y) {
    const raster::Pixel* row = s.Row(y);
    for (int x = 0; x < s.width; ++x, out += 4) {
      const raster::Pixel p = row[x];
      out[0] = static_cast<uint8_t>(p >> 16);
      out[1] = static_cast<uint8_t>(p >> 8);
      out[2] = static_cast<uint8_t>(p);
      out[3] = keepAlpha ? static_cast<uint8_t>(p >> 24) : 0xFF;
    }
  }
  return stbi_write_png(path.c_str(), s.width, s.height, 4, rgba.data(), s.width * 4) != 0;
}

inline bool WritePng(const std::string& path, const raster::Bitmap& b, bool keepAlpha = false) {
  const raster::Surface view{const_cast<raster::Pixel*>(b.Data()), b.Width(), b.Height(), b.Width()};
  return WritePng(path, view, keepAlpha);
}

// Where failure pictures go: $LUMORA_PNG_DIR when set, else the working directory (the test's build
// directory under ctest). `name` is made file-safe.
inline std::string PathFor(std::string name) {
  for (char& c : name) {
    const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
    if (!safe) c = '_';
  }
  const char* dir = std::getenv("LUMORA_PNG_DIR");
  const std::filesystem::path base =
      dir && *dir ? std::filesystem::path(dir) : std::filesystem::current_path();
  return (base / (name + ".png")).string();
}

}  // namespace png_dump
