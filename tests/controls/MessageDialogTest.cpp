#include "controls/MessageDialog.h"
#include "framework/Application.h"
#include "framework/Handles.h"
#include "imaging/AlphaPicture.h"
#include "support/WindowDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

using namespace hivelark;
using namespace testing_support;

namespace {

TWindow* Child(TComponent* form, const std::string& name) {
  for (TComponent* component : form->Components()) {
    if (component->Name() == name) {
      return dynamic_cast<TWindow*>(component);
    }
  }
  return nullptr;
}

void ExpectBounds(TWindow* control, int left, int top, int width, int height) {
  RECT rect;
  GetWindowRect(control->WindowHandle(), &rect);
  MapWindowPoints(HWND_DESKTOP, GetParent(control->WindowHandle()), reinterpret_cast<POINT*>(&rect),
                  2);
  EXPECT_EQ(rect.left, left) << control->Name();
  EXPECT_EQ(rect.top, top) << control->Name();
  EXPECT_EQ(rect.right - rect.left, width) << control->Name();
  EXPECT_EQ(rect.bottom - rect.top, height) << control->Name();
}

// Holds the given modifier keys down in this thread's key state while it lives.
class HeldKeys {
public:
  explicit HeldKeys(std::initializer_list<int> keys) {
    BYTE state[256] = {};
    for (int key : keys) {
      state[key] = 0x80;
    }
    SetKeyboardState(state);
  }
  ~HeldKeys() {
    BYTE state[256] = {};
    SetKeyboardState(state);
  }
};

// A shown message form whose Ctrl+C the test presses through the application's message handling.
struct ShownMessage {
  explicit ShownMessage(const std::string& text, TMessageKind kind = mkInformation)
      : form(new TMessageForm(&application, text, kind)) {
    application.SetTitle("Hivelark 1.0");
    form->Show();
  }
  void PressC(std::initializer_list<int> modifiers) {
    HeldKeys held(modifiers);
    PostMessageA(Child(form, "OK")->WindowHandle(), WM_KEYDOWN, 'C', 0);
    application.ProcessMessages();
  }
  TApplication application;
  TMessageForm* form;
};

// The icon's own pixels, over a background of magenta, or nothing when its size is not `side`.
std::vector<std::uint32_t> IconPixels(HICON icon, int side) {
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) {
    return {};
  }
  UniqueBitmap colour(info.hbmColor);
  UniqueBitmap mask(info.hbmMask);
  BITMAP description{};
  GetObjectA(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof(description),
             &description);
  if (description.bmWidth != side) {
    return {};
  }
  const BITMAPINFO format = TopDownBitmapInfo(side, side);
  void* bits = nullptr;
  UniqueBitmap canvas(CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0));
  UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
  SelectObjectScope selected(dc.get(), canvas.get());
  auto* pixels = static_cast<std::uint32_t*>(bits);
  std::fill(pixels, pixels + side * side, 0xFF00FFu);
  DrawIconEx(dc.get(), 0, 0, icon, side, side, 0, nullptr, DI_NORMAL);
  GdiFlush();
  return {pixels, pixels + side * side};
}

} // namespace

