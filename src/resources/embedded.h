// The PNG files, built into the program by the generated embedded_pngs.cpp.
#pragma once

#include <cstddef>

namespace artwork::embedded {

struct Png {
  const unsigned char* bytes;
  std::size_t size;
};

// In the order of artwork::Stamp.
extern const Png kStampPngs[5];
// In the order of artwork::Art.
extern const Png kArtPngs[5];

}  // namespace artwork::embedded
