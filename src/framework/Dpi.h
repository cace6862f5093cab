#pragma once

#include <windows.h>

// Sent before WM_DPICHANGED from Windows 10 (1703) on; the headers give it only to programs made
// for that version, and this one runs from Vista on.
#ifndef WM_GETDPISCALEDSIZE
#define WM_GETDPISCALEDSIZE 0x02E4
#endif

namespace hivelark {

// The DPI that the layouts are written for: every size and position in the code is in pixels at
// this DPI, and scaled to the DPI of the window it is shown in.
inline constexpr int kDesignDpi = 96;

// A length in 96-dpi units as pixels at `dpi`, rounded to the nearest pixel.
inline int ScaleToDpi(int units, int dpi) {
  return MulDiv(units, dpi, kDesignDpi);
}

// A length in pixels at `dpi` as 96-dpi units, rounded to the nearest unit. Units scaled to pixels
// with ScaleToDpi come back as the same units at every DPI from 96 up (pixels scaled to units and
// back need not: a unit is more than a pixel there).
inline int ScaleFromDpi(int pixels, int dpi) {
  return MulDiv(pixels, kDesignDpi, dpi);
}

// The same, rounded up: for a measured text, whose box must not come out narrower than the text.
int ScaleFromDpiRoundingUp(int pixels, int dpi);

// A rectangle in 96-dpi units as pixels at `dpi`: each figure scaled on its own (left, top, width
// and height), so that a box keeps its size wherever it is moved.
inline RECT ScaleRectToDpi(const RECT& units, int dpi) {
  const int left = ScaleToDpi(units.left, dpi);
  const int top = ScaleToDpi(units.top, dpi);
  return {left, top, left + ScaleToDpi(units.right - units.left, dpi),
          top + ScaleToDpi(units.bottom - units.top, dpi)};
}

// The DPI the system lays the screen out at (its LOGPIXELSY), which new windows start with.
int ScreenDpi();

// The DPI of the monitor a top-level window is on, where the system tells it per window (Windows 10
// from 1607 on) or per monitor (from Windows 8.1 on), else the screen's.
int DpiForWindow(HWND window);

// AdjustWindowRectEx for a window at `dpi`: the frame's measures are those of that DPI where the
// system can tell them, else the screen's.
void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi);

} // namespace hivelark
