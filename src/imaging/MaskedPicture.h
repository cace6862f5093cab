#pragma once

#include "imaging/PngReader.h"

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
  // Loads the artwork `name` of the program (a 24-bit BITMAP or an opaque PNG file) at its size for
  // `dpi` (see ChooseArtwork).
  explicit TMaskedPicture(const std::string& name, int dpi = 96);

  int ImageWidth() const { return pixels_.width / 3; }
  int ImageHeight() const { return pixels_.height / 2; }
  // The width of an image at 96 dpi, whatever the DPI it was loaded for.
  int DesignImageWidth() const { return designImageWidth_; }
  bool Empty() const { return pixels_.width == 0; }

  // Image `index` (0 to 2) laid over `background`, as top-down 32-bit pixels (0x00RRGGBB).
  std::vector<std::uint32_t> Compose(int index, COLORREF background) const;

private:
  // Resizes the images and their masks together: each image's colours weighed by how much of
  // them shows, so that the edges keep their colour when pixels of picture and background blend.
  void Resize(int imageWidth, int imageHeight);

  // The images' rows over the masks' rows.
  Picture pixels_;
  int designImageWidth_ = 0;
};

} // namespace hivelark
