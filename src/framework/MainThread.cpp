#include "framework/MainThread.h"

#include "framework/Messages.h"

#include <windows.h>

#include <atomic>
#include <exception>

namespace hivelark {
namespace {

std::atomic<DWORD> mainThreadId{0};
std::atomic<HWND> dispatchWindow{nullptr};

struct Dispatch {
  const std::function<void()>* function;
  std::exception_ptr error;
};

LRESULT CALLBACK DispatchWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_HIVELARK_SYNCHRONIZE) {
    auto* dispatch = reinterpret_cast<Dispatch*>(lParam);
    try {
      (*dispatch->function)();
    } catch (...) {
      dispatch->error = std::current_exception();
    }
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

void InitMainThread() {
  if (dispatchWindow.load() != nullptr) {
    return;
  }
  mainThreadId = GetCurrentThreadId();
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = DispatchWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "HivelarkMainThreadDispatch";
  RegisterClassA(&windowClass);
  dispatchWindow = CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                   nullptr, windowClass.hInstance, nullptr);
}

bool IsMainThread() {
  return GetCurrentThreadId() == mainThreadId.load();
}

void RunOnMainThread(const std::function<void()>& function) {
  const HWND window = dispatchWindow.load();
  if (window == nullptr || IsMainThread()) {
    function();
    return;
  }
  Dispatch dispatch{&function, nullptr};
  SendMessageA(window, WM_HIVELARK_SYNCHRONIZE, 0, reinterpret_cast<LPARAM>(&dispatch));
  if (dispatch.error) {
    std::rethrow_exception(dispatch.error);
  }
}

} // namespace hivelark
