#include "framework/Application.h"
#include "framework/Component.h"
#include "framework/Exception.h"
#include "framework/Form.h"
#include "framework/Window.h"
#include "support/WindowDriver.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using namespace hivelark;
using namespace testing_support;

namespace {

std::vector<std::string>* journal = nullptr;

// GCC 12 takes the delete of a component whose destructor it inlines next to its new for a
// mismatched pair: it does not know the destroying delete.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
class JournalComponent : public TComponent {
public:
  JournalComponent(TComponent* owner, std::string name) : TComponent(owner) { SetName(name); }
  ~JournalComponent() override { journal->push_back("destroy " + Name()); }
  void AfterLoad() override { journal->push_back("load " + Name()); }
};
#pragma GCC diagnostic pop

// A standard push button driven through the window base, as the controls of the program are.
class TestButton : public TWindow {
public:
  explicit TestButton(TComponent* owner) : TWindow(owner) { SetTabStop(true); }
  int clicks = 0;
  std::function<void()> onClick;

protected:
  void CreateParams(TCreateParams& params) override {
    params.className = "BUTTON";
    params.subclassStandardControl = true;
    params.style = BS_PUSHBUTTON;
  }
  bool OnCommandNotification(WORD code) override {
    if (code == BN_CLICKED) {
      ++clicks;
      if (onClick) {
        onClick();
      }
      return true;
    }
    return false;
  }
};

class TestEdit : public TWindow {
public:
  explicit TestEdit(TComponent* owner) : TWindow(owner) { SetTabStop(true); }

protected:
  void CreateParams(TCreateParams& params) override {
    params.className = "EDIT";
    params.subclassStandardControl = true;
    params.style = ES_AUTOHSCROLL;
    params.exStyle = WS_EX_CLIENTEDGE;
  }
};

} // namespace

TEST(Component, OwnerLoadsInCreationOrderAndDestroysLastCreatedFirstBeforeItself) {
  std::vector<std::string> events;
  journal = &events;
  auto* owner = new JournalComponent(nullptr, "owner");
  new JournalComponent(owner, "first");
  auto* second = new JournalComponent(owner, "second");
  new JournalComponent(second, "inner");
  new JournalComponent(owner, "third");
  EXPECT_EQ(owner->Components().size(), 3u);
  owner->FinishLoading();
  EXPECT_FALSE(owner->Loading());
  delete owner;
  EXPECT_EQ(events, (std::vector<std::string>{"load first", "load second", "load third",
                                              "load owner", "destroy third", "destroy inner",
                                              "destroy second", "destroy first", "destroy owner"}));
  journal = nullptr;
}

TEST(Component, ComponentDestroyedBeforeItsOwnerLeavesTheOwnersList) {
  std::vector<std::string> events;
  journal = &events;
  {
    JournalComponent owner(nullptr, "owner");
    auto* early = new JournalComponent(&owner, "early");
    new JournalComponent(&owner, "late");
    delete early;
    EXPECT_EQ(owner.Components().size(), 1u);
  }
  EXPECT_EQ(events, (std::vector<std::string>{"destroy early", "destroy owner", "destroy late"}));
  journal = nullptr;
}

namespace {

// A child whose native window, as it goes, sends its parent a notification and raises an event of
// its own, as a control that had the focus reports losing it.
class DyingChild : public TWindow {
public:
  using TWindow::TWindow;
  TNotifyEvent OnExit;

protected:
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_DESTROY) {
      SendMessageA(GetParent(WindowHandle()), WM_COMMAND, MAKEWPARAM(ControlId(), EN_KILLFOCUS),
                   reinterpret_cast<LPARAM>(WindowHandle()));
      OnExit(this);
    }
    return TWindow::WndProc(message, wParam, lParam);
  }
  bool OnCommandNotification(WORD code) override {
    if (code == EN_KILLFOCUS) {
      OnExit(this);
      return true;
    }
    return false;
  }
};

