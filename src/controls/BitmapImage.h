#pragma once

#include "controls/PaintedControl.h"
#include "framework/Handles.h"
#include "imaging/DpiArtwork.h"

#include <windows.h>

#include <string>

namespace hivelark {

// A picture from a plain bitmap, the program's BITMAP artwork at its size for the control's DPI,
// drawn at that size from the control's top-left corner: a bitmap larger than the control is cut
// off at the right and bottom, one smaller leaves the parent's background showing around it.
// Reports the mouse like every painted control. Main thread only.
class TBitmapImage : public TPaintedControl {
public:
  explicit TBitmapImage(TComponent* owner);

  void SetBitmap(std::string name);
  HBITMAP Bitmap() const { return bitmap_.Get().get(); }

protected:
  void CreateParams(TCreateParams& params) override;
  void AfterCreateHandle() override;
  void OnDpiChanged() override;
  void Paint(HDC dc, const RECT& client) override;

private:
  TDpiArtwork<UniqueBitmap> bitmap_;
};

} // namespace hivelark
