#include "support/WindowDriver.h"

#include "framework/Handles.h"

#include <vector>

namespace testing_support {
namespace {

struct Search {
  DWORD processId;
  const std::string* className;
  const std::string* caption;
  HWND found;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<Search*>(parameter);
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  if (processId != search->processId || !IsWindowVisible(window)) {
    return TRUE;
  }
  if (!search->className->empty() && WindowClass(window) != *search->className) {
    return TRUE;
  }
  if (!search->caption->empty() && WindowText(window) != *search->caption) {
    return TRUE;
  }
  search->found = window;
  return FALSE;
}

struct ChildSearch {
  const std::string* className;
  const std::string* text;
  DWORD requiredStyle;
  std::vector<HWND> found;
};

BOOL CALLBACK MatchChild(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<ChildSearch*>(parameter);
  if (!search->className->empty() && WindowClass(window) != *search->className) {
    return TRUE;
  }
  if (!search->text->empty() && WindowText(window) != *search->text) {
    return TRUE;
  }
  const auto style = static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE));
  if ((style & search->requiredStyle) != search->requiredStyle) {
    return TRUE;
  }
  search->found.push_back(window);
  return TRUE;
}

} // namespace

bool AskWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeoutMs,
               DWORD_PTR* answer) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, timeoutMs,
                             answer != nullptr ? answer : &ignored) != 0;
}

std::string WindowText(HWND window) {
  char text[4096] = {};
  // WM_GETTEXT works across processes where GetWindowText would not.
  AskWindow(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text), 5000);
  return text;
}

std::string LongWindowText(HWND window) {
  DWORD_PTR length = 0;
  if (!AskWindow(window, WM_GETTEXTLENGTH, 0, 0, 30000, &length)) {
    return {};
  }
  std::string text(length + 1, '\0');
  DWORD_PTR copied = 0;
  AskWindow(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), 60000, &copied);
  text.resize(copied);
  return text;
}

std::string ClipboardText() {
  hivelark::ClipboardScope clipboard(nullptr);
  HANDLE data = clipboard.opened() ? GetClipboardData(CF_TEXT) : nullptr;
  if (data == nullptr) {
    return "<none>";
  }
  hivelark::GlobalLockScope lock(data);
  return static_cast<const char*>(lock.data());
}

std::string WindowClass(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof(name));
  return name;
}

RECT RectInParent(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  if ((GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD) != 0) {
    MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
  }
  return rect;
}

HWND FindTopLevelWindow(DWORD processId, const std::string& className, const std::string& caption) {
  Search search{processId, &className, &caption, nullptr};
  EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitForTopLevelWindow(DWORD processId, const std::string& className,
                           const std::string& caption, DWORD timeoutMs, DWORD pollMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (HWND window = FindTopLevelWindow(processId, className, caption)) {
      return window;
    }
    if (GetTickCount() - start > timeoutMs) {
      return nullptr;
    }
    Sleep(pollMs);
  }
}

HWND FindChild(HWND parent, const std::string& className, const std::string& text) {
  ChildSearch search{&className, &text, 0, {}};
  EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&search));
  return search.found.empty() ? nullptr : search.found.front();
}

int CountChildren(HWND parent, const std::string& className, DWORD requiredStyle) {
  const std::string anyText;
  ChildSearch search{&className, &anyText, requiredStyle, {}};
  EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&search));
  return static_cast<int>(search.found.size());
}

std::string MessageDialogText(HWND dialog) {
  std::string message;
  EnumChildWindows(
      dialog, [](HWND child, LPARAM parameter) __attribute__((stdcall))->BOOL {
        if (WindowClass(child) == "Static" &&
            (GetWindowLongPtrA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) {
          *reinterpret_cast<std::string*>(parameter) = WindowText(child);
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&message));
  return message;
}

HWND FindAnyTopLevelWindow(DWORD processId, const std::string& className,
                           const std::string& caption) {
  struct AnySearch {
    DWORD processId;
    const std::string* className;
    const std::string* caption;
    HWND found;
  } search{processId, &className, &caption, nullptr};
  EnumWindows(
      [](HWND window, LPARAM parameter) __attribute__((stdcall))->BOOL {
        auto* search = reinterpret_cast<AnySearch*>(parameter);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == search->processId && WindowClass(window) == *search->className &&
            WindowText(window) == *search->caption) {
          search->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool PressButton(HWND dialog, const std::string& caption) {
  HWND button = FindChild(dialog, "Button", caption);
  if (button == nullptr) {
    return false;
  }
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
  return true;
}

DialogAnswerer::DialogAnswerer(std::string className, std::string caption, Action action,
                               DWORD timeoutMs) {
  thread_ = std::thread([this, className, caption, action, timeoutMs] {
    HWND window = WaitForTopLevelWindow(GetCurrentProcessId(), className, caption, timeoutMs);
    if (window != nullptr) {
      action(window);
      answered_ = true;
    }
  });
}

DialogAnswerer::~DialogAnswerer() {
  Join();
}

void DialogAnswerer::Join() {
  if (thread_.joinable()) {
    thread_.join();
  }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) {
      return false;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  return true;
}

} // namespace testing_support
