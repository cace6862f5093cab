#include "controls/BitmapImage.h"

#include <algorithm>

namespace hivelark {

TBitmapImage::TBitmapImage(TComponent* owner) : TPaintedControl(owner) {}

void TBitmapImage::SetBitmap(UniqueBitmap bitmap) {
  bitmap_ = std::move(bitmap);
  size_ = {0, 0};
  BITMAP description{};
  if (bitmap_ && GetObjectA(bitmap_.get(), sizeof(description), &description) != 0) {
    size_ = {description.bmWidth, description.bmHeight};
  }
  Invalidate();
}

void TBitmapImage::CreateParams(TCreateParams& params) {
  TPaintedControl::CreateParams(params);
  params.className = "HivelarkBitmapImage";
}

void TBitmapImage::Paint(HDC dc, const RECT& client) {
  if (!bitmap_) {
    return;
  }
  UniqueMemoryDC source(CreateCompatibleDC(dc));
  if (!source) {
    return;
  }
  SelectObjectScope select(source.get(), bitmap_.get());
  BitBlt(dc, client.left, client.top, std::min<LONG>(size_.cx, client.right - client.left),
         std::min<LONG>(size_.cy, client.bottom - client.top), source.get(), 0, 0, SRCCOPY);
}

} // namespace hivelark
