#include "main/frmMain.h"

#include <memory>

namespace hivelark {

TForm1::TForm1(TComponent* owner) : TForm(owner) {
  SetName("Form1");
  SetText("Hivelark");
  SetBorderStyle(TBorderStyle::Single);
  SetBorderIcons(/*minimize=*/true, /*maximize=*/false);
  SetPosition(TPosition::ScreenCenter);
  SetClientSize(503, 502);
  SetFont(std::make_shared<TFont>("Tahoma", 11));
  SetShowHint(true);
}

} // namespace hivelark
