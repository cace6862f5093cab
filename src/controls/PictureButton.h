#pragma once

#include "controls/StdCtrls.h"
#include "imaging/AlphaPicture.h"
#include "imaging/DpiArtwork.h"

#include <windows.h>

#include <string>

namespace hivelark {

// A picture that acts as a push button. It is the platform's button, owner-drawn, so that the
// keyboard reaches it as any button (a tab stop; Space on release and Enter press it) and screen
// readers announce it as a button named by its text. The text names the button but is not drawn:
// the control shows only its PNG picture, with its transparency, over what its parent shows behind
// it, and the focus rectangle while keyboard cues are shown. It reports the mouse entering and
// leaving it; a double click is one click. Main thread only.
class TImage : public TButton {
public:
  explicit TImage(TComponent* owner);

  // Shows the PNG artwork `name` of the program, at its size for the button's DPI.
  void SetPicture(std::string name);
  const AlphaPicture& Picture() const { return picture_.Get(); }

  // Whether the mouse is over the picture (between its first move and its leaving).
  bool MouseInside() const { return mouseInside_; }

  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

protected:
  void CreateParams(TCreateParams& params) override;
  void AfterCreateHandle() override;
  void OnDpiChanged() override;
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool OnDrawItem(DRAWITEMSTRUCT* item) override;

private:
  bool ShowsFocusRectangle(UINT itemState) const;

  TDpiArtwork<AlphaPicture> picture_;
  bool mouseInside_ = false;
};

} // namespace hivelark
