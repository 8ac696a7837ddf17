#include "platform/png.h"

#include <span>
#include <vector>

// Only the encoder, to memory: the file goes through the System, so the tests see it and a failure is reported.
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

namespace tk {

std::string EncodePng(const raster::Bitmap& picture) {
  const int width = picture.Width(), height = picture.Height();
  std::vector<unsigned char> rgb(size_t(width) * height * 3);
  unsigned char* out = rgb.data();
  for (int y = 0; y < height; ++y)
    for (const raster::Pixel p : std::span(picture.Row(y), size_t(width))) {
      *out++ = uint8_t(p >> 16), *out++ = uint8_t(p >> 8), *out++ = uint8_t(p);
    }
  std::string file;
  auto append = [](void* context, void* data, int size) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), size_t(size));
  };
  if (width > 0 && height > 0) stbi_write_png_to_func(append, &file, width, height, 3, rgb.data(), width * 3);
  return file;
}

}  // namespace tk