class TeardownForm : public TForm {
public:
  explicit TeardownForm(TComponent* owner) : TForm(owner) {
    auto* child = new DyingChild(this);
    child->SetParent(this);
    child->OnExit = [this](TComponent*) { NoteChildEvent(); };
  }
  void NoteChildEvent() { journal->push_back("event reached the form"); }

private:
  struct MemberWitness {
    ~MemberWitness() { journal->push_back("form's members destroyed"); }
  } witness_;
};

} // namespace

TEST(Form, EventsOfChildrenDuringTeardownNeverReachADestroyedForm) {
  std::vector<std::string> events;
  journal = &events;
  {
    TApplication application;
    application.CreateForm<TeardownForm>()->Show();
  }
  EXPECT_NE(std::find(events.begin(), events.end(), "event reached the form"), events.end());
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back(), "form's members destroyed");
  journal = nullptr;
}

TEST(Window, PropertiesSetBeforeTheNativeWindowExistsAreAppliedWhenItIsCreated) {
  TApplication application;
  application.CreateForm<TForm>();
  // Not the main form: its native window waits until something needs it.
  auto* form = application.CreateForm<TForm>();
  auto* edit = new TestEdit(form);
  edit->SetParent(form);
  edit->SetBounds(10, 20, 150, 21);
  edit->SetText("typed");
  edit->SetEnabled(false);
  ASSERT_FALSE(form->HandleAllocated());
  ASSERT_FALSE(edit->HandleAllocated());
  HWND handle = edit->Handle();
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(GetParent(handle), form->WindowHandle());
  EXPECT_EQ(WindowText(handle), "typed");
  EXPECT_FALSE(IsWindowEnabled(handle));
  EXPECT_EQ(edit->Left(), 10);
  EXPECT_EQ(edit->Top(), 20);
  EXPECT_EQ(edit->Width(), 150);
  EXPECT_EQ(TWindow::FromHandle(handle), edit);
  // And after it exists, the setters act on it directly.
  edit->SetText("changed");
  EXPECT_EQ(WindowText(handle), "changed");
  edit->SetBounds(12, 22, 100, 21);
  RECT rect;
  GetWindowRect(handle, &rect);
  EXPECT_EQ(rect.right - rect.left, 100);
  EXPECT_EQ(edit->Text(), "changed");
}

TEST(Window, ChildNotificationsReachTheControlTheyConcern) {
  TApplication application;
  auto* form = application.CreateForm<TForm>();
  auto* button = new TestButton(form);
  button->SetParent(form);
  button->SetBounds(10, 10, 75, 25);
  button->SetText("Press");
  form->Show();
  SendMessageA(button->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(button->clicks, 1);
}

TEST(Window, InheritedFontFollowsTheParent) {
  TApplication application;
  auto* form = application.CreateForm<TForm>();
  auto* edit = new TestEdit(form);
  edit->SetParent(form);
  edit->Handle();
  auto font = std::make_shared<TFont>("Tahoma", 11);
  form->SetFont(font);
  EXPECT_EQ(edit->Font(), font);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(edit->WindowHandle(), WM_GETFONT, 0, 0)),
            font->Handle(edit->Dpi()));
}

// A bitmap face has no glyphs at twice its size: there the font is an outline face of that size.
TEST(Font, ABitmapFaceAtAnotherDpiGivesWayToAnOutlineFaceOfTheScaledSize) {
  const TFont font("MS Sans Serif", 19, true);
  WindowDC screen(nullptr);
  for (int dpi : {96, 192}) {
    SCOPED_TRACE(dpi);
    SelectObjectScope select(screen.get(), font.Handle(dpi));
    TEXTMETRICA metrics{};
    ASSERT_TRUE(GetTextMetricsA(screen.get(), &metrics));
    const bool outline = (metrics.tmPitchAndFamily & (TMPF_VECTOR | TMPF_TRUETYPE)) != 0;
    if (dpi == 96) {
      char face[LF_FACESIZE] = "";
      GetTextFaceA(screen.get(), LF_FACESIZE, face);
      EXPECT_STREQ(face, "MS Sans Serif");
    } else {
      EXPECT_TRUE(outline);
      EXPECT_NEAR(metrics.tmHeight - metrics.tmInternalLeading, 38, 1);
    }
  }
}

