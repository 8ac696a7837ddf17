// Pictures laid out for 96 DPI, resampled for a screen of another DPI.
#include <gtest/gtest.h>

#include "platform/raster/raster.h"

namespace {

TEST(ResampleTest, KeepsWhatIsEvenAndPutsEachHalfWhereItWas) {
  raster::Bitmap halves(4, 2, 0x80402010);  // premultiplied, half transparent
  for (int y = 0; y < 2; ++y)
    for (int x = 2; x < 4; ++x) halves.Row(y)[x] = 0xFF00FF00;
  for (auto [w, h] : {std::pair{4, 2}, {6, 3}, {8, 4}, {2, 1}}) {
    const raster::Bitmap out = raster::Resample(halves, w, h);
    ASSERT_EQ(std::pair(out.Width(), out.Height()), std::pair(w, h));
    for (int y = 0; y < h; ++y) {
      EXPECT_EQ(out.At(0, y), 0x80402010u) << w << "x" << h;  // the left edge keeps the left colour
      EXPECT_EQ(out.At(w - 1, y), 0xFF00FF00u) << w << "x" << h;
    }
  }
  EXPECT_EQ(raster::Resample(halves, 8, 4).At(2, 1), 0x80402010u) << "the left half stays left";
}

}  // namespace
