#include "controls/PictureButton.h"

namespace hivelark {

TImage::TImage(TComponent* owner) : TPaintedControl(owner) {}

void TImage::SetPicture(AlphaPicture picture) {
  picture_ = std::move(picture);
  Invalidate();
}

void TImage::CreateParams(TCreateParams& params) {
  TPaintedControl::CreateParams(params);
  params.className = "HivelarkImage";
}

void TImage::Paint(HDC dc, const RECT&) {
  picture_.Draw(dc, 0, 0);
}

} // namespace hivelark