TEST(Form, ANewDpiPlacesEveryWindowAtItsUnitsScaledAndGivesItsFontAtThatDpi) {
  TApplication application;
  auto* form = application.CreateForm<TForm>();
  form->SetClientSize(503, 502);
  auto font = std::make_shared<TFont>("Tahoma", 11);
  form->SetFont(font);
  auto* group = new TWindow(form);
  group->SetParent(form);
  group->SetBounds(8, 70, 487, 44);
  auto* button = new TestButton(form);
  button->SetParent(group);
  button->SetBounds(17, 30, 149, 21);
  form->Show();
  const int designDpi = form->Dpi();
  const RECT designPlace = RectInParent(button->WindowHandle());

  auto expectPlace = [&](int dpi, int left, const char* when) {
    SCOPED_TRACE(when);
    EXPECT_EQ(form->Dpi(), dpi);
    const RECT place = RectInParent(button->WindowHandle());
    EXPECT_EQ(place.left, MulDiv(left, dpi, 96));
    EXPECT_EQ(place.top, MulDiv(30, dpi, 96));
    EXPECT_EQ(place.right - place.left, MulDiv(149, dpi, 96));
    EXPECT_EQ(place.bottom - place.top, MulDiv(21, dpi, 96));
    EXPECT_EQ(button->Left(), left);
    EXPECT_EQ(button->Width(), 149);
    const auto used =
        reinterpret_cast<HFONT>(SendMessageA(button->WindowHandle(), WM_GETFONT, 0, 0));
    EXPECT_EQ(used, font->Handle(dpi));
    LOGFONTA description{};
    GetObjectA(used, sizeof(description), &description);
    EXPECT_EQ(description.lfHeight, -MulDiv(11, dpi, 96));
  };
  // A move to a monitor of half as many dots again, on a system that suggests the whole window
  // scaled (and here draws the frame at the screen's DPI, as systems before Windows 10 1703 do):
  // the window goes where suggested, with its client area's units scaled. Later systems ask the
  // size beforehand.
  const int dpi = designDpi * 3 / 2;
  RECT frame;
  GetWindowRect(form->WindowHandle(), &frame);
  const RECT suggested{10, 20, 10 + MulDiv(frame.right - frame.left, 3, 2),
                       20 + MulDiv(frame.bottom - frame.top, 3, 2)};
  SendMessageA(form->WindowHandle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
               reinterpret_cast<LPARAM>(&suggested));
  GetWindowRect(form->WindowHandle(), &frame);
  EXPECT_EQ(frame.left, 10);
  EXPECT_EQ(frame.top, 20);
  RECT client;
  GetClientRect(form->WindowHandle(), &client);
  EXPECT_EQ(client.right, MulDiv(503, dpi, 96));
  EXPECT_EQ(client.bottom, MulDiv(502, dpi, 96));
  SIZE size{};
  EXPECT_TRUE(SendMessageA(form->WindowHandle(), WM_GETDPISCALEDSIZE, dpi,
                           reinterpret_cast<LPARAM>(&size)));
  EXPECT_GT(size.cx, client.right);
  EXPECT_GT(size.cy, client.bottom);
  expectPlace(dpi, 17, "new DPI");
  // What is written in units (a picture moved on hover) stays in units.
  button->SetBounds(button->Left() + 2, button->Top(), button->Width(), button->Height());
  expectPlace(dpi, 19, "moved by 2 units");
  button->SetBounds(button->Left() - 2, button->Top(), button->Width(), button->Height());
  SendMessageA(form->WindowHandle(), WM_DPICHANGED, MAKEWPARAM(designDpi, designDpi),
               reinterpret_cast<LPARAM>(&frame));
  expectPlace(designDpi, 17, "back");
  const RECT place = RectInParent(button->WindowHandle());
  EXPECT_TRUE(EqualRect(&place, &designPlace));
}

