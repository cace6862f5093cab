#pragma once

#include "controls/StdCtrls.h"
#include "imaging/AlphaPicture.h"
#include "imaging/DpiArtwork.h"

#include <windows.h>

#include <string>

namespace hivelark {

// A push button with a picture left of its caption, the two centred together. The glyph holds
// NumGlyphs images of equal width side by side: the first for the enabled button, the second (when
// there is one) for the disabled button. Clicks, the modal result and the default button work as
// for TButton. Main thread only.
class TsBitBtn : public TButton {
public:
  explicit TsBitBtn(TComponent* owner);

  // Shows the PNG artwork `name` of the program, at its size for the button's DPI.
  void SetGlyph(std::string name, int numGlyphs);
  const AlphaPicture& Glyph() const { return glyph_.Get(); }
  int NumGlyphs() const { return numGlyphs_; }

protected:
  void CreateParams(TCreateParams& params) override;
  void AfterCreateHandle() override;
  void OnDpiChanged() override;
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool OnDrawItem(DRAWITEMSTRUCT* item) override;

private:
  // Draws the frame of the button's state and returns the rectangle its content may fill.
  RECT DrawFrame(HDC dc, const RECT& bounds, UINT itemState);
  void DrawContent(HDC dc, const RECT& bounds, UINT itemState);

  TDpiArtwork<AlphaPicture> glyph_;
  int numGlyphs_ = 1;
};

} // namespace hivelark
