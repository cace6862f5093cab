#include "controls/BitBtn.h"
#include "controls/BitmapImage.h"
#include "controls/CustomLabel.h"
#include "controls/LabelFX.h"
#include "controls/Panel.h"
#include "framework/Application.h"
#include "framework/Handles.h"
#include "imaging/ResourcePictures.h"
#include "shell/About.h"
#include "imaging/AlphaPicture.h"
#include "support/WindowDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

using namespace hivelark;
using namespace testing_support;

namespace {

constexpr char kAddress[] = "https://www.hivelark.example/";

// What a window paints of its client area, as 0x00RRGGBB pixels, rows top to bottom.
struct Snapshot {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;

  std::uint32_t At(int x, int y) const {
    return pixels[static_cast<size_t>(y * width + x)] & 0x00FFFFFFu;
  }
  template <typename Predicate> int Count(Predicate predicate) const {
    int count = 0;
    for (std::uint32_t pixel : pixels) {
      count += predicate(pixel & 0x00FFFFFFu) ? 1 : 0;
    }
    return count;
  }
};

int Red(std::uint32_t pixel) {
  return static_cast<int>((pixel >> 16) & 0xFF);
}
int Green(std::uint32_t pixel) {
  return static_cast<int>((pixel >> 8) & 0xFF);
}
int Blue(std::uint32_t pixel) {
  return static_cast<int>(pixel & 0xFF);
}

Snapshot Render(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  Snapshot snapshot;
  snapshot.width = client.right;
  snapshot.height = client.bottom;
  BITMAPINFO info = TopDownBitmapInfo(snapshot.width, snapshot.height);
  void* bits = nullptr;
  UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
  SelectObjectScope select(dc.get(), bitmap.get());
  SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
  GdiFlush();
  const auto* pixels = static_cast<const std::uint32_t*>(bits);
  snapshot.pixels.assign(pixels, pixels + snapshot.width * snapshot.height);
  return snapshot;
}

// The pixels of a bitmap as the screen would show them.
Snapshot BitmapPixels(HBITMAP bitmap) {
  BITMAP description{};
  GetObjectA(bitmap, sizeof(description), &description);
  Snapshot snapshot;
  snapshot.width = description.bmWidth;
  snapshot.height = description.bmHeight;
  snapshot.pixels.resize(static_cast<size_t>(snapshot.width * snapshot.height));
  BITMAPINFO info = TopDownBitmapInfo(snapshot.width, snapshot.height);
  UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
  GetDIBits(dc.get(), bitmap, 0, static_cast<UINT>(snapshot.height), snapshot.pixels.data(), &info,
            DIB_RGB_COLORS);
  return snapshot;
}

// Sends the pointer request the platform sends while the mouse is over `window`, and returns the
// pointer it left.
HCURSOR CursorOver(HWND window) {
  SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  return GetCursor();
}

RECT WindowBounds(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  return rect;
}

// Waits, on an answering thread, until the keyboard focus of the main thread lies in `box`.
HWND WaitForFocusIn(DWORD mainThread, HWND box) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 5000) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (GetGUIThreadInfo(mainThread, &info) && info.hwndFocus != nullptr &&
        IsChild(box, info.hwndFocus)) {
      return info.hwndFocus;
    }
    Sleep(10);
  }
  return nullptr;
}

