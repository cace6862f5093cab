#pragma once

#include "controls/PaintedControl.h"
#include "framework/Handles.h"

#include <windows.h>

namespace hivelark {

// A picture from a plain bitmap, drawn at its own size from the control's top-left corner: a
// bitmap larger than the control is cut off at the right and bottom, one smaller leaves the
// parent's background showing around it. Reports the mouse like every painted control. Main
// thread only.
class TBitmapImage : public TPaintedControl {
public:
  explicit TBitmapImage(TComponent* owner);

  void SetBitmap(UniqueBitmap bitmap);
  HBITMAP Bitmap() const { return bitmap_.get(); }

protected:
  void CreateParams(TCreateParams& params) override;
  void Paint(HDC dc, const RECT& client) override;

private:
  UniqueBitmap bitmap_;
  SIZE size_{0, 0};
};

} // namespace hivelark
