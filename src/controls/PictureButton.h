#pragma once

#include "controls/PaintedControl.h"
#include "imaging/AlphaPicture.h"

namespace hivelark {

// A picture that acts as a button: it draws a PNG picture with its transparency over what its
// parent shows behind it and reports clicks and the mouse entering and leaving it.
class TImage : public TPaintedControl {
public:
  explicit TImage(TComponent* owner);

  void SetPicture(AlphaPicture picture);
  const AlphaPicture& Picture() const { return picture_; }

protected:
  void CreateParams(TCreateParams& params) override;
  void Paint(HDC dc, const RECT& client) override;

private:
  AlphaPicture picture_;
};

} // namespace hivelark
