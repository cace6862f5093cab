#include "imaging/MaskedPicture.h"

#include "framework/Exception.h"
#include "imaging/ResourcePictures.h"

#include <cstring>

namespace hivelark {

TMaskedPicture::TMaskedPicture(const std::string& name) {
  const UniqueBitmap bitmap = LoadBitmapResource(GetModuleHandleA(nullptr), name.c_str());
  DIBSECTION section{};
  if (GetObjectA(bitmap.get(), sizeof(section), &section) != sizeof(section) ||
      section.dsBm.bmBitsPixel != 24 || section.dsBm.bmBits == nullptr) {
    throw Exception(Format("Bitmap resource \"%s\" is not a 24-bit picture", name.c_str()));
  }
  width_ = section.dsBm.bmWidth;
  height_ = section.dsBm.bmHeight;
  const int stride = section.dsBm.bmWidthBytes;
  const bool bottomUp = section.dsBmih.biHeight > 0;
  const auto* bits = static_cast<const std::uint8_t*>(section.dsBm.bmBits);
  pixels_.resize(static_cast<size_t>(width_) * height_ * 3);
  for (int y = 0; y < height_; ++y) {
    const std::uint8_t* row =
        bits + static_cast<ptrdiff_t>(bottomUp ? height_ - 1 - y : y) * stride;
    std::memcpy(&pixels_[static_cast<size_t>(y) * width_ * 3], row,
                static_cast<size_t>(width_) * 3);
  }
}

const std::uint8_t* TMaskedPicture::Pixel(int x, int y) const {
  return &pixels_[(static_cast<size_t>(y) * width_ + x) * 3];
}

std::vector<std::uint32_t> TMaskedPicture::Compose(int index, COLORREF background) const {
  const int width = ImageWidth();
  const int height = ImageHeight();
  const int backgroundChannel[3] = {GetBValue(background), GetGValue(background),
                                    GetRValue(background)};
  std::vector<std::uint32_t> result(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* picture = Pixel(index * width + x, y);
      const std::uint8_t* mask = Pixel(index * width + x, y + height);
      std::uint32_t pixel = 0;
      for (int c = 0; c < 3; ++c) {
        const int mixed = picture[c] * (255 - mask[c]) / 255 + backgroundChannel[c] * mask[c] / 255;
        pixel |= static_cast<std::uint32_t>(mixed) << (8 * c);
      }
      result[static_cast<size_t>(y) * width + x] = pixel;
    }
  }
  return result;
}

} // namespace hivelark
