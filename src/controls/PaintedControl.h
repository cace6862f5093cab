#pragma once

#include "controls/MouseControl.h"

#include <windows.h>

namespace hivelark {

// The mouse pointer a control shows while the mouse is over it.
enum TCursor {
  crDefault,   // the window class's arrow
  crHandPoint, // the pointing hand of links
};

// A control that the program paints itself, over what its parent shows behind it (so it looks
// transparent), and that reports the mouse: moves over it, its leaving and clicks. It never takes
// the keyboard focus. Main thread only.
class TPaintedControl : public TMouseControl {
public:
  explicit TPaintedControl(TComponent* owner);

  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor);

  // Paints the control as it shows now into `dc`, the control's top-left corner at the origin.
  void PaintTo(HDC dc);

protected:
  void CreateParams(TCreateParams& params) override;
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void PaintWindow(HDC dc) override { PaintTo(dc); }

  // Draws the control onto `dc`, which already holds what lies behind it. `client` is the
  // control's client rectangle (origin 0, 0).
  virtual void Paint(HDC dc, const RECT& client) = 0;

private:
  bool ApplyCursor();

  TCursor cursor_ = crDefault;
};

} // namespace hivelark
