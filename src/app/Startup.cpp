#include "app/Startup.h"

#include "framework/Application.h"
#include "main/frmMain.h"
#include "shell/About.h"

namespace hivelark {

void CreateHivelarkForms(TApplication& application, const char* title) {
  application.SetMainFormOnTaskBar(true);
  application.SetTitle(title);
  application.CreateForm<TForm1>();
  AboutBox = application.CreateForm<TAboutBox>();
}

int RunHivelark() {
  TApplication application;
  try {
    CreateHivelarkForms(application, kApplicationTitle);
  } catch (...) {
    // Without its main window the program cannot run: say why and end.
    application.HandleException(std::current_exception());
    return 1;
  }
  application.Run();
  AboutBox = nullptr;
  return 0;
}

} // namespace hivelark
