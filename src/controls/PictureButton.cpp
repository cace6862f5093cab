#include "controls/PictureButton.h"

#include <windowsx.h>

namespace hivelark {

TImage::TImage(TComponent* owner) : TWindow(owner) {}

void TImage::SetPicture(AlphaPicture picture) {
  picture_ = std::move(picture);
  Invalidate();
}

void TImage::CreateParams(TCreateParams& params) {
  params.className = "HivelarkImage";
  params.style = 0;
}

void TImage::Paint(HDC dc) {
  RECT client;
  GetClientRect(WindowHandle(), &client);
  // Draw off screen: the picture's edges blend with the background, so a direct paint would show
  // the bare background for a moment.
  UniqueMemoryDC memory(CreateCompatibleDC(dc));
  UniqueBitmap canvas(CreateCompatibleBitmap(dc, client.right, client.bottom));
  SelectObjectScope select(memory.get(), canvas.get());
  FillRect(memory.get(), &client, GetSysColorBrush(COLOR_BTNFACE));
  picture_.Draw(memory.get(), 0, 0);
  BitBlt(dc, 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
}

LRESULT TImage::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_ERASEBKGND:
    return 1;
  case WM_PAINT: {
    PaintDC paint(WindowHandle());
    Paint(paint.get());
    return 0;
  }
  case WM_PRINTCLIENT:
    Paint(reinterpret_cast<HDC>(wParam));
    return 0;
  case WM_MOUSEMOVE:
    if (!mouseInside_) {
      mouseInside_ = true;
      TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, WindowHandle(), 0};
      TrackMouseEvent(&track);
      DoMouseEnter();
    }
    return 0;
  case WM_MOUSELEAVE:
    if (mouseInside_) {
      mouseInside_ = false;
      DoMouseLeave();
    }
    return 0;
  case WM_LBUTTONDOWN:
  case WM_LBUTTONDBLCLK:
    pressed_ = true;
    SetCapture(WindowHandle());
    return 0;
  case WM_LBUTTONUP: {
    const bool wasPressed = pressed_;
    pressed_ = false;
    if (GetCapture() == WindowHandle()) {
      ReleaseCapture();
    }
    RECT client;
    GetClientRect(WindowHandle(), &client);
    const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    // A click is a press and a release on the picture, as with a push button.
    if (wasPressed && PtInRect(&client, point)) {
      DoClick();
    }
    return 0;
  }
  case WM_CAPTURECHANGED:
    pressed_ = false;
    return 0;
  default:
    return TWindow::WndProc(message, wParam, lParam);
  }
}

void TImage::DoClick() {
  if (OnClick) {
    OnClick(this);
  }
}

void TImage::DoMouseEnter() {
  if (OnMouseEnter) {
    OnMouseEnter(this);
  }
}

void TImage::DoMouseLeave() {
  if (OnMouseLeave) {
    OnMouseLeave(this);
  }
}

} // namespace hivelark
