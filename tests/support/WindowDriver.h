#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

// Helpers that let a test work windows from outside, as a person would: find a top-level window,
// read its controls, press its buttons. Modal windows are answered by a DialogAnswerer, which
// waits on its own thread while the test's thread sits in the modal loop.
namespace testing_support {

// The first visible top-level window of process `processId` whose class and caption match (an
// empty class or caption matches any), or null.
HWND FindTopLevelWindow(DWORD processId, const std::string& className, const std::string& caption);

// Waits up to `timeoutMs` for such a window, looking every `pollMs`; null if none came.
HWND WaitForTopLevelWindow(DWORD processId, const std::string& className,
                           const std::string& caption, DWORD timeoutMs, DWORD pollMs = 20);

// Sends a message to a window of any process and waits up to `timeoutMs` for its answer; false when
// none came. A program that was busy for over five seconds (a 50 MB paste, say) counts as hung
// under Wine until its thread waits for messages again, so a send that gives up on hung programs
// would fail at once if it came just after such work: these sends only time out.
bool AskWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeoutMs,
               DWORD_PTR* answer = nullptr);

// The text of a window of any process, up to 4,095 characters.
std::string WindowText(HWND window);
// The whole text, any length (a log of many megabytes included).
std::string LongWindowText(HWND window);
std::string WindowClass(HWND window);
// The window's rectangle in pixels of its parent's client area (of the screen for a top-level one).
RECT RectInParent(HWND window);

// The clipboard's text, or "<none>" when it holds none or cannot be opened.
std::string ClipboardText();

// The first child (at any depth) of `parent` whose class and text match (empty matches any).
HWND FindChild(HWND parent, const std::string& className, const std::string& text);
int CountChildren(HWND parent, const std::string& className, DWORD requiredStyle = 0);

// The message of one of the program's message dialogs: the text of its label (the static control
// that shows no icon). Works across processes.
std::string MessageDialogText(HWND dialog);

// Any top-level window of process `processId` with this class and caption, shown or hidden.
HWND FindAnyTopLevelWindow(DWORD processId, const std::string& className,
                           const std::string& caption);

// Presses the push button with caption `caption` in `dialog` the way the platform reports a
// click: the dialog receives the button's command.
bool PressButton(HWND dialog, const std::string& caption);

// On its own thread: waits for a top-level window of this process with the given class and
// caption, then runs `action` on it (on that thread). The destructor waits for the thread.
class DialogAnswerer {
public:
  using Action = std::function<void(HWND)>;
  DialogAnswerer(std::string className, std::string caption, Action action,
                 DWORD timeoutMs = 20000);
  DialogAnswerer(const DialogAnswerer&) = delete;
  DialogAnswerer& operator=(const DialogAnswerer&) = delete;
  ~DialogAnswerer();

  bool Answered() const { return answered_; }
  // Waits (without pumping) for the thread to finish.
  void Join();

private:
  std::atomic<bool> answered_{false};
  std::thread thread_;
};

// Pumps the calling thread's messages until `done` holds or `timeoutMs` passes; returns `done()`.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000);

} // namespace testing_support
