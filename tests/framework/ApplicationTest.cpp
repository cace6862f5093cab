#include "framework/Application.h"
#include "framework/Exception.h"
#include "framework/Form.h"
#include "support/WindowDriver.h"

#include <objbase.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace hivelark;
using namespace testing_support;

namespace {

constexpr UINT WM_TEST_THROW = WM_APP + 100;
constexpr UINT WM_TEST_MARK = WM_APP + 101;

// A form whose handler raises whatever exception the test hands it.
class ThrowingForm : public TForm {
public:
  explicit ThrowingForm(TComponent* owner) : TForm(owner) { SetClientSize(200, 100); }
  std::function<void()> raise;
  int marks = 0;

protected:
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_TEST_THROW) {
      raise();
      return 0;
    }
    if (message == WM_TEST_MARK) {
      ++marks;
      return 0;
    }
    return TForm::WndProc(message, wParam, lParam);
  }
};

struct ErrorBoxSeen {
  std::string text;
  int buttons = 0;
  int icons = 0;
  HICON icon = nullptr;
};

BOOL CALLBACK TakeShownIcon(HWND child, LPARAM seen) {
  if (WindowClass(child) == "Static" &&
      (GetWindowLongPtrA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
    reinterpret_cast<ErrorBoxSeen*>(seen)->icon =
        reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    return FALSE;
  }
  return TRUE;
}

// Raises `raise` inside a handler, answers the error box that follows and reports what it showed.
// Also checks that the loop goes on afterwards.
ErrorBoxSeen RaiseInHandler(std::function<void()> raise) {
  TApplication application;
  application.SetTitle("Hivelark 1.0");
  auto* form = application.CreateForm<ThrowingForm>();
  form->raise = std::move(raise);
  ErrorBoxSeen seen;
  DialogAnswerer answerer("#32770", "Hivelark 1.0", [&seen](HWND box) {
    HWND text = GetDlgItem(box, 0xFFFF);
    seen.text = WindowText(text);
    seen.buttons = CountChildren(box, "Button");
    seen.icons = CountChildren(box, "Static", SS_ICON);
    EnumChildWindows(box, TakeShownIcon, reinterpret_cast<LPARAM>(&seen));
    PressButton(box, "OK");
  });
  PostMessageA(form->Handle(), WM_TEST_THROW, 0, 0);
  PostMessageA(form->Handle(), WM_TEST_MARK, 0, 0);
  while (form->marks == 0 && application.HandleMessage()) {
  }
  EXPECT_EQ(form->marks, 1) << "the loop must go on after the error box";
  answerer.Join();
  return seen;
}

} // namespace

TEST(ErrorBox, FullStopIsAppendedOnlyAfterCharactersThatSortAfterIt) {
  EXPECT_EQ(ErrorBoxText("abc"), "abc.");
  EXPECT_EQ(ErrorBoxText("abc."), "abc.");
  EXPECT_EQ(ErrorBoxText("abc!"), "abc!");
  EXPECT_EQ(ErrorBoxText("Key: 42"), "Key: 42.");
  EXPECT_EQ(ErrorBoxText("(tab)"), "(tab)") << "')' sorts before '.'";
  EXPECT_EQ(ErrorBoxText(""), "");
  EXPECT_EQ(ErrorBoxText("caf\xE9"), "caf\xE9.") << "8-bit characters sort after '.'";
}

TEST(ErrorBox, ExceptionEscapingAHandlerIsShownAndTheLoopGoesOn) {
  const ErrorBoxSeen seen = RaiseInHandler([] { throw Exception("abc"); });
  EXPECT_EQ(seen.text, "abc.");
  EXPECT_EQ(seen.buttons, 1);
  EXPECT_EQ(seen.icons, 1);
  EXPECT_EQ(seen.icon, LoadIconA(nullptr, IDI_HAND)) << "the error icon";
  EXPECT_EQ(RaiseInHandler([] { throw Exception("abc!"); }).text, "abc!");
  EXPECT_EQ(RaiseInHandler([] { throw Exception("abc."); }).text, "abc.");
}

TEST(ErrorBox, SilentAbortShowsNothing) {
  TApplication application;
  application.SetTitle("Hivelark 1.0");
  auto* form = application.CreateForm<ThrowingForm>();
  form->raise = [] { Abort(); };
  DialogAnswerer answerer(
      "#32770", "Hivelark 1.0", [](HWND box) { PressButton(box, "OK"); }, 1500);
  PostMessageA(form->Handle(), WM_TEST_THROW, 0, 0);
  PostMessageA(form->Handle(), WM_TEST_MARK, 0, 0);
  while (form->marks == 0 && application.HandleMessage()) {
  }
  answerer.Join();
  EXPECT_FALSE(answerer.Answered());
}

TEST(Application, KeepsTheMainThreadInASingleThreadedApartmentForItsLife) {
  {
    TApplication application;
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
  }
  const HRESULT afterwards = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  EXPECT_EQ(afterwards, S_OK) << "COM ends with the application";
  if (SUCCEEDED(afterwards)) {
    CoUninitialize();
  }
}

TEST(Application, TitleIsOnlyStoredWhileTheMainFormCarriesTheTaskbarButton) {
  TApplication application;
  EXPECT_FALSE(WindowText(application.Handle()).empty());
  application.SetMainFormOnTaskBar(true);
  EXPECT_EQ(WindowText(application.Handle()), "");
  application.SetTitle("Hivelark 1.0");
  EXPECT_EQ(application.Title(), "Hivelark 1.0");
  EXPECT_EQ(WindowText(application.Handle()), "");
  EXPECT_FALSE(IsWindowVisible(application.Handle()));
}

TEST(Application, FirstFormCreatedIsTheMainFormAndGetsItsWindowAtOnce) {
  TApplication application;
  auto* first = application.CreateForm<TForm>();
  auto* second = application.CreateForm<TForm>();
  EXPECT_EQ(application.MainForm(), first);
  EXPECT_TRUE(first->HandleAllocated());
  EXPECT_FALSE(IsWindowVisible(first->WindowHandle()));
  EXPECT_FALSE(second->HandleAllocated());
}

TEST(Application, QuitRequestLetsQueuedWorkFinishThenEndsTheLoop) {
  TApplication application;
  auto* form = application.CreateForm<ThrowingForm>();
  application.Terminate();
  EXPECT_FALSE(application.MainForm()->Visible()) << "nothing stops at once";
  PostMessageA(form->Handle(), WM_TEST_MARK, 0, 0);
  application.Run();
  EXPECT_TRUE(application.Terminated());
  EXPECT_EQ(form->marks, 1) << "work already queued is done before the loop ends";
  EXPECT_TRUE(form->Visible()) << "the loop still showed the main form";
}

TEST(Application, ClosingTheMainFormEndsTheLoopAndRunsTheDestructionHandlers) {
  std::vector<std::string> events;
  {
    TApplication application;
    auto* main = application.CreateForm<TForm>();
    auto* other = application.CreateForm<TForm>();
    main->OnDestroy = [&events](TComponent*) { events.push_back("main destroyed"); };
    other->OnDestroy = [&events](TComponent*) { events.push_back("other destroyed"); };
    other->Show();
    other->Close();
    EXPECT_FALSE(other->Visible()) << "closing another form only hides it";
    EXPECT_FALSE(application.Terminated());
    PostMessageA(main->Handle(), WM_CLOSE, 0, 0);
    application.Run();
    EXPECT_TRUE(application.Terminated());
    events.push_back("loop ended");
  }
  EXPECT_EQ(events, (std::vector<std::string>{"loop ended", "other destroyed", "main destroyed"}));
}
