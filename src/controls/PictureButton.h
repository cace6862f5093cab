#pragma once

#include "framework/Window.h"
#include "imaging/AlphaPicture.h"

namespace hivelark {

// A picture that acts as a button: it draws a PNG picture with its transparency over its parent's
// background and reports clicks and the mouse entering and leaving it.
class TImage : public TWindow {
public:
  explicit TImage(TComponent* owner);

  void SetPicture(AlphaPicture picture);
  const AlphaPicture& Picture() const { return picture_; }

  TNotifyEvent OnClick;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

  bool MouseInside() const { return mouseInside_; }

protected:
  void CreateParams(TCreateParams& params) override;
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  virtual void DoClick();
  virtual void DoMouseEnter();
  virtual void DoMouseLeave();

private:
  void Paint(HDC dc);

  AlphaPicture picture_;
  bool mouseInside_ = false;
  bool pressed_ = false;
};

} // namespace hivelark
