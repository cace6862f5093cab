#include "controls/BitmapImage.h"

#include "imaging/ResourcePictures.h"

#include <algorithm>

namespace hivelark {

TBitmapImage::TBitmapImage(TComponent* owner) : TPaintedControl(owner) {}

void TBitmapImage::SetBitmap(std::string name) {
  bitmap_.Set([name = std::move(name)](
                  int dpi) { return LoadBitmapArtwork(GetModuleHandleA(nullptr), name, dpi); },
              Dpi());
  Invalidate();
}

void TBitmapImage::AfterCreateHandle() {
  TPaintedControl::AfterCreateHandle();
  bitmap_.FitTo(Dpi());
}

void TBitmapImage::OnDpiChanged() {
  TPaintedControl::OnDpiChanged();
  bitmap_.FitTo(Dpi());
}

void TBitmapImage::CreateParams(TCreateParams& params) {
  TPaintedControl::CreateParams(params);
  params.className = "HivelarkBitmapImage";
}

void TBitmapImage::Paint(HDC dc, const RECT& client) {
  HBITMAP bitmap = Bitmap();
  BITMAP size{};
  if (bitmap == nullptr || GetObjectA(bitmap, sizeof(size), &size) == 0) {
    return;
  }
  UniqueMemoryDC source(CreateCompatibleDC(dc));
  if (!source) {
    return;
  }
  SelectObjectScope select(source.get(), bitmap);
  BitBlt(dc, client.left, client.top, std::min<LONG>(size.bmWidth, client.right - client.left),
         std::min<LONG>(size.bmHeight, client.bottom - client.top), source.get(), 0, 0, SRCCOPY);
}

} // namespace hivelark
