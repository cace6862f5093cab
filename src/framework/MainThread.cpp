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

bool WaitHandlingSentMessages(HANDLE handle) {
  for (;;) {
    // MWMO_INPUTAVAILABLE: a message that arrived before the call still wakes the wait.
    const DWORD woken =
        MsgWaitForMultipleObjectsEx(1, &handle, INFINITE, QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
    if (woken == WAIT_OBJECT_0) {
      return true;
    }
    if (woken != WAIT_OBJECT_0 + 1) {
      return false;
    }
    // Handles the messages sent to this thread and leaves the posted ones queued.
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
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
