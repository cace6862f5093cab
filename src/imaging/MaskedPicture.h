#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace hivelark {

// A picture of three equal images side by side (unused, at rest and under the mouse, pressed) over
// a mask under each image, as the field buttons' bitmaps hold them. A mask pixel tells per colour
// channel how much of the background shows through: 0 none, 255 all. Any thread.
class TMaskedPicture {
public:
  TMaskedPicture() = default;
  // Loads the 24-bit BITMAP resource `name` of the program.
  explicit TMaskedPicture(const std::string& name);

  int ImageWidth() const { return width_ / 3; }
  int ImageHeight() const { return height_ / 2; }
  bool Empty() const { return width_ == 0; }

  // Image `index` (0 to 2) laid over `background`, as top-down 32-bit pixels (0x00RRGGBB).
  std::vector<std::uint32_t> Compose(int index, COLORREF background) const;

private:
  // Blue, green and red bytes of pixel (x, y), counted from the top.
  const std::uint8_t* Pixel(int x, int y) const;

  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint8_t> pixels_;
};

} // namespace hivelark
