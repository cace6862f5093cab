#pragma once

#include "controls/Panel.h"
#include "framework/Form.h"
#include "framework/Input.h"

#include <windows.h>

#include <functional>

namespace hivelark {

// The program's name and version: the About box's caption and title line, and the application
// title under which the program runs (which also names its single-instance guard).
inline constexpr char kApplicationTitle[] = "Hivelark 1.0";

class TBitmapImage;
class TCustomLabel;
class TPaintedControl;
class TsBitBtn;
class TsLabelFX;

// The About box: the program's name and version over a soft shadow, a tagline, the makers and the
// year, a link to the makers' web page and their picture; OK (or Enter) closes it with mrOk, the
// close box with mrCancel, Escape does nothing. Created hidden at start-up, without a native
// window until it is first shown; closing only hides it, so from its first showing on a hidden
// window titled with the application title exists until exit. Centred on the screen the first time,
// it reopens where it was last closed. Main thread only.
class TAboutBox : public TForm {
public:
  explicit TAboutBox(TComponent* owner);
  ~TAboutBox() override;

  // The controls, in the order the box declares them. The box owns them all.
  TPanel* Panel1 = nullptr;
  TCustomLabel* Copyright = nullptr;
  TCustomLabel* Comments = nullptr;
  TsBitBtn* sBitBtn1 = nullptr;
  TBitmapImage* Image1 = nullptr;
  TsLabelFX* sLabelFX1 = nullptr;
  TCustomLabel* sLabel1 = nullptr;

  // The link: blue with the hand pointer while the mouse is over it, black when it leaves.
  void CommentsClick(TComponent* sender);
  void CommentsMouseMove(TComponent* sender, TShiftState shift, int x, int y);
  void CommentsMouseLeave(TComponent* sender);
  void Image1Click(TComponent* sender);
  void Image1MouseMove(TComponent* sender, TShiftState shift, int x, int y);
  void Image1MouseLeave(TComponent* sender);

  // How the link and the picture hand their address to the shell: ShellExecuteA's arguments, the
  // result not examined. Replaceable, so that a test sees the request without starting a browser.
  using TShellExecute =
      std::function<void(HWND owner, const char* verb, const char* file, const char* parameters,
                         const char* directory, int showCommand)>;
  TShellExecute ShellExecuteHandler;

private:
  // Opens the sender's hint (the web page address) with the verb "Open".
  void OpenHint(TPaintedControl* sender);
};

// The About box of the running program, created at start-up.
extern TAboutBox* AboutBox;

} // namespace hivelark
