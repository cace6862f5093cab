#pragma once

#include "framework/Form.h"

namespace hivelark {

// The About box: created hidden at start-up, without a native window until it is first shown.
class TAboutBox : public TForm {
public:
  explicit TAboutBox(TComponent* owner);
};

// The About box of the running program, created at start-up.
extern TAboutBox* AboutBox;

} // namespace hivelark
