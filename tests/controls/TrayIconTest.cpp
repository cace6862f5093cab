#include "controls/Menus.h"
#include "controls/TrayIcon.h"
#include "framework/Application.h"
#include "framework/Exception.h"
#include "framework/Messages.h"
#include "support/WindowDriver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace hivelark;
using namespace testing_support;

namespace {

struct ShellCall {
  DWORD message;
  NOTIFYICONDATAA data;
};

// An icon on a form, with the shell replaced by a recorder that answers `shellAnswer`.
struct TrayOnForm {
  TrayOnForm() {
    application.SetTitle("Hivelark 1.0");
    owner = application.CreateForm<TForm>();
    tray = new TTrayIcon(owner);
    tray->SetShellNotify([this](DWORD message, NOTIFYICONDATAA& data) {
      calls.push_back({message, data});
      return shellAnswer;
    });
  }
  // What the shell sends when the mouse acts on the icon.
  LRESULT Report(UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessageA(tray->IconData().hWnd, message, wParam, lParam);
  }
  void ReportMouse(UINT mouseMessage) {
    Report(WM_TRAYICON_CALLBACK, tray->IconData().uID, mouseMessage);
  }

  TApplication application;
  TForm* owner;
  TTrayIcon* tray;
  std::vector<ShellCall> calls;
  BOOL shellAnswer = TRUE;
};

// Moves the pointer and tells whether it is really there. Under Wine a move is refused while
// another program holds the pointer, yet the next position read within 100 ms still says it
// moved; after that the real position shows.
::testing::AssertionResult PointerMovedTo(int x, int y) {
  SetCursorPos(x, y);
  Sleep(150);
  POINT at{};
  GetCursorPos(&at);
  if (at.x == x && at.y == y) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << "the pointer stayed at " << at.x << "," << at.y << ": another program holds it";
}

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& error) {
    return error.what();
  }
  return "";
}

} // namespace

