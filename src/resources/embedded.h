// The stamp PNG files, built into the program by the generated stamp_pngs.cpp.
#pragma once

#include <cstddef>

namespace artwork::embedded {

struct Png {
  const unsigned char* bytes;
  std::size_t size;
};

// In the order of artwork::Stamp.
extern const Png kStampPngs[5];

}  // namespace artwork::embedded
