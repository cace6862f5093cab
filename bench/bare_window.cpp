// Not a measurement: the baseline program of the start-up and footprint benchmarks. A bare Win32
// window of the main window's size, shown as the start-up information asks, with one multi-line
// edit control of the log's kind filling it and nothing else: what any windowed program costs on
// this system before it does anything of its own, and, once the footprint benchmark has put the
// program's log text into the edit control, what holding that text costs by itself.

#include <windows.h>

namespace {

constexpr char kClassName[] = "HivelarkBareWindow";
constexpr char kCaption[] = "Bare window";
constexpr int kClientWidth = 503;
constexpr int kClientHeight = 502;

LRESULT CALLBACK BareWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) {
    const DWORD style = WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN |
                        ES_NOHIDESEL | WS_VSCROLL | WS_HSCROLL;
    HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", style, 0, 0, kClientWidth,
                                kClientHeight, window, nullptr, nullptr, nullptr);
    if (edit == nullptr) {
      return -1;
    }
    SendMessageA(edit, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = BareWindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kClassName;
  RegisterClassA(&windowClass);
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT bounds{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRect(&bounds, style, FALSE);
  HWND window = CreateWindowExA(0, kClassName, kCaption, style, CW_USEDEFAULT, CW_USEDEFAULT,
                                bounds.right - bounds.left, bounds.bottom - bounds.top, nullptr,
                                nullptr, instance, nullptr);
  if (window == nullptr) {
    return 1;
  }
  ShowWindow(window, showCommand);
  UpdateWindow(window);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
