#pragma once

#include "framework/Form.h"

namespace hivelark {

// The main window: the one window the user works in.
class TForm1 : public TForm {
public:
  explicit TForm1(TComponent* owner);
};

} // namespace hivelark