TEST(MessageDialog, LayoutFollowsTheDialogUnitsOfTheSystemMessageFont) {
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof(metrics);
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0));
  const int halfScreen = GetSystemMetrics(SM_CXSCREEN) / 2;
  std::string wrapping;
  while (static_cast<int>(wrapping.size()) * 4 < halfScreen * 3) {
    wrapping += "Watch this key for changes and write each one to the log. ";
  }
  const std::string longPath = "Software\\" + std::string(400, 'k');
  // Ampersands are the message's own, not shortcut marks that would take up no room.
  const std::string ampersands = "Software\\R&D\\Tom && Jerry &&&&&&&&&&&&&&&&&&&&";
  for (const std::string& text :
       {std::string("Please Enter a Key Path"), std::string(), wrapping, longPath, ampersands}) {
    TApplication application;
    const TMessageKind kind = text.empty() ? mkInformation : mkError;
    TMessageForm form(&application, text, kind);
    form.Show();
    EXPECT_STREQ(form.Font()->Name().c_str(), metrics.lfMessageFont.lfFaceName);
    EXPECT_EQ(form.Font()->Height(), std::abs(metrics.lfMessageFont.lfHeight));
    EXPECT_EQ(form.Text(), kind == mkError ? "Error" : "Information");
    EXPECT_EQ(CountChildren(form.WindowHandle(), "Button"), 1);
    EXPECT_EQ(GetFocus(), Child(&form, "OK")->WindowHandle());
    EXPECT_EQ(Child(&form, "Message")->Text(), text);
    // The kind's icon, made for the control's size: the same picture as the standard icon.
    const HICON shown = reinterpret_cast<HICON>(Child(&form, "Image")->Perform(STM_GETICON));
    const int iconSide = Child(&form, "Image")->ToPixels(32);
    EXPECT_EQ(IconPixels(shown, iconSide).size(), static_cast<size_t>(iconSide * iconSide));
    EXPECT_EQ(IconPixels(shown, iconSide),
              IconPixels(LoadIconA(nullptr, kind == mkError ? IDI_HAND : IDI_ASTERISK), iconSide));

    WindowDC screen(nullptr);
    SelectObjectScope font(screen.get(), form.FontHandle());
    SIZE alphabet;
    GetTextExtentPoint32A(screen.get(), "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52,
                          &alphabet);
    const int u = alphabet.cx / 52, v = alphabet.cy;
    const int h = MulDiv(8, u, 4), w = MulDiv(8, v, 8);
    const int hs = MulDiv(10, u, 4), vs = MulDiv(10, v, 8);
    RECT caption{0, 0, 0, 0};
    DrawTextA(screen.get(), "OK", -1, &caption, DT_CALCRECT | DT_SINGLELINE);
    const int bw = std::max<int>(MulDiv(50, u, 4), caption.right + 8), bh = MulDiv(14, v, 8);
    RECT box{0, 0, halfScreen, 0};
    DrawTextA(screen.get(), text.c_str(), -1, &box,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    const int tw = box.right, th = box.bottom, bhk = std::max(th, 32);
    const int clientWidth = std::max(tw + hs + 32, bw) + 2 * h;

    EXPECT_EQ(form.ClientWidth(), clientWidth);
    EXPECT_EQ(form.ClientHeight(), bhk + bh + vs + 2 * w);
    ExpectBounds(Child(&form, "Image"), h, w, 32, 32);
    ExpectBounds(Child(&form, "Message"), h + 32 + hs, w, tw, th);
    ExpectBounds(Child(&form, "OK"), (clientWidth - bw) / 2, bhk + w + vs, bw, bh);
    EXPECT_NEAR(form.Left() + form.Width() / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR(form.Top() + form.Height() / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
    if (text == "Please Enter a Key Path") {
      // At a new DPI the dialog measures again with its font there: the OK button is what the
      // dialog units of that font make it, not the old width scaled.
      const int dpi = form.Dpi() * 5 / 4;
      const RECT frame = RectInParent(form.WindowHandle());
      form.Perform(WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&frame));
      SelectObjectScope scaledFont(screen.get(), form.Font()->Handle(dpi));
      GetTextExtentPoint32A(screen.get(), "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz",
                            52, &alphabet);
      RECT scaledCaption{0, 0, 0, 0};
      DrawTextA(screen.get(), "OK", -1, &scaledCaption, DT_CALCRECT | DT_SINGLELINE);
      const RECT ok = RectInParent(Child(&form, "OK")->WindowHandle());
      EXPECT_NEAR(
          ok.right - ok.left,
          std::max<int>(MulDiv(50, alphabet.cx / 52, 4), scaledCaption.right + MulDiv(8, dpi, 96)),
          1);
    } else if (text == wrapping) {
      EXPECT_LE(tw, halfScreen);
      EXPECT_GT(th, 2 * v) << "a long sentence wraps at its blanks";
    } else if (text == longPath) {
      EXPECT_GT(tw, halfScreen) << "a word longer than half the screen widens the dialog";
    }
  }
}

TEST(MessageDialog, OkByKeyOrClickGivesOneAndClosingTheWindowGivesTwo) {
  TApplication application;
  struct Road {
    const char* name;
    void (*close)(HWND dialog, HWND ok);
    int result;
  };
  const Road roads[] = {
      {"Enter", [](HWND, HWND ok) { PostMessageA(ok, WM_KEYDOWN, VK_RETURN, 0); }, mrOk},
      {"Esc", [](HWND, HWND ok) { PostMessageA(ok, WM_KEYDOWN, VK_ESCAPE, 0); }, mrOk},
      {"Space",
       [](HWND, HWND ok) {
         PostMessageA(ok, WM_KEYDOWN, VK_SPACE, 0);
         PostMessageA(ok, WM_KEYUP, VK_SPACE, 0xC0000000);
       },
       mrOk},
      {"click", [](HWND dialog, HWND) { PressButton(dialog, "OK"); }, mrOk},
      {"close box", [](HWND dialog, HWND) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); },
       mrCancel},
      {"Alt+F4",
       [](HWND, HWND ok) {
         PostMessageA(ok, WM_SYSKEYDOWN, VK_F4, static_cast<LPARAM>(KF_ALTDOWN) << 16);
       },
       mrCancel},
  };
  for (const Road& road : roads) {
    bool closedByRoad = false;
    DialogAnswerer answerer("HivelarkForm", "Error", [&](HWND dialog) {
      road.close(dialog, FindChild(dialog, "Button", "OK"));
      for (int waited = 0; waited < 5000 && IsWindow(dialog); waited += 20) {
        Sleep(20);
      }
      closedByRoad = !IsWindow(dialog);
      // A road that fails must fail the test, not leave it waiting for a person.
      PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(ShowMessageDialog("Please Enter a Key Path", mkError), road.result) << road.name;
    answerer.Join();
    EXPECT_TRUE(closedByRoad) << road.name;
    EXPECT_EQ(application.Components().size(), 0u) << "the dialog is destroyed on return";
  }
}

TEST(MessageDialog, SentMessagesAreHandledWhileOpenAndAQuitRequestClosesIt) {
  TApplication application;
  auto* main = application.CreateForm<TForm>();
  main->Show();
  const DWORD mainThread = GetCurrentThreadId();
  std::string seen;
  DialogAnswerer answerer(
      "HivelarkForm", "Information",
      [&](HWND dialog) {
        char title[64] = {};
        // Another thread's sent message is answered while the dialog waits for the user.
        SendMessageA(main->WindowHandle(), WM_GETTEXT, sizeof(title),
                     reinterpret_cast<LPARAM>(title));
        seen = IsWindowEnabled(main->WindowHandle()) ? "enabled" : "disabled";
        PostThreadMessageA(mainThread, WM_QUIT, 0, 0);
        // A dialog that the quit request leaves open is answered with OK: the test then fails on
        // the result, in seconds, instead of waiting for ever.
        const DWORD start = GetTickCount();
        while (IsWindow(dialog) && GetTickCount() - start < 5000) {
          Sleep(20);
        }
        if (IsWindow(dialog)) {
          PressButton(dialog, "OK");
        }
      },
      5000);
  EXPECT_EQ(ShowMessageDialog("Browse and select a program to execute on event", mkInformation),
            mrCancel);
  answerer.Join();
  EXPECT_EQ(seen, "disabled");
  EXPECT_TRUE(IsWindowEnabled(main->WindowHandle()));
  MSG quit;
  EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
      << "the quit request stays queued for the main loop";
}

TEST(MessageDialog, CtrlCPutsTheSevenLinesWithTheMessageUnchanged) {
  const std::string hyphens = std::string(27, '-') + "\r\n";
  {
    ShownMessage shown("Browse and select a program to execute on event");
    shown.PressC({VK_CONTROL});
    EXPECT_EQ(ClipboardText(), hyphens + "Information\r\n" + hyphens +
                                   "Browse and select a program to execute on event\r\n" + hyphens +
                                   "OK   \r\n" + hyphens);
  }
  ShownMessage shown("Save && &Exit\r\nline two", mkError);
  shown.PressC({VK_CONTROL});
  EXPECT_EQ(ClipboardText(), hyphens + "Error\r\n" + hyphens + "Save && &Exit\r\nline two\r\n" +
                                 hyphens + "OK   \r\n" + hyphens);

  {
    ClipboardScope clipboard(nullptr);
    EmptyClipboard();
  }
  shown.PressC({VK_CONTROL, VK_SHIFT});
  shown.PressC({VK_CONTROL, VK_MENU});
  shown.PressC({});
  EXPECT_EQ(ClipboardText(), "<none>") << "only Ctrl+C without other modifiers copies";
  EXPECT_TRUE(shown.form->Visible());
}

TEST(MessageDialog, ClipboardHeldElsewhereGivesTheErrorBoxAndTheDialogStaysOpen) {
  ShownMessage shown("Please Enter a Key Path", mkError);
  UniqueHandle opened(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  UniqueHandle release(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  std::thread holder([&] {
    // Held with a window of its own: two threads that both open it without one are not kept
    // apart on every platform.
    UniqueWindow owner(
        CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr));
    OpenClipboard(owner.get());
    SetEvent(opened.get());
    WaitForSingleObject(release.get(), 20000);
    CloseClipboard();
  });
  WaitForSingleObject(opened.get(), 5000);
  std::string errorText;
  DialogAnswerer answerer("#32770", "Hivelark 1.0", [&](HWND box) {
    errorText = WindowText(GetDlgItem(box, 0xFFFF));
    PressButton(box, "OK");
  });
  shown.PressC({VK_CONTROL});
  answerer.Join();
  SetEvent(release.get());
  holder.join();
  EXPECT_EQ(errorText, "Cannot open clipboard.");
  EXPECT_TRUE(shown.form->Visible());
  ClipboardScope again(nullptr);
  EXPECT_TRUE(again.opened()) << "the failed copy leaves the clipboard closed";
}
