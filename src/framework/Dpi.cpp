#include "framework/Dpi.h"

#include "framework/Handles.h"
#include "framework/SystemFunction.h"

namespace hivelark {
namespace {

// The per-window DPI functions come with Windows 10 (1607), the per-monitor one with 8.1; the
// program runs from Vista on, so they are looked up rather than imported. Null where the system
// lacks them.
struct DpiFunctions {
  UINT(WINAPI* dpiForWindow)(HWND) = nullptr;
  // GetDpiForMonitor, of Windows 8.1's shcore.dll: for the systems before the per-window function.
  HRESULT(WINAPI* dpiForMonitor)(HMONITOR, int, UINT*, UINT*) = nullptr;
  BOOL(WINAPI* adjustWindowRectForDpi)(RECT*, DWORD, BOOL, DWORD, UINT) = nullptr;
};

const DpiFunctions& Functions() {
  static const DpiFunctions functions = [] {
    DpiFunctions found;
    HMODULE user = GetModuleHandleA("user32.dll");
    found.dpiForWindow = LookUpFunction<decltype(found.dpiForWindow)>(user, "GetDpiForWindow");
    found.adjustWindowRectForDpi =
        LookUpFunction<decltype(found.adjustWindowRectForDpi)>(user, "AdjustWindowRectExForDpi");
    if (found.dpiForWindow == nullptr) {
      found.dpiForMonitor = LookUpFunction<decltype(found.dpiForMonitor)>(
          LoadLibraryA("shcore.dll"), "GetDpiForMonitor");
    }
    return found;
  }();
  return functions;
}

} // namespace

int ScaleFromDpiRoundingUp(int pixels, int dpi) {
  if (dpi <= 0) {
    return pixels;
  }
  const long long scaled = static_cast<long long>(pixels) * kDesignDpi;
  // Division truncates towards zero, which for a negative length is already up.
  return static_cast<int>(scaled >= 0 ? (scaled + dpi - 1) / dpi : scaled / dpi);
}

int ScreenDpi() {
  WindowDC screen(nullptr);
  const int dpi = screen.get() != nullptr ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
  return dpi > 0 ? dpi : kDesignDpi;
}

int DpiForWindow(HWND window) {
  if (window != nullptr && Functions().dpiForWindow != nullptr) {
    if (const UINT dpi = Functions().dpiForWindow(window); dpi != 0) {
      return static_cast<int>(dpi);
    }
  }
  if (window != nullptr && Functions().dpiForMonitor != nullptr) {
    // The effective DPI (MDT_EFFECTIVE_DPI), the one the user's scale setting gives.
    constexpr int kEffectiveDpi = 0;
    UINT dpiX = 0;
    UINT dpiY = 0;
    if (SUCCEEDED(Functions().dpiForMonitor(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST),
                                            kEffectiveDpi, &dpiX, &dpiY)) &&
        dpiY != 0) {
      return static_cast<int>(dpiY);
    }
  }
  return ScreenDpi();
}

void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi) {
  if (Functions().adjustWindowRectForDpi != nullptr &&
      Functions().adjustWindowRectForDpi(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
    return;
  }
  AdjustWindowRectEx(&rect, style, FALSE, exStyle);
}

} // namespace hivelark
