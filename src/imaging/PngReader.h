#pragma once

#include "framework/Exception.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// The reader of the program's PNG pictures: 8-bit truecolour, with or without alpha, not
// interlaced. Any thread; no shared state.
namespace hivelark {

// A PNG file that is truncated, corrupt or of a kind this reader does not take.
class EPictureError : public Exception {
public:
  using Exception::Exception;
};

// Bounds on the declared size, checked before anything is allocated for the picture.
constexpr std::uint32_t kMaxPictureSide = 16384;
constexpr std::uint32_t kMaxPicturePixels = 16 * 1024 * 1024;

// A decoded picture, ready to be copied into a 32-bit top-down DIB section: one 32-bit value per
// pixel, rows top to bottom, 0xAARRGGBB (in memory blue, green, red, alpha) with each colour
// already multiplied by the alpha, as AlphaBlend with AC_SRC_ALPHA expects.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;

  std::uint32_t At(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
};

// Decodes a whole PNG file held in memory. Raises EPictureError naming what is wrong.
Picture ReadPng(std::span<const std::uint8_t> file);

} // namespace hivelark