TEST(Form, ClientSizeBorderAndCentring) {
  TApplication application;
  auto* form = application.CreateForm<TForm>();
  form->SetBorderIcons(true, false);
  form->SetPosition(TPosition::ScreenCenter);
  form->SetClientSize(503, 502);
  form->Show();
  RECT client;
  GetClientRect(form->WindowHandle(), &client);
  EXPECT_EQ(client.right, MulDiv(503, form->Dpi(), 96));
  EXPECT_EQ(client.bottom, MulDiv(502, form->Dpi(), 96));
  EXPECT_EQ(form->ClientWidth(), 503);
  EXPECT_EQ(form->ClientHeight(), 502);
  const auto style = static_cast<DWORD>(GetWindowLongPtrA(form->WindowHandle(), GWL_STYLE));
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_TRUE(style & WS_SYSMENU);
  RECT window;
  GetWindowRect(form->WindowHandle(), &window);
  EXPECT_NEAR((window.left + window.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
  EXPECT_NEAR((window.top + window.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
}

namespace {

// A form that notes the states it passes through while it is visible.
class ShowJournalForm : public TForm {
public:
  using TForm::TForm;
  std::vector<std::string> states;

protected:
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_WINDOWPOSCHANGED && IsWindowVisible(WindowHandle())) {
      Note(IsIconic(WindowHandle())   ? "minimized"
           : IsZoomed(WindowHandle()) ? "maximized"
                                      : "normal");
    } else if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE) {
      Note("activated");
    }
    return TForm::WndProc(message, wParam, lParam);
  }

private:
  void Note(const std::string& state) {
    if (states.empty() || states.back() != state) {
      states.push_back(state);
    }
  }
};

} // namespace

TEST(Form, FirstShowUsesTheShowCommandAlone) {
  {
    TApplication application;
    auto* form = application.CreateForm<ShowJournalForm>();
    form->ShowWithCommand(SW_SHOWMINNOACTIVE);
    EXPECT_EQ(form->states, std::vector<std::string>{"minimized"})
        << "never at normal size, never active";
  }
  TApplication application;
  auto* form = application.CreateForm<ShowJournalForm>();
  form->ShowWithCommand(SW_SHOWMAXIMIZED);
  const std::vector<std::string>& states = form->states;
  EXPECT_EQ(std::count(states.begin(), states.end(), "normal"), 0) << "never at normal size first";
  EXPECT_TRUE(IsZoomed(form->WindowHandle()));
  EXPECT_TRUE(form->Visible());
}

namespace {

// The width of an icon's image, 0 for no icon.
int IconWidth(HICON icon) {
  ICONINFO info{};
  if (icon == nullptr || !GetIconInfo(icon, &info)) {
    return 0;
  }
  BITMAP bitmap{};
  GetObjectA(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return bitmap.bmWidth;
}

} // namespace

TEST(Form, WindowClassesCarryTheProgramIconInBothSizes) {
  TApplication application;
  auto* form = application.CreateForm<TForm>();
  for (HWND window : {application.Handle(), form->Handle()}) {
    const auto icon = reinterpret_cast<HICON>(GetClassLongPtrA(window, GCLP_HICON));
    const auto smallIcon = reinterpret_cast<HICON>(GetClassLongPtrA(window, GCLP_HICONSM));
    EXPECT_EQ(IconWidth(icon), GetSystemMetrics(SM_CXICON));
    // The title bar's and the taskbar's icon: the resource's small image, not a shrunk large one.
    EXPECT_EQ(IconWidth(smallIcon), GetSystemMetrics(SM_CXSMICON));
  }
}

namespace {

// A modal form that the test closes from inside its own loop.
class ModalProbe : public TForm {
public:
  explicit ModalProbe(TComponent* owner) : TForm(owner) {
    SetBorderStyle(TBorderStyle::Dialog);
    SetClientSize(200, 100);
    ok = new TestButton(this);
    ok->SetParent(this);
    ok->SetBounds(10, 10, 75, 25);
    ok->SetText("OK");
    SetDefaultButton(ok);
  }
  TestButton* ok;
  std::function<void()> whileShown;

protected:
  void DoShow() override {
    TForm::DoShow();
    if (whileShown) {
      PostMessageA(WindowHandle(), WM_APP + 7, 0, 0);
    }
  }
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_APP + 7) {
      whileShown();
      return 0;
    }
    if (message == WM_APP + 8) {
      // Sent from another thread while the modal loop runs.
      return 42;
    }
    return TForm::WndProc(message, wParam, lParam);
  }
};

} // namespace