void PostKey(HWND window, WPARAM key) {
  PostMessageA(window, WM_KEYDOWN, key, 1);
  PostMessageA(window, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

void PostClick(HWND window) {
  PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

struct ShellRequest {
  HWND owner;
  std::string verb;
  std::string file;
  bool noParameters;
  bool noDirectory;
  int showCommand;
  bool boxVisible;
  bool okFocused;
};

class AboutBoxTest : public ::testing::Test {
protected:
  void SetUp() override {
    main_ = application_.CreateForm<TForm>();
    main_->SetText("Hivelark");
    box_ = application_.CreateForm<TAboutBox>();
    AboutBox = box_;
    box_->ShellExecuteHandler = [this](HWND owner, const char* verb, const char* file,
                                       const char* parameters, const char* directory,
                                       int showCommand) {
      requests_.push_back({owner, verb, file, parameters == nullptr, directory == nullptr,
                           showCommand, IsWindowVisible(box_->WindowHandle()) != FALSE,
                           GetFocus() == box_->sBitBtn1->WindowHandle()});
    };
  }

  // Shows the box modally while `answer` works it from another thread.
  int ShowAnswered(const DialogAnswerer::Action& answer) {
    DialogAnswerer answerer("HivelarkForm", "Hivelark 1.0", answer);
    const int result = box_->ShowModal();
    answerer.Join();
    EXPECT_TRUE(answerer.Answered());
    return result;
  }

  TApplication application_;
  TForm* main_ = nullptr;
  TAboutBox* box_ = nullptr;
  std::vector<ShellRequest> requests_;
  const DWORD mainThread_ = GetCurrentThreadId();
};

void ExpectPlace(TWindow* control, int left, int top, int width, int height, int fontHeight,
                 bool bold = false) {
  SCOPED_TRACE(control->Name());
  EXPECT_EQ(control->Left(), left);
  EXPECT_EQ(control->Top(), top);
  EXPECT_EQ(control->Width(), width);
  EXPECT_EQ(control->Height(), height);
  EXPECT_EQ(control->Font()->Name(), "MS Sans Serif");
  EXPECT_EQ(control->Font()->Height(), fontHeight);
  EXPECT_EQ(control->Font()->Bold(), bold);
}

} // namespace

namespace {

// A top-level window of this process with this title, shown or hidden. Other test programs run at
// the same time, the real program among them, so the search stays inside this process.
HWND FindOwnWindowTitled(const std::string& title) {
  return FindAnyTopLevelWindow(GetCurrentProcessId(), "HivelarkForm", title);
}

} // namespace

TEST_F(AboutBoxTest, HasNoNativeWindowUntilFirstShownAndKeepsAHiddenTitledOneAfterwards) {
  EXPECT_FALSE(box_->HandleAllocated());
  for (TComponent* component : box_->Components()) {
    auto* control = dynamic_cast<TWindow*>(component);
    ASSERT_NE(control, nullptr);
    EXPECT_FALSE(control->HandleAllocated()) << control->Name();
  }
  EXPECT_EQ(FindOwnWindowTitled("Hivelark 1.0"), nullptr);

  EXPECT_EQ(ShowAnswered([](HWND box) { PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0); }),
            mrCancel);
  HWND titled = FindOwnWindowTitled("Hivelark 1.0");
  EXPECT_EQ(titled, box_->WindowHandle());
  EXPECT_FALSE(IsWindowVisible(titled)) << "closing only hides it";
}

TEST_F(AboutBoxTest, WindowSettingsLayoutAndFonts) {
  HWND box = box_->Handle();
  EXPECT_EQ(WindowText(box), "Hivelark 1.0");
  RECT client;
  GetClientRect(box, &client);
  EXPECT_EQ(client.right, 298);
  EXPECT_EQ(client.bottom, 274);
  const auto style = static_cast<DWORD>(GetWindowLongPtrA(box, GWL_STYLE));
  EXPECT_EQ(style & (WS_SYSMENU | WS_CAPTION), static_cast<DWORD>(WS_SYSMENU | WS_CAPTION));
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) << "dialog border";
  EXPECT_EQ(GetWindow(box, GW_OWNER), main_->WindowHandle()) << "owned by the main window";
  EXPECT_FALSE(GetWindowLongPtrA(box, GWL_EXSTYLE) & WS_EX_APPWINDOW) << "no taskbar button";
  EXPECT_FALSE(box_->ShowHint());

  ExpectPlace(box_->Panel1, 9, 8, 281, 218, 11);
  EXPECT_EQ(box_->Panel1->BevelOuter(), TBevelCut::Lowered);
  EXPECT_EQ(box_->Panel1->BevelInner(), TBevelCut::Raised);
  ExpectPlace(box_->sLabelFX1, 3, 13, 273, 32, 19, /*bold=*/true);
  EXPECT_EQ(box_->sLabelFX1->Text(), "Hivelark 1.0");
  ExpectPlace(box_->Copyright, 3, 45, 273, 13, 11);
  EXPECT_EQ(box_->Copyright->Text(), "Copyright \xA9 2026 The Hivelark developers");
  ExpectPlace(box_->sLabel1, 3, 62, 273, 13, 11);
  EXPECT_EQ(box_->sLabel1->Text(), "Hivelark Monitor Tool");
  EXPECT_EQ(box_->sLabel1->Font()->Color(), RGB(0, 0, 0));
  ExpectPlace(box_->Comments, 3, 81, 273, 13, 11);
  EXPECT_EQ(box_->Comments->Text(), "www.hivelark.example");
  EXPECT_EQ(box_->Comments->Hint(), kAddress);
  ExpectPlace(box_->Image1, 71, 104, 145, 105, 11);
  EXPECT_EQ(box_->Image1->Hint(), kAddress);
  ExpectPlace(box_->sBitBtn1, 117, 232, 75, 33, 11);
  EXPECT_EQ(box_->sBitBtn1->Text(), "OK");
  EXPECT_EQ(GetNextDlgTabItem(box, nullptr, FALSE), box_->sBitBtn1->WindowHandle())
      << "the only control Tab reaches";
}

