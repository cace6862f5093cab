#pragma once

#include "framework/Input.h"
#include "framework/Window.h"

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
class TPaintedControl : public TCustomControl {
public:
  explicit TPaintedControl(TComponent* owner);

  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor);

  // Whether the mouse is over the control (between its first move and its leaving).
  bool MouseInside() const { return mouseInside_; }

  // Paints the control as it shows now into `dc`, the control's top-left corner at the origin.
  void PaintTo(HDC dc);

  TNotifyEvent OnClick;
  TNotifyEvent OnMouseEnter;
  // x and y are relative to the control's top-left corner.
  TMouseMoveEvent OnMouseMove;
  TNotifyEvent OnMouseLeave;

protected:
  void CreateParams(TCreateParams& params) override;
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void PaintWindow(HDC dc) override { PaintTo(dc); }

  // Draws the control onto `dc`, which already holds what lies behind it. `client` is the
  // control's client rectangle (origin 0, 0).
  virtual void Paint(HDC dc, const RECT& client) = 0;

  virtual void DoClick();
  virtual void DoMouseEnter();
  virtual void DoMouseMove(TShiftState shift, int x, int y);
  virtual void DoMouseLeave();

private:
  void PaintParentBackground(HDC dc, const RECT& client);
  bool ApplyCursor();

  TCursor cursor_ = crDefault;
  bool mouseInside_ = false;
  bool pressed_ = false;
};

} // namespace hivelark
