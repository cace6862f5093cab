#pragma once

#include "framework/Messages.h"
#include "monitor/RegMonitorThread.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace hivelark::monitortest {

// Handles this thread's messages until `done` holds or `timeoutMs` has passed; sleeps between
// checks until a message arrives, `wake` is signalled or 20 ms have passed.
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000,
                      HANDLE wake = nullptr) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      DispatchMessageA(&message);
    }
    const ULONGLONG now = GetTickCount64();
    if (done() || now >= deadline) {
      return done();
    }
    MsgWaitForMultipleObjectsEx(wake != nullptr ? 1 : 0, &wake,
                                static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 20)),
                                QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

// A scratch key HKEY_CURRENT_USER\Software\HivelarkTests\<process>-<n>, removed with its subtree.
class ScratchKey {
public:
  ScratchKey() {
    static int counter = 0;
    path_ = "Software\\HivelarkTests\\" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++counter);
    // A crashed run may have left one behind, and setting a value to what it holds need not notify.
    Delete();
    CreateSubKey("");
  }
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;
  ~ScratchKey() {
    Delete();
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\HivelarkTests");
  }

  const std::string& Path() const { return path_; }

  // Sets a string value of the key, or of its sub-key `subKey` (created if missing).
  void SetValue(const std::string& name, const std::string& data, const std::string& subKey = "") {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, Below(subKey).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                    &key, nullptr);
    RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>(data.size() + 1));
    RegCloseKey(key);
  }
  void CreateSubKey(const std::string& subKey) {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, Below(subKey).c_str(), 0, nullptr, 0, KEY_READ, nullptr,
                    &key, nullptr);
    RegCloseKey(key);
  }
  void Delete() { RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str()); }

private:
  std::string Below(const std::string& subKey) const {
    return subKey.empty() ? path_ : path_ + "\\" + subKey;
  }

  std::string path_;
};

// A real top-level window on the test's thread that records what monitors tell it.
class ReceiverWindow {
public:
  struct Report {
    LPARAM lParam;
    bool fromMonitor; // ReadChangeMessage accepted it
    TChangeData record;
  };

  ReceiverWindow() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "HivelarkMonitorTestReceiver";
    RegisterClassA(&windowClass);
    handle_ = CreateWindowExA(0, windowClass.lpszClassName, "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                              nullptr, nullptr, windowClass.hInstance, nullptr);
    SetWindowLongPtrA(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ReceiverWindow(const ReceiverWindow&) = delete;
  ReceiverWindow& operator=(const ReceiverWindow&) = delete;
  ~ReceiverWindow() { DestroyWindow(handle_); }

  HWND Handle() const { return handle_; }

  // Run inside the WM_REGCHANGE handler: BeforeRead before the record is read, OnChange after the
  // report has been recorded.
  std::function<void()> BeforeRead;
  std::function<void()> OnChange;
  std::vector<Report> reports;
  std::vector<WPARAM> failures;

private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<ReceiverWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self != nullptr && message == WM_REGCHANGE) {
      if (self->BeforeRead) {
        self->BeforeRead();
      }
      Report report{lParam, false, {}};
      report.fromMonitor = ReadChangeMessage(wParam, lParam, report.record);
      self->reports.push_back(report);
      if (self->OnChange) {
        self->OnChange();
      }
      return 0;
    }
    if (self != nullptr && message == WM_REGMONITOR_FAILED) {
      self->failures.push_back(wParam);
      return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
  }

  HWND handle_ = nullptr;
};

// What a harness monitor has armed; shared, so that it outlives a monitor that frees itself.
struct ArmRecord {
  UniqueHandle armed{CreateEventA(nullptr, FALSE, FALSE, nullptr)}; // set at each arming
  std::atomic<int> arms{0};
  std::atomic<DWORD> lastFilter{0};
  std::atomic<bool> destroyed{false};
  // The monitor's own record at each arming.
  std::mutex mutex;
  std::vector<TChangeData> recordsAtArming;
};

// A monitor that records each arming and its own destruction.
class ObservedMonitor : public TRegMonitorThread {
public:
  explicit ObservedMonitor(std::shared_ptr<ArmRecord> record) : record_(std::move(record)) {}
  ~ObservedMonitor() override { record_->destroyed = true; }

protected:
  LONG ArmNotification(HKEY key, DWORD filter, HANDLE event) override {
    const LONG result = TRegMonitorThread::ArmNotification(key, filter, event);
    TChangeData own;
    GetChangeData(own);
    {
      const std::lock_guard lock(record_->mutex);
      record_->recordsAtArming.push_back(own);
    }
    record_->lastFilter = filter;
    ++record_->arms;
    SetEvent(record_->armed.get());
    return result;
  }

private:
  std::shared_ptr<ArmRecord> record_;
};

} // namespace hivelark::monitortest
