#include "framework/Application.h"
#include "main/frmMain.h"
#include "shell/About.h"
#include "app/Startup.h"
#include "support/ProgramProcess.h"
#include "support/WindowDriver.h"

#include <gtest/gtest.h>

#include <string>

using namespace hivelark;
using namespace testing_support;

namespace {

// Not the program's title: the single-instance guard must never find a running Hivelark.
constexpr char kTestTitle[] = "Hivelark start-up tests";

} // namespace

TEST(Startup, WindowsAreCreatedInOrderWithTheirTitles) {
  TApplication application;
  CreateHivelarkForms(application, kTestTitle);
  EXPECT_EQ(WindowText(application.Handle()), "") << "the application window stays untitled";
  EXPECT_EQ(application.Title(), kTestTitle);

  auto* main = dynamic_cast<TForm1*>(application.MainForm());
  ASSERT_NE(main, nullptr) << "the main window is the first form created";
  ASSERT_TRUE(main->HandleAllocated()) << "its native window exists, still hidden";
  EXPECT_FALSE(IsWindowVisible(main->WindowHandle()));
  EXPECT_EQ(WindowText(main->WindowHandle()), "Hivelark");

  ASSERT_NE(AboutBox, nullptr);
  EXPECT_FALSE(AboutBox->HandleAllocated()) << "no native window until first shown";
  EXPECT_EQ(AboutBox->Text(), "Hivelark 1.0");
  ASSERT_EQ(application.Components().size(), 2u);
  EXPECT_EQ(application.Components()[0], main);
  EXPECT_EQ(application.Components()[1], AboutBox);
}

TEST(Startup, MainWindowSettings) {
  TApplication application;
  CreateHivelarkForms(application, kTestTitle);
  HWND main = application.MainForm()->WindowHandle();
  RECT client;
  GetClientRect(main, &client);
  EXPECT_EQ(client.right, 503);
  EXPECT_EQ(client.bottom, 502);
  const auto style = static_cast<DWORD>(GetWindowLongPtrA(main, GWL_STYLE));
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME) << "single fixed border";
  EXPECT_EQ(GetWindow(main, GW_OWNER), nullptr) << "the main window carries the taskbar button";
  EXPECT_EQ(application.MainForm()->Font()->Name(), "Tahoma");
  EXPECT_EQ(application.MainForm()->Font()->Height(), 11);
}

TEST(Startup, QuitRequestDuringStartupLetsStartupFinishThenEndsTheLoop) {
  TApplication application;
  // Posted before the windows exist, as the single-instance check does while the main window
  // is being built.
  application.Terminate();
  CreateHivelarkForms(application, kTestTitle);
  application.Run();
  EXPECT_TRUE(application.Terminated());
  ASSERT_NE(AboutBox, nullptr) << "the About box was still created";
  EXPECT_TRUE(IsWindowVisible(application.MainForm()->WindowHandle()))
      << "the main window was still shown";
}

TEST(Program, EndsWithExitCodeZeroWhenTheMainWindowCloses) {
  ProgramProcess program(SW_SHOWNORMAL);
  ASSERT_TRUE(program.Started());
  HWND main = program.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  EXPECT_FALSE(IsZoomed(main));
  EXPECT_FALSE(IsIconic(main));
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(program.WaitForExit(20000), 0u);
}

TEST(Program, ShowCommandMaximisedOpensTheMainWindowMaximised) {
  ProgramProcess program(SW_SHOWMAXIMIZED);
  ASSERT_TRUE(program.Started());
  HWND main = program.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(IsZoomed(main)) << "although its title bar has no maximise button";
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(program.WaitForExit(20000), 0u);
}
