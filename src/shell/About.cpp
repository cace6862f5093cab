#include "shell/About.h"

#include <memory>

namespace hivelark {

TAboutBox* AboutBox = nullptr;

TAboutBox::TAboutBox(TComponent* owner) : TForm(owner) {
  SetName("AboutBox");
  SetText("Hivelark 1.0");
  SetBorderStyle(TBorderStyle::Dialog);
  SetPosition(TPosition::ScreenCenter);
  SetClientSize(298, 274);
  SetFont(std::make_shared<TFont>("MS Sans Serif", 11));
}

} // namespace hivelark