TEST(Form, ShowModalDisablesTheOtherWindowsAndRestoresThemActivationAndFocusOnEveryExit) {
  TApplication application;
  auto* main = application.CreateForm<TForm>();
  auto* edit = new TestEdit(main);
  edit->SetParent(main);
  edit->SetBounds(10, 10, 100, 21);
  main->Show();
  SetActiveWindow(main->WindowHandle());
  edit->SetFocus();
  ASSERT_EQ(GetFocus(), edit->WindowHandle());

  auto* dialog = application.CreateForm<ModalProbe>();
  bool mainWasDisabled = false;
  LRESULT sentResult = 0;
  dialog->whileShown = [&] {
    mainWasDisabled = !IsWindowEnabled(main->WindowHandle());
    // A message sent from another thread is handled inside the modal loop.
    std::thread sender(
        [&] { sentResult = SendMessageA(dialog->WindowHandle(), WM_APP + 8, 0, 0); });
    PumpUntil([&] { return sentResult != 0; }, 5000);
    sender.join();
    dialog->SetModalResult(mrOk);
  };
  const auto expectModalStateLeft = [&] {
    EXPECT_FALSE(dialog->Modal());
    EXPECT_FALSE(dialog->Visible());
    EXPECT_TRUE(IsWindowEnabled(main->WindowHandle()));
    EXPECT_EQ(GetActiveWindow(), main->WindowHandle());
    EXPECT_EQ(GetFocus(), edit->WindowHandle());
  };
  EXPECT_EQ(dialog->ShowModal(), mrOk);
  EXPECT_TRUE(mainWasDisabled);
  EXPECT_EQ(sentResult, 42);
  expectModalStateLeft();

  dialog->OnShow = [](TComponent*) { throw std::runtime_error("refused"); };
  EXPECT_THROW(dialog->ShowModal(), std::runtime_error);
  expectModalStateLeft();

  // Hidden (in the notification area), the main window is disabled all the same, and brought back
  // meanwhile it stays disabled under the dialog.
  dialog->OnShow = nullptr;
  main->Hide();
  bool restoredDisabledUnderTheDialog = false;
  dialog->whileShown = [&] {
    RestoreToFront(main->WindowHandle());
    HWND above = main->WindowHandle();
    while (above != nullptr && above != dialog->WindowHandle()) {
      above = GetWindow(above, GW_HWNDPREV);
    }
    restoredDisabledUnderTheDialog = IsWindowVisible(main->WindowHandle()) &&
                                     !IsWindowEnabled(main->WindowHandle()) && above != nullptr;
    dialog->SetModalResult(mrOk);
  };
  EXPECT_EQ(dialog->ShowModal(), mrOk);
  EXPECT_TRUE(restoredDisabledUnderTheDialog);
  EXPECT_TRUE(IsWindowEnabled(main->WindowHandle()));
}

