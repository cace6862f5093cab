#pragma once

#include "framework/Input.h"
#include "framework/Window.h"

#include <windows.h>

namespace hivelark {

// A control that paints itself and follows the mouse: its first move over the control, its moves
// and its leaving, and clicks. A click is a press and a release over the control, as with a push
// button; the control holds the mouse capture from the press to the release. A double click is
// one click. Main thread only.
class TMouseControl : public TCustomControl {
public:
  explicit TMouseControl(TComponent* owner) : TCustomControl(owner) {}

  // Whether the mouse is over the control (between its first move and its leaving).
  bool MouseInside() const { return mouseInside_; }
  // Whether the left button went down on the control and is not released yet.
  bool Held() const { return held_; }
  // Whether it is held down with the mouse over it.
  bool Pressed() const { return held_ && heldInside_; }

  TNotifyEvent OnClick;
  TNotifyEvent OnMouseEnter;
  // x and y are relative to the control's top-left corner, in 96-dpi units as its bounds are.
  TMouseMoveEvent OnMouseMove;
  TNotifyEvent OnMouseLeave;

protected:
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  virtual void DoClick();
  virtual void DoMouseEnter();
  virtual void DoMouseMove(TShiftState shift, int x, int y);
  virtual void DoMouseLeave();
  // MouseInside, Held or Pressed changed, for controls that show them.
  virtual void MouseStateChanged() {}

private:
  bool Contains(LPARAM point) const;

  bool mouseInside_ = false;
  bool held_ = false;
  bool heldInside_ = false;
};

} // namespace hivelark
