#include "controls/BitmapImage.h"

#include "imaging/ResourcePictures.h"

#include <algorithm>

namespace hivelark {

TBitmapImage::TBitmapImage(TComponent* owner) : TPaintedControl(owner) {}

void TBitmapImage::SetBitmap(std::string name) {
  bitmapName_ = std::move(name);
  bitmapDpi_ = 0;
  FitBitmapToDpi();
  Invalidate();
}

void TBitmapImage::FitBitmapToDpi() {
  if (bitmapName_.empty() || bitmapDpi_ == Dpi()) {
    return;
  }
  bitmapDpi_ = Dpi();
  bitmap_ = LoadBitmapArtwork(GetModuleHandleA(nullptr), bitmapName_, bitmapDpi_);
  size_ = {0, 0};
  BITMAP description{};
  if (GetObjectA(bitmap_.get(), sizeof(description), &description) != 0) {
    size_ = {description.bmWidth, description.bmHeight};
  }
}

void TBitmapImage::CreateParams(TCreateParams& params) {
  TPaintedControl::CreateParams(params);
  params.className = "HivelarkBitmapImage";
}

void TBitmapImage::Paint(HDC dc, const RECT& client) {
  FitBitmapToDpi();
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