TEST(TrayIcon, RecordIsPreparedAtCreationAndFollowsHintIconAndVisible) {
  TrayOnForm form;
  const NOTIFYICONDATAA& data = form.tray->IconData();
  // The layout with the balloon fields, as every shell since Windows 2000 takes it.
  EXPECT_EQ(data.cbSize, sizeof(void*) == 4 ? 488u : 504u);
  EXPECT_TRUE(IsWindow(data.hWnd));
  EXPECT_FALSE(IsWindowVisible(data.hWnd));
  EXPECT_EQ(data.uID, static_cast<UINT>(reinterpret_cast<UINT_PTR>(data.hWnd)));
  EXPECT_EQ(data.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
  EXPECT_EQ(data.uCallbackMessage, 0x0401u);
  EXPECT_STREQ(data.szTip, "Hivelark 1.0") << "the application title until a hint is set";
  EXPECT_EQ(data.hIcon, nullptr);
  EXPECT_TRUE(form.calls.empty()) << "nothing goes to the shell before Visible";

  form.tray->SetHint("Click to open");
  form.tray->SetVisible(true);
  ASSERT_EQ(form.calls.size(), 2u);
  EXPECT_EQ(form.calls[0].message, static_cast<DWORD>(NIM_ADD));
  EXPECT_STREQ(form.calls[0].data.szTip, "Click to open");
  EXPECT_NE(form.calls[0].data.hIcon, nullptr) << "the application icon is shown";
  EXPECT_EQ(form.calls[1].message, static_cast<DWORD>(NIM_SETVERSION)) << "asks for the keyboard";
  EXPECT_EQ(form.calls[1].data.uVersion, static_cast<UINT>(NOTIFYICON_VERSION));
  EXPECT_EQ(form.calls[1].data.cbSize, data.cbSize);

  const std::string longHint(200, 'h');
  form.tray->SetHint(longHint);
  form.tray->SetHint(longHint);
  ASSERT_EQ(form.calls.size(), 3u) << "an unchanged hint is not sent again";
  EXPECT_EQ(form.calls[2].message, static_cast<DWORD>(NIM_MODIFY));
  EXPECT_EQ(form.calls[2].data.uTimeout, 0u) << "the version is not left in the record";
  EXPECT_EQ(std::string(form.calls[2].data.szTip), longHint.substr(0, 127));
  EXPECT_EQ(form.tray->Hint(), longHint);

  form.tray->SetHint("");
  EXPECT_EQ(form.calls.back().data.uFlags & NIF_TIP, 0u);
  EXPECT_STREQ(form.calls.back().data.szTip, "");

  form.tray->SetIcon(LoadIconA(nullptr, IDI_ASTERISK));
  EXPECT_EQ(form.calls.back().message, static_cast<DWORD>(NIM_MODIFY));
  EXPECT_EQ(form.calls.back().data.hIcon, form.tray->Icon());
  EXPECT_NE(form.tray->Icon(), LoadIconA(nullptr, IDI_ASTERISK)) << "the icon is copied";

  delete form.tray;
  EXPECT_EQ(form.calls.back().message, static_cast<DWORD>(NIM_DELETE));
}

TEST(TrayIcon, IconRefusedWhileLoadingComesWithTheTaskbarOtherRefusalsAreErrors) {
  TrayOnForm form;
  form.shellAnswer = FALSE;
  EXPECT_EQ(ErrorOf([&] { form.tray->SetVisible(true); }), "") << "a start before the shell runs";
  EXPECT_FALSE(form.tray->Shown());
  form.shellAnswer = TRUE;
  form.Report(RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_TRUE(form.tray->Shown());
  ASSERT_GE(form.calls.size(), 2u);
  EXPECT_EQ(form.calls[form.calls.size() - 2].message, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(form.calls.back().message, static_cast<DWORD>(NIM_SETVERSION))
      << "each new taskbar is asked for the keyboard again";
  form.shellAnswer = FALSE;
  EXPECT_EQ(ErrorOf([&] { form.tray->SetVisible(false); }), "");
  form.tray->FinishLoading();
  EXPECT_EQ(ErrorOf([&] { form.tray->SetVisible(true); }), "Cannot create shell notification icon");
  EXPECT_EQ(ErrorOf([&] { form.tray->SetVisible(false); }),
            "Cannot remove shell notification icon");
}

TEST(TrayIcon, ClickComesOnTheReleaseOfAReportedPressOnly) {
  TrayOnForm form;
  std::vector<std::string> events;
  auto record = [&](const char* kind, int button, TShiftState shift, int x, int y) {
    events.push_back(Format("%s %d %u %d,%d", kind, button, shift, x, y));
  };
  form.tray->OnClick = [&](TComponent*) { events.push_back("click"); };
  form.tray->OnDblClick = [&](TComponent*) { events.push_back("double"); };
  form.tray->OnMouseDown = [&](TComponent*, TMouseButton button, TShiftState shift, int x, int y) {
    record("down", button, shift, x, y);
  };
  form.tray->OnMouseUp = [&](TComponent*, TMouseButton button, TShiftState shift, int x, int y) {
    record("up", button, shift, x, y);
  };
  form.tray->OnMouseMove = [&](TComponent*, TShiftState shift, int x, int y) {
    record("move", -1, shift, x, y);
  };
  ASSERT_TRUE(PointerMovedTo(150, 120));
  auto sequence = [&](std::initializer_list<UINT> reports) {
    events.clear();
    for (UINT report : reports) {
      form.ReportMouse(report);
    }
    return events;
  };
  using Events = std::vector<std::string>;
  const std::string leftDown = Format("down %d %u 150,120", mbLeft, ssLeft);
  const std::string leftUp = Format("up %d %u 150,120", mbLeft, ssLeft);
  EXPECT_EQ(sequence({WM_LBUTTONUP}), (Events{leftUp})) << "a release without a press";
  EXPECT_EQ(sequence({WM_LBUTTONDOWN, WM_LBUTTONUP}), (Events{leftDown, "click", leftUp}));
  EXPECT_EQ(sequence({WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}),
            (Events{leftDown, "click", leftUp, "double", leftUp}));
  EXPECT_EQ(sequence({WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK}), (Events{"double", "double"}));
  sequence({WM_LBUTTONDOWN, WM_MOUSEMOVE});
  EXPECT_EQ(sequence({WM_LBUTTONUP}), (Events{"click", leftUp}))
      << "a press whose release went unreported still clicks at the next release";

  BYTE keys[256] = {};
  keys[VK_SHIFT] = keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  EXPECT_EQ(sequence({WM_RBUTTONDOWN, WM_MBUTTONUP, WM_MOUSEMOVE}),
            (Events{Format("down %d %u 150,120", mbRight, ssShift | ssCtrl | ssRight),
                    Format("up %d %u 150,120", mbMiddle, ssShift | ssCtrl | ssMiddle),
                    Format("move -1 %u 150,120", ssShift | ssCtrl)}));
  keys[VK_SHIFT] = keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);

  // The keyboard on the icon: Enter or Space, or Enter after the mouse selected it. A mouse click
  // is followed by a selection that must not click again.
  EXPECT_EQ(sequence({NIN_KEYSELECT, NIN_KEYSELECT}), (Events{"click"})) << "Enter reported twice";
  EXPECT_EQ(sequence({WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSEMOVE, NIN_SELECT}),
            (Events{leftDown, "click", leftUp, "move -1 0 150,120"}));
  EXPECT_EQ(sequence({NIN_SELECT}), (Events{"click"}));

  form.tray->OnClick = nullptr;
  sequence({WM_LBUTTONDOWN, WM_LBUTTONUP});
  EXPECT_TRUE(form.tray->IsClicked()) << "without OnClick the press stays pending";
}

TEST(TrayIcon, ShellRestartAddsAVisibleIconAgainAndSessionEndRemovesIt) {
  TrayOnForm form;
  const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
  form.Report(taskbarCreated, 0, 0);
  EXPECT_TRUE(form.calls.empty()) << "a hidden icon stays hidden";
  form.tray->SetHint("Click to open");
  form.tray->SetVisible(true);
  form.Report(taskbarCreated, 0, 0);
  ASSERT_EQ(form.calls.size(), 4u);
  EXPECT_EQ(form.calls[2].message, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(std::memcmp(&form.calls[0].data, &form.calls[2].data, sizeof(NOTIFYICONDATAA)), 0);

  EXPECT_EQ(form.Report(WM_QUERYENDSESSION, 0, 0), 1);
  form.Report(WM_ENDSESSION, FALSE, 0);
  EXPECT_EQ(form.calls.size(), 4u) << "a cancelled log-off keeps the icon";
  form.Report(WM_ENDSESSION, TRUE, 0);
  EXPECT_EQ(form.calls.back().message, static_cast<DWORD>(NIM_DELETE));
}

TEST(TrayIcon, RightReleaseOpensThePopupMenuAtTheCursorAndTheChoiceRunsItsItem) {
  TrayOnForm form;
  auto* pm1 = new TPopupMenu(form.owner);
  auto* OpenHivelark1 = new TMenuItem(form.owner);
  auto* ExitHivelark1 = new TMenuItem(form.owner);
  OpenHivelark1->SetCaption("Open Hivelark");
  ExitHivelark1->SetCaption("Exit Hivelark");
  pm1->Add(OpenHivelark1);
  pm1->Add(ExitHivelark1);
  std::vector<std::string> events;
  OpenHivelark1->OnClick = [&](TComponent*) { events.push_back("open"); };
  ExitHivelark1->OnClick = [&](TComponent*) { events.push_back("exit"); };
  form.tray->OnMouseUp = [&](TComponent*, TMouseButton, TShiftState, int, int) {
    events.push_back("up");
  };
  form.tray->SetPopupMenu(pm1);
  ASSERT_TRUE(PointerMovedTo(100, 100));

  // Opens the menu by a right release and answers it with `keys`; false if no menu came.
  auto popup = [&](std::initializer_list<WPARAM> keys, RECT* menuBounds = nullptr,
                   UINT report = WM_RBUTTONUP) {
    DialogAnswerer answerer(
        "#32768", "",
        [&](HWND menu) {
          if (menuBounds != nullptr) {
            GetWindowRect(menu, menuBounds);
          }
          for (WPARAM key : keys) {
            PostMessageA(menu, WM_KEYDOWN, key, 0);
          }
        },
        menuBounds != nullptr ? 20000 : 1000);
    form.ReportMouse(report);
    answerer.Join();
    PumpUntil([] { return false; }, 200);
    return answerer.Answered();
  };

  RECT bounds{};
  ASSERT_TRUE(popup({VK_DOWN, VK_DOWN, VK_RETURN}, &bounds));
  EXPECT_EQ(events, (std::vector<std::string>{"up", "exit"}));
  EXPECT_EQ(bounds.left, 100);
  EXPECT_EQ(bounds.top, 100);
  EXPECT_FALSE(pm1->AutoPopup());
  EXPECT_EQ(pm1->PopupComponent(), form.owner);

  events.clear();
  ASSERT_TRUE(popup({VK_ESCAPE}, &bounds));
  EXPECT_EQ(events, (std::vector<std::string>{"up"})) << "Esc closes the menu without a command";

  // A shell that reports the keyboard asks for the menu after each right release too.
  form.tray->SetVisible(true);
  ASSERT_TRUE(popup({VK_ESCAPE}, nullptr, WM_CONTEXTMENU)) << "Shift+F10 or the menu key";
  EXPECT_FALSE(popup({VK_ESCAPE})) << "the release alone opens no second menu";

  delete ExitHivelark1;
  EXPECT_EQ(pm1->Items(), (std::vector<TMenuItem*>{OpenHivelark1}));
  delete pm1;
  EXPECT_FALSE(popup({VK_ESCAPE}, nullptr, WM_CONTEXTMENU))
      << "a destroyed menu is forgotten, not opened";
}

TEST(TrayIcon, PlatformShellTakesAndRemovesTheIcon) {
  TApplication application;
  application.SetTitle("Hivelark 1.0");
  auto* tray = new TTrayIcon(application.CreateForm<TForm>());
  tray->SetHint("Click to open");
  EXPECT_EQ(ErrorOf([&] { tray->SetVisible(true); }), "");
  EXPECT_TRUE(tray->KeyboardReported());
  tray->FinishLoading();
  EXPECT_EQ(ErrorOf([&] { tray->SetVisible(false); }), "");
  EXPECT_EQ(ErrorOf([&] { tray->SetVisible(true); }), "");
}
