#include "imaging/AlphaPicture.h"

#include "imaging/ResourcePictures.h"

#include <cstring>

namespace hivelark {

BITMAPINFO TopDownBitmapInfo(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  // A negative height makes the rows run top-down.
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

UniqueBitmap TopDownBitmap(const Picture& picture) {
  const BITMAPINFO info = TopDownBitmapInfo(picture.width, picture.height);
  void* bits = nullptr;
  UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || bits == nullptr) {
    throw Exception(Format("Cannot create a %d x %d picture bitmap: %s", picture.width,
                           picture.height, SystemErrorMessage(GetLastError()).c_str()));
  }
  std::memcpy(bits, picture.pixels.data(), picture.pixels.size() * sizeof(picture.pixels[0]));
  return bitmap;
}

AlphaPicture::AlphaPicture(const Picture& picture)
    : bitmap_(TopDownBitmap(picture)), width_(picture.width), height_(picture.height) {}

AlphaPicture AlphaPicture::FromResource(HMODULE module, const char* name) {
  return AlphaPicture(ReadPngResource(module, name));
}

AlphaPicture AlphaPicture::FromArtwork(HMODULE module, const std::string& name, int dpi,
                                       int columns) {
  return AlphaPicture(ReadPngArtwork(module, name, dpi, columns));
}

void AlphaPicture::Draw(HDC target, int x, int y) const {
  DrawPart(target, x, y, 0, 0, width_, height_);
}

void AlphaPicture::DrawPart(HDC target, int x, int y, int sourceX, int sourceY, int width,
                            int height) const {
  if (!bitmap_) {
    return;
  }
  UniqueMemoryDC source(CreateCompatibleDC(target));
  if (!source) {
    return;
  }
  SelectObjectScope selected(source.get(), bitmap_.get());
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  AlphaBlend(target, x, y, width, height, source.get(), sourceX, sourceY, width, height, blend);
}

} // namespace hivelark