TEST_F(AboutBoxTest, LinkTurnsBlueWithHandWhileTheMouseIsOverItAndBlackWhenItLeaves) {
  HWND comments = box_->Comments->Handle();
  const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
  const HCURSOR hand = LoadCursorA(nullptr, IDC_HAND);
  auto blueText = [](std::uint32_t pixel) {
    return Blue(pixel) > 128 && Red(pixel) < 64 && Green(pixel) < 64;
  };
  EXPECT_EQ(Render(comments).Count(blueText), 0);

  SendMessageA(comments, WM_MOUSEMOVE, 0, MAKELPARAM(20, 5));
  EXPECT_EQ(box_->Comments->Font()->Color(), RGB(0, 0, 255));
  EXPECT_GT(Render(comments).Count(blueText), 20) << "the text is drawn in the link colour";
  EXPECT_EQ(GetCursor(), hand) << "at once, without waiting for the next move";
  EXPECT_EQ(CursorOver(comments), hand);
  EXPECT_EQ(box_->Font()->Color(), GetSysColor(COLOR_WINDOWTEXT)) << "the box's text keeps its";

  SendMessageA(comments, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(box_->Comments->Font()->Color(), RGB(0, 0, 0)) << "black, not the window-text colour";
  const Snapshot left = Render(comments);
  EXPECT_EQ(left.Count(blueText), 0);
  EXPECT_GT(left.Count([](std::uint32_t pixel) { return pixel == 0; }), 10);
  EXPECT_EQ(CursorOver(comments), arrow);

  HWND picture = box_->Image1->WindowHandle();
  SendMessageA(picture, WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
  EXPECT_EQ(CursorOver(picture), hand);
  SendMessageA(picture, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(CursorOver(picture), arrow);
}

TEST_F(AboutBoxTest, PictureShowsItsTopLeftCornerUnscaled) {
  UniqueBitmap original = LoadBitmapResource(GetModuleHandleA(nullptr), "ABOUTPICTURE");
  const Snapshot source = BitmapPixels(original.get());
  ASSERT_EQ(source.width, 147);
  ASSERT_EQ(source.height, 110);

  const Snapshot shown = Render(box_->Image1->Handle());
  ASSERT_EQ(shown.width, 145);
  ASSERT_EQ(shown.height, 105);
  int different = 0;
  for (int y = 0; y < shown.height; ++y) {
    for (int x = 0; x < shown.width; ++x) {
      different += shown.At(x, y) != source.At(x, y) ? 1 : 0;
    }
  }
  EXPECT_EQ(different, 0);
}

TEST_F(AboutBoxTest, TitleIsWhiteOverASoftShadowOnTheBackground) {
  HWND title = box_->sLabelFX1->Handle();
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const auto background = [](COLORREF color) {
    return static_cast<std::uint32_t>((BlendShadowChannel(GetRValue(color), 0, 0) << 16) |
                                      (BlendShadowChannel(GetGValue(color), 0, 0) << 8) |
                                      BlendShadowChannel(GetBValue(color), 0, 0));
  };
  auto white = [](std::uint32_t pixel) { return pixel == 0x00FFFFFFu; };
  const int faceLevel = GetRValue(face);
  auto shadow = [faceLevel](std::uint32_t pixel) { return Green(pixel) < faceLevel / 2; };

  const Snapshot drawn = Render(title);
  // Clear of the text, only the blend's rounding down touches what lies behind the label.
  EXPECT_EQ(drawn.At(8, 1), background(face));
  EXPECT_EQ(drawn.At(268, 30), background(face));
  EXPECT_GT(drawn.Count(white), 50);
  EXPECT_GT(drawn.Count(shadow), 50);

  box_->sLabelFX1->SetShadow({CLR_NONE, 4, 1});
  const Snapshot plain = Render(title);
  EXPECT_EQ(plain.At(8, 1), face & 0x00FFFFFFu) << "no blend without a shadow";
  EXPECT_GT(plain.Count(white), 50);
  EXPECT_EQ(plain.Count(shadow), 0);
}

TEST_F(AboutBoxTest, OkShowsTheCheckMarkAndItsGreyTwinWhenDisabled) {
  HWND ok = box_->sBitBtn1->Handle();
  auto green = [](std::uint32_t pixel) {
    return Green(pixel) > 100 && Green(pixel) > Red(pixel) + 40 && Green(pixel) > Blue(pixel) + 40;
  };
  const Snapshot enabled = Render(ok);
  EXPECT_GT(enabled.Count(green), 20);
  int rightmostGreen = 0;
  for (int y = 0; y < enabled.height; ++y) {
    for (int x = 0; x < enabled.width; ++x) {
      if (green(enabled.At(x, y))) {
        rightmostGreen = std::max(rightmostGreen, x);
      }
    }
  }
  EXPECT_LT(rightmostGreen, enabled.width / 2) << "the glyph stands left of the caption";

  box_->sBitBtn1->SetEnabled(false);
  EXPECT_EQ(Render(ok).Count(green), 0);
}

TEST_F(AboutBoxTest, EnterClosesWithOkWhileOkHoldsTheFocus) {
  main_->Show();
  HWND focus = nullptr;
  EXPECT_EQ(ShowAnswered([&](HWND box) {
              focus = WaitForFocusIn(mainThread_, box);
              PostKey(focus, VK_RETURN);
            }),
            mrOk);
  EXPECT_EQ(focus, box_->sBitBtn1->WindowHandle());
  EXPECT_FALSE(IsWindowVisible(box_->WindowHandle()));
}

TEST_F(AboutBoxTest, EscapeDoesNotCloseButTheCloseBoxDoesWithCancel) {
  main_->Show();
  EXPECT_EQ(ShowAnswered([&](HWND box) {
              PostKey(WaitForFocusIn(mainThread_, box), VK_ESCAPE);
              PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0);
            }),
            mrCancel);
  // Had Escape closed the box, the close request posted after it would still wait in the queue.
  MSG left;
  EXPECT_FALSE(PeekMessageA(&left, box_->WindowHandle(), WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE));
}

TEST_F(AboutBoxTest, LinkAndPictureOpenTheAddressThroughTheShellAndTheBoxStaysOpen) {
  // Only a label opens as the link, and only a picture as the picture.
  box_->CommentsClick(box_->Image1);
  box_->Image1Click(box_->Comments);
  EXPECT_TRUE(requests_.empty());

  main_->Show();
  EXPECT_EQ(ShowAnswered([&](HWND box) {
              HWND focus = WaitForFocusIn(mainThread_, box);
              PostClick(box_->Comments->WindowHandle());
              PostClick(box_->Image1->WindowHandle());
              PostKey(focus, VK_RETURN);
            }),
            mrOk);
  ASSERT_EQ(requests_.size(), 2u);
  for (const ShellRequest& request : requests_) {
    EXPECT_EQ(request.owner, application_.Handle());
    EXPECT_EQ(request.verb, "Open");
    EXPECT_EQ(request.file, kAddress);
    EXPECT_TRUE(request.noParameters);
    EXPECT_TRUE(request.noDirectory);
    EXPECT_EQ(request.showCommand, SW_SHOWNORMAL);
    EXPECT_TRUE(request.boxVisible);
    EXPECT_TRUE(request.okFocused);
  }
}

TEST_F(AboutBoxTest, OpensCentredFirstAndThenWhereItWasLastClosed) {
  RECT first{};
  EXPECT_EQ(ShowAnswered([&](HWND box) {
              first = WindowBounds(box);
              SetWindowPos(box, nullptr, 40, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
              PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0);
            }),
            mrCancel);
  const int width = first.right - first.left;
  const int height = first.bottom - first.top;
  EXPECT_EQ(first.left, (GetSystemMetrics(SM_CXSCREEN) - width) / 2);
  EXPECT_EQ(first.top, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);

  RECT second{};
  EXPECT_EQ(ShowAnswered([&](HWND box) {
              second = WindowBounds(box);
              PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0);
            }),
            mrCancel);
  EXPECT_EQ(second.left, 40);
  EXPECT_EQ(second.top, 50);
  EXPECT_EQ(second.right - second.left, width);
}
