// The real Hivelark.exe started at 96, 120, 144 and 192 dpi and measured from outside: the window
// and its controls must be their 96-dpi measures, taken in the same run, scaled; every text must
// fit its control; the pictures must be drawn at the scaled size. The screen DPI is the prefix's
// LogPixels, which Wine reads as a process starts; this program runs in a prefix of its own (see
// tests/CMakeLists.txt), so no other test sees it changed, and puts 96 back at the end.
#include "framework/Handles.h"
#include "support/ProgramProcess.h"
#include "support/WindowDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

using hivelark::SelectObjectScope;
using hivelark::UniqueFont;
using hivelark::WindowDC;
using testing_support::ProgramProcess;
using testing_support::RectInParent;
using testing_support::WindowClass;
using testing_support::WindowText;

namespace {

constexpr int kDesignDpi = 96;
constexpr int kDpis[] = {kDesignDpi, 120, 144, 192};
constexpr SIZE kDesignClient{503, 502};

int Scaled(int length, int dpi) {
  return MulDiv(length, dpi, kDesignDpi);
}

bool SetScreenDpi(DWORD dpi) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_SET_VALUE,
                      nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const LONG result = RegSetValueExA(key, "LogPixels", 0, REG_DWORD,
                                     reinterpret_cast<const BYTE*>(&dpi), sizeof(dpi));
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

// A control of the main window, named by its class and text (and its rank among controls of the
// same name), which hold at every DPI.
struct Control {
  HWND window = nullptr;
  std::string name;
  std::string className;
  std::string text;
  DWORD style = 0;
  std::string parentClass;
  RECT rect{};
  RECT parentClient{};
};

// The extent of what a picture button draws: the box around its pixels that differ from the
// button face behind the picture.
struct Extent {
  int width = 0;
  int height = 0;
  bool operator==(const Extent& other) const {
    return width == other.width && height == other.height;
  }
};

struct Snapshot {
  std::string problem;
  SIZE client{};
  std::vector<Control> controls;
  std::map<std::string, Extent> pictures;
};

std::vector<Control> Controls(HWND main) {
  std::vector<HWND> windows;
  EnumChildWindows(
      main, [](HWND window, LPARAM found) __attribute__((stdcall))->BOOL {
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  std::vector<Control> controls;
  std::map<std::string, int> seen;
  for (HWND window : windows) {
    Control control;
    control.window = window;
    control.className = WindowClass(window);
    control.text = WindowText(window);
    control.style = static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE));
    control.parentClass = WindowClass(GetParent(window));
    control.rect = RectInParent(window);
    GetClientRect(GetParent(window), &control.parentClient);
    control.name = control.className + " \"" + control.text + "\"";
    if (const int rank = seen[control.name]++; rank > 0) {
      control.name += " #" + std::to_string(rank + 1);
    }
    controls.push_back(control);
  }
  return controls;
}

bool IsPictureButton(const Control& control) {
  return control.className == "Button" && (control.style & BS_TYPEMASK) == BS_OWNERDRAW;
}

bool IsOptionButton(const Control& control) {
  const DWORD type = control.style & BS_TYPEMASK;
  return control.className == "Button" && (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON ||
                                           type == BS_CHECKBOX || type == BS_AUTOCHECKBOX);
}

// The extent of the picture in `button` as the screen shows it, or an empty one.
Extent PictureExtent(HWND button) {
  RECT place;
  GetWindowRect(button, &place);
  const int width = place.right - place.left;
  const int height = place.bottom - place.top;
  BITMAPINFO format{};
  format.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  hivelark::UniqueMemoryDC memory(CreateCompatibleDC(nullptr));
  hivelark::UniqueBitmap bitmap(
      CreateDIBSection(memory.get(), &format, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || bits == nullptr) {
    return {};
  }
  {
    SelectObjectScope selected(memory.get(), bitmap.get());
    WindowDC screen(nullptr);
    BitBlt(memory.get(), 0, 0, width, height, screen.get(), place.left, place.top, SRCCOPY);
  }
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const auto* pixels = static_cast<const BYTE*>(bits);
  int left = width, top = height, right = -1, bottom = -1;
  // The outermost pixels are left out: a focused button draws its focus rectangle there.
  for (int y = 1; y < height - 1; ++y) {
    for (int x = 1; x < width - 1; ++x) {
      const BYTE* pixel = pixels + (y * width + x) * 4;
      // Faint anti-aliased fringes aside.
      if (std::abs(pixel[2] - GetRValue(face)) + std::abs(pixel[1] - GetGValue(face)) +
              std::abs(pixel[0] - GetBValue(face)) >
          48) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
    }
  }
  return right < 0 ? Extent{} : Extent{right - left + 1, bottom - top + 1};
}

// The extents of every picture once the window has drawn them: two looks in a row alike.
std::map<std::string, Extent> PictureExtents(const std::vector<Control>& controls) {
  std::map<std::string, Extent> extents;
  const DWORD start = GetTickCount();
  for (;;) {
    std::map<std::string, Extent> now;
    bool allDrawn = true;
    for (const Control& control : controls) {
      if (IsPictureButton(control)) {
        now[control.name] = PictureExtent(control.window);
        allDrawn = allDrawn && now[control.name].width > 0;
      }
    }
    if ((allDrawn && now == extents) || GetTickCount() - start > 10000) {
      return now;
    }
    extents = now;
    Sleep(100);
  }
}

Snapshot MeasureAt(int dpi) {
  Snapshot snapshot;
  if (!SetScreenDpi(static_cast<DWORD>(dpi))) {
    snapshot.problem = "could not set LogPixels";
    return snapshot;
  }
  ProgramProcess program;
  HWND main = program.Started() ? program.WaitForMainWindow() : nullptr;
  if (main == nullptr) {
    snapshot.problem = "the program did not come up";
    return snapshot;
  }
  const RECT frame = RectInParent(main);
  if (frame.right - frame.left >= GetSystemMetrics(SM_CXSCREEN) ||
      frame.bottom - frame.top >= GetSystemMetrics(SM_CYSCREEN)) {
    // The platform may cut a window down to the screen.
    snapshot.problem = "the window does not fit the desktop, which scripts/test.sh makes larger";
    return snapshot;
  }
  RECT client;
  GetClientRect(main, &client);
  snapshot.client = {client.right, client.bottom};
  snapshot.controls = Controls(main);
  snapshot.pictures = PictureExtents(snapshot.controls);
  PostMessageA(main, WM_CLOSE, 0, 0);
  if (program.WaitForExit(10000) == STILL_ACTIVE) {
    snapshot.problem = "the program did not end when its window was closed";
  }
  return snapshot;
}

// The program's font, made anew in this process: Wine answers another process's WM_GETFONT with
// no font, so it cannot be read from the controls. Tahoma, 11 pixels high at 96 dpi, scaled as the
// program scales it.
UniqueFont ProgramFont(int dpi) {
  return UniqueFont(CreateFontA(MulDiv(-11, dpi, kDesignDpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                                FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Tahoma"));
}

SIZE TextSize(const std::string& text, int dpi) {
  const UniqueFont font = ProgramFont(dpi);
  hivelark::UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
  SelectObjectScope selected(dc.get(), font.get());
  RECT extent{0, 0, 0, 0};
  DrawTextA(dc.get(), text.empty() ? " " : text.c_str(), -1, &extent, DT_CALCRECT | DT_SINGLELINE);
  return {text.empty() ? 0 : extent.right, extent.bottom};
}

// How much taller than its 96-dpi height scaled a line of text is laid out at `dpi`: the font at
// another DPI is not its 96-dpi self scaled (its glyphs are fitted to whole pixels), and a measured
// height is rounded up to whole 96-dpi units.
int LineGrowth(int dpi) {
  const int units = (TextSize("Ag", dpi).cy * kDesignDpi + dpi - 1) / dpi;
  return Scaled(units, dpi) - Scaled(TextSize("Ag", kDesignDpi).cy, dpi);
}

class ScaledLayout : public testing::Test {
protected:
  static void SetUpTestSuite() {
    // The pointer off the window: a picture under it moves aside.
    SetCursorPos(0, 0);
    for (const int dpi : kDpis) {
      snapshots_[dpi] = MeasureAt(dpi);
    }
    SetScreenDpi(kDesignDpi);
  }

  void SetUp() override {
    for (const int dpi : kDpis) {
      ASSERT_EQ(snapshots_[dpi].problem, "") << "at " << dpi << " dpi";
    }
  }

  static const Snapshot& At(int dpi) { return snapshots_[dpi]; }

  // The control of the 96-dpi snapshot with this name, or null.
  static const Control* AtDesignDpi(const std::string& name) {
    for (const Control& control : At(kDesignDpi).controls) {
      if (control.name == name) {
        return &control;
      }
    }
    return nullptr;
  }

private:
  static std::map<int, Snapshot> snapshots_;
};

std::map<int, Snapshot> ScaledLayout::snapshots_;

TEST_F(ScaledLayout, WindowAndControlsAreTheirDesignMeasuresScaled) {
  for (const int dpi : kDpis) {
    const Snapshot& snapshot = At(dpi);
    const std::string where = " at " + std::to_string(dpi) + " dpi";
    EXPECT_NEAR(snapshot.client.cx, Scaled(kDesignClient.cx, dpi), 1) << "client width" << where;
    EXPECT_NEAR(snapshot.client.cy, Scaled(kDesignClient.cy, dpi), 1) << "client height" << where;
    ASSERT_EQ(snapshot.controls.size(), At(kDesignDpi).controls.size()) << where;
    if (dpi == kDesignDpi) {
      continue; // the measures every other DPI is held to
    }
    for (const Control& control : snapshot.controls) {
      const Control* design = AtDesignDpi(control.name);
      ASSERT_NE(design, nullptr) << control.name << where << " has no 96-dpi counterpart";
      if (control.parentClass == "ComboBox") {
        continue; // the box's own field, which the platform places
      }
      const RECT& is = control.rect;
      const RECT& was = design->rect;
      const auto expectScaled = [&](const char* figure, int actual, int at96, int slack = 0) {
        EXPECT_NEAR(actual, Scaled(at96, dpi), 1 + slack)
            << control.name << where << ": " << figure << " (" << at96 << " at 96 dpi)";
      };
      if (control.parentClass == "Edit") {
        // A button inside a field fills the field's inside to its right end, and the platform
        // draws the field's sunken border two pixels wide at every DPI.
        expectScaled("width", is.right - is.left, was.right - was.left);
        EXPECT_NEAR(is.right, control.parentClient.right, 1) << control.name << where;
        EXPECT_NEAR(is.bottom - is.top, control.parentClient.bottom, 1) << control.name << where;
        continue;
      }
      expectScaled("left", is.left, was.left);
      if (control.className == "Static") {
        // A label takes its text's size (see EveryTextFitsItsControl) and keeps its place: its
        // top, or the bottom on which it stands above its field.
        EXPECT_TRUE(std::abs(is.top - Scaled(was.top, dpi)) <= 1 ||
                    std::abs(is.bottom - Scaled(was.bottom, dpi)) <= 1)
            << control.name << where << ": top " << is.top << " and bottom " << is.bottom
            << ", neither " << Scaled(was.top, dpi) << " nor " << Scaled(was.bottom, dpi);
        continue;
      }
      expectScaled("width", is.right - is.left, was.right - was.left);
      // An option of a group stands under the group's caption line, which is measured.
      const int slack = IsOptionButton(control) ? LineGrowth(dpi) : 0;
      expectScaled("top", is.top, was.top, slack);
      expectScaled("height", is.bottom - is.top, was.bottom - was.top, slack);
    }
  }
}

TEST_F(ScaledLayout, EveryTextFitsItsControl) {
  for (const int dpi : kDpis) {
    const std::string where = " at " + std::to_string(dpi) + " dpi";
    for (const Control& control : At(dpi).controls) {
      const SIZE text = TextSize(control.text, dpi);
      const int width = control.rect.right - control.rect.left;
      if (control.className == "Static") {
        // The font made here is the labels' own: each is as tall as a line of it, give or take
        // the rounding of its size to whole 96-dpi units.
        EXPECT_NEAR(control.rect.bottom - control.rect.top, text.cy, Scaled(1, dpi))
            << control.name << where << ": height";
        EXPECT_LE(text.cx, width) << control.name << where;
      } else if (IsOptionButton(control)) {
        // The platform's mark is 13 pixels at 96 dpi, scaled, with half a digit's width before
        // the text.
        const int mark = Scaled(13, dpi) + TextSize("0", dpi).cx / 2;
        EXPECT_LE(mark + text.cx, width) << control.name << where;
      } else if (control.className == "HivelarkRadioGroup") {
        // The caption stands in the frame's top line, 9 units in.
        EXPECT_LE(Scaled(9, dpi) + text.cx, width) << control.name << where;
      }
    }
  }
}

TEST_F(ScaledLayout, PicturesAreDrawnAtTheScaledSize) {
  const std::map<std::string, Extent>& design = At(kDesignDpi).pictures;
  ASSERT_EQ(design.size(), 6u);
  for (const auto& [name, extent] : design) {
    // Nearly the whole 48 x 48 picture is opaque; less would mean the screen was not read.
    EXPECT_GE(extent.width, 40) << name << " at 96 dpi";
    EXPECT_GE(extent.height, 40) << name << " at 96 dpi";
  }
  for (const int dpi : kDpis) {
    if (dpi == kDesignDpi) {
      continue;
    }
    for (const auto& [name, extent] : At(dpi).pictures) {
      const Extent& was = design.at(name);
      const Extent wanted{Scaled(was.width, dpi), Scaled(was.height, dpi)};
      const int slack = Scaled(2, dpi);
      if (std::abs(extent.width - wanted.width) > slack ||
          std::abs(extent.height - wanted.height) > slack) {
        ADD_FAILURE() << name << " at " << dpi << " dpi: picture " << extent.width << " x "
                      << extent.height << ", not about " << wanted.width << " x " << wanted.height
                      << " (" << was.width << " x " << was.height << " at 96 dpi)";
      }
    }
  }
}

} // namespace