TEST(Window, ContainersPassDialogNavigationToTheFormAndNeverCloseAndALostTextIsAnError) {
  TApplication application;
  auto* form = application.CreateForm<TForm>();
  auto* panel = new TWindow(form);
  panel->SetParent(form);
  panel->SetBounds(0, 0, 300, 100);
  auto* first = new TestEdit(form);
  first->SetParent(panel);
  first->SetBounds(10, 10, 100, 21);
  first->SetText("typed");
  auto* second = new TestEdit(form);
  second->SetParent(panel);
  second->SetBounds(10, 40, 100, 21);
  auto* button = new TestButton(form);
  button->SetParent(panel);
  button->SetBounds(150, 10, 75, 25);
  form->SetDefaultButton(button);
  form->Show();
  first->SetFocus();

  // What a multi-line edit in dialog mode sends its parent for Tab and Enter, and posts for Esc.
  SendMessageA(panel->WindowHandle(), WM_NEXTDLGCTL, 0, 0);
  EXPECT_EQ(GetFocus(), second->WindowHandle()) << "Tab reaches the form";
  EXPECT_EQ(LOWORD(SendMessageA(panel->WindowHandle(), DM_GETDEFID, 0, 0)),
            GetDlgCtrlID(button->WindowHandle()));
  SendMessageA(panel->WindowHandle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(first->WindowHandle())) << "a container never closes";

  DestroyWindow(panel->WindowHandle());
  EXPECT_THROW(first->Text(), Exception) << "the text went with the window";
}

TEST(Form, DestroyedDefaultCancelAndActiveControlsAreForgotten) {
  TApplication application;
  auto* main = application.CreateForm<TForm>();
  main->Show();
  auto* dialog = application.CreateForm<ModalProbe>();
  dialog->SetCancelButton(dialog->ok);
  dialog->SetActiveControl(dialog->ok);
  dialog->Show();
  delete std::exchange(dialog->ok, nullptr);
  EXPECT_EQ(dialog->DefaultButton(), nullptr);
  EXPECT_EQ(dialog->CancelButton(), nullptr);
  EXPECT_EQ(dialog->ActiveControl(), nullptr);
  // Enter and Esc press nothing now, and activation has no control to focus.
  EXPECT_EQ(SendMessageA(dialog->WindowHandle(), DM_GETDEFID, 0, 0), 0);
  SendMessageA(dialog->WindowHandle(), WM_COMMAND, IDOK, 0);
  SendMessageA(dialog->WindowHandle(), WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(dialog->ModalResult(), mrNone);
  SetActiveWindow(main->WindowHandle());
  SetActiveWindow(dialog->WindowHandle());
  EXPECT_EQ(GetFocus(), dialog->WindowHandle());
}

TEST(Form, DialogKeysAndCloseBoxSetTheModalResult) {
  TApplication application;
  auto* main = application.CreateForm<TForm>();
  main->Show();
  auto* dialog = application.CreateForm<ModalProbe>();
  dialog->whileShown = [&] {
    dialog->SetModalResult(mrNone);
    PostMessageA(dialog->WindowHandle(), WM_CLOSE, 0, 0);
  };
  EXPECT_EQ(dialog->ShowModal(), mrCancel) << "the close box gives Cancel";

  dialog->ok->onClick = [&] { dialog->SetModalResult(mrOk); };
  dialog->whileShown = [&] {
    EXPECT_EQ(LOWORD(SendMessageA(dialog->WindowHandle(), DM_GETDEFID, 0, 0)),
              GetDlgCtrlID(dialog->ok->WindowHandle()));
    // The modal loop's dialog navigation turns Enter into a press of the default button.
    PostMessageA(dialog->WindowHandle(), WM_KEYDOWN, VK_RETURN, 0);
  };
  EXPECT_EQ(dialog->ShowModal(), mrOk);
  EXPECT_EQ(dialog->ok->clicks, 1) << "Enter presses the default button";
}

TEST(Form, QuitRequestEndsAModalLoopAndStillEndsTheMainLoop) {
  TApplication application;
  auto* main = application.CreateForm<TForm>();
  main->Show();
  auto* dialog = application.CreateForm<ModalProbe>();
  dialog->whileShown = [&] { application.Terminate(); };
  EXPECT_EQ(dialog->ShowModal(), mrCancel);
  MSG message;
  EXPECT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE))
      << "the quit request stays queued for the main loop";
  application.SetShowMainForm(false);
  application.Run();
  EXPECT_TRUE(application.Terminated());
}
