#include "framework/Application.h"
#include "framework/Handles.h"
#include "shell/Launcher.h"
#include "support/ProgramProcess.h"
#include "support/WindowDriver.h"

#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

using namespace hivelark;
using namespace testing_support;

namespace {

constexpr DWORD BOUND_MS = 10000;

// What a launcher reported, and on which thread.
struct Outcomes {
  std::atomic<int> finished{0}, timedOut{0}, errors{0};
  std::atomic<DWORD> errorCode{0}, eventThread{0};

  void Watch(TRzLauncher& launcher) {
    launcher.OnFinished = [this](TComponent*) { Record(finished); };
    launcher.OnTimeout = [this](TComponent*) { Record(timedOut); };
    launcher.OnError = [this](TComponent*, DWORD code) {
      errorCode = code;
      Record(errors);
    };
  }
  int Total() const { return finished + timedOut + errors; }

private:
  void Record(std::atomic<int>& count) {
    eventThread = GetCurrentThreadId();
    ++count;
  }
};

// Each test gets a scratch folder; the helper programs it starts write their process ids to
// ids.txt there and are ended, if still running, when the test ends.
class LauncherTest : public ::testing::Test {
protected:
  void SetUp() override {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    folder_ = std::string(temp) + "hivelark-launcher-" + std::to_string(GetTickCount64()) + "\\";
    ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
  }

  void TearDown() override {
    for (DWORD id : StartedIds()) {
      UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
      if (process && TerminateProcess(process.get(), 0)) {
        WaitForSingleObject(process.get(), BOUND_MS);
      }
    }
    for (const char* name : {"ids.txt", "run.bat", "done.txt"}) {
      DeleteFileA((folder_ + name).c_str());
    }
    RemoveDirectoryA(folder_.c_str());
  }

  // Points `launcher` at the helper program with these steps (see tests/helpers).
  void UseHelper(TRzLauncher& launcher, const std::string& steps) {
    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    const std::string path(program);
    launcher.SetFileName(path.substr(0, path.find_last_of('\\') + 1) + "launch_helper.exe");
    launcher.SetParameters("marker \"" + folder_ + "ids.txt\" " + steps);
    launcher.SetShowMode(smHide);
  }

  std::vector<DWORD> StartedIds() const {
    std::vector<DWORD> ids;
    std::ifstream file(folder_ + "ids.txt");
    for (unsigned long id; file >> id;) {
      ids.push_back(static_cast<DWORD>(id));
    }
    return ids;
  }

  // Waits until `count` helpers have started; their ids.
  std::vector<DWORD> WaitForStarts(size_t count) const {
    for (ULONGLONG deadline = GetTickCount64() + BOUND_MS;
         StartedIds().size() < count && GetTickCount64() < deadline;) {
      Sleep(20);
    }
    return StartedIds();
  }

  static bool IsRunning(DWORD processId) {
    UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    return process && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
  }

  std::string folder_;
};

UniqueHandle OpenWatchThread(const TRzLauncher& launcher) {
  TRzLaunchThread* thread = launcher.WaitThread();
  return UniqueHandle(thread != nullptr ? OpenThread(SYNCHRONIZE, FALSE, thread->ThreadId())
                                        : nullptr);
}

TEST_F(LauncherTest, ShellRequestCarriesThePropertiesAndAFailureNeverReadsAsSuccess) {
  TRzLauncher launcher(nullptr);
  Outcomes outcomes;
  outcomes.Watch(launcher);
  SHELLEXECUTEINFOA seen{};
  int requests = 0;
  BOOL answer = TRUE;
  launcher.SetShellExecute([&](SHELLEXECUTEINFOA& request) {
    seen = request;
    ++requests;
    // On failure: the shell's "out of memory or resources", code 0.
    request.hInstApp = answer ? reinterpret_cast<HINSTANCE>(42) : nullptr;
    return answer;
  });
  EXPECT_EQ(launcher.Launch(), 0u) << "no file name: nothing to start";
  launcher.LaunchAndWatch();
  EXPECT_EQ(requests, 0);

  launcher.SetFileName("report.txt");
  launcher.SetShowMode(smMinimized);
  ASSERT_EQ(launcher.Launch(), 0u);
  EXPECT_EQ(seen.cbSize, sizeof(SHELLEXECUTEINFOA));
  EXPECT_EQ(seen.fMask, static_cast<ULONG>(0x540));
  EXPECT_EQ(seen.hwnd, nullptr);
  EXPECT_EQ(seen.nShow, SW_SHOWMINNOACTIVE);
  EXPECT_STREQ(seen.lpVerb, "Open");
  EXPECT_STREQ(seen.lpFile, "report.txt");
  EXPECT_STREQ(seen.lpParameters, "") << "an empty text, never a null pointer";
  EXPECT_STREQ(seen.lpDirectory, "");
  EXPECT_EQ(launcher.InstApp(), reinterpret_cast<HINSTANCE>(42));

  answer = FALSE;
  EXPECT_NE(launcher.Launch(), 0u);
  launcher.LaunchAndWatch(); // returns although the shell's code is 0
  ASSERT_TRUE(PumpUntil([&] { return outcomes.errors == 1; }));
  EXPECT_NE(outcomes.errorCode.load(), 0u);
}

TEST_F(LauncherTest, MissingFileGivesTheShellsFileNotFoundCode) {
  TRzLauncher launcher(nullptr);
  Outcomes outcomes;
  outcomes.Watch(launcher);
  launcher.SetFileName(folder_ + "missing.exe");
  EXPECT_EQ(launcher.Launch(), static_cast<DWORD>(SE_ERR_FNF));
  EXPECT_EQ(launcher.ProcessHandle(), nullptr);

  // In the background the caller returns first; the main thread then runs the event.
  launcher.LaunchAndWatch();
  EXPECT_EQ(launcher.LastErrorCode(), static_cast<DWORD>(SE_ERR_FNF));
  EXPECT_EQ(outcomes.errors, 0);
  ASSERT_TRUE(PumpUntil([&] { return outcomes.errors == 1; }));
  EXPECT_EQ(outcomes.errorCode, static_cast<DWORD>(SE_ERR_FNF));
  EXPECT_EQ(outcomes.eventThread, GetCurrentThreadId());

  launcher.SetWaitUntilFinished(true);
  ASSERT_TRUE(PumpUntil([&] { return launcher.WaitThread() == nullptr; }));
  launcher.LaunchAndWatch();
  EXPECT_EQ(outcomes.errors, 2) << "raised directly in the calling thread";
  EXPECT_EQ(FindTopLevelWindow(GetCurrentProcessId(), "", ""), nullptr) << "nothing is shown";
}

TEST_F(LauncherTest, BatchFileRunsInTheCommandInterpreter) {
  const std::string done = folder_ + "done.txt";
  std::ofstream(folder_ + "run.bat") << "@echo off\r\necho done> \"" << done << "\"\r\n";
  TRzLauncher launcher(nullptr);
  launcher.SetFileName(folder_ + "run.bat");
  launcher.SetShowMode(smHide);
  ASSERT_EQ(launcher.Launch(), 0u);
  char image[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  ASSERT_TRUE(QueryFullProcessImageNameA(launcher.ProcessHandle(), 0, image, &size));
  EXPECT_EQ(_stricmp(image + size - 7, "cmd.exe"), 0) << image;
  EXPECT_EQ(WaitForSingleObject(launcher.ProcessHandle(), BOUND_MS), WAIT_OBJECT_0);
  EXPECT_NE(GetFileAttributesA(done.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(LauncherTest, EveryLaunchStartsAnotherCopyAndHandlesDoNotPileUp) {
  const DWORD handlesBefore = OpenHandleCount(GetCurrentProcess());
  auto* launcher = new TRzLauncher(nullptr);
  UseHelper(*launcher, "exit 0");
  constexpr size_t LAUNCHES = 50;
  for (size_t launch = 0; launch < LAUNCHES; ++launch) {
    ASSERT_EQ(launcher->Launch(), 0u);
  }
  EXPECT_EQ(WaitForStarts(LAUNCHES).size(), LAUNCHES);
  const DWORD handlesWithLauncher = OpenHandleCount(GetCurrentProcess());
  EXPECT_LT(handlesWithLauncher, handlesBefore + 10) << "replaced process handles are closed";
  delete launcher;
  EXPECT_LT(OpenHandleCount(GetCurrentProcess()), handlesWithLauncher)
      << "the last one is closed at destruction";
}

TEST_F(LauncherTest, BackgroundWatchReportsOnTheMainThreadAndCountsPolls) {
  TRzLauncher launcher(nullptr);
  Outcomes outcomes;
  outcomes.Watch(launcher);
  UseHelper(launcher, "sleep 700 exit 42");
  launcher.LaunchAndWatch();
  ASSERT_TRUE(launcher.Running());
  TRzLaunchThread* thread = launcher.WaitThread();
  launcher.LaunchAndWatch();
  EXPECT_EQ(launcher.WaitThread(), thread) << "a second watch is refused while one runs";
  ASSERT_TRUE(PumpUntil([&] { return outcomes.finished == 1; }));
  EXPECT_EQ(launcher.ExitCode(), 42u);
  EXPECT_EQ(outcomes.eventThread, GetCurrentThreadId());
  EXPECT_EQ(outcomes.timedOut, 0) << "-1 is no limit";
  ASSERT_TRUE(PumpUntil([&] { return launcher.WaitThread() == nullptr; }));
  EXPECT_FALSE(launcher.Running());
  EXPECT_EQ(launcher.ProcessHandle(), nullptr) << "closed when the watch ended";
  EXPECT_EQ(StartedIds().size(), 1u);

  UseHelper(launcher, "sleep 30000");
  launcher.SetTimeout(250);
  const ULONGLONG started = GetTickCount64();
  launcher.LaunchAndWatch();
  ASSERT_TRUE(PumpUntil([&] { return outcomes.timedOut == 1; }));
  EXPECT_GE(GetTickCount64() - started, 250u) << "three polls of 100 ms";
  EXPECT_EQ(outcomes.finished, 1);
  ASSERT_EQ(WaitForStarts(2).size(), 2u);
  EXPECT_TRUE(IsRunning(StartedIds()[1])) << "a time-out does not stop the program";
}

constexpr UINT WM_TEST_TICK = WM_APP + 50;
std::atomic<int> ticksWhileRunning{0};
TRzLauncher* tickedLauncher = nullptr;

LRESULT CALLBACK TickWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TEST_TICK) {
    ticksWhileRunning += tickedLauncher->Running() ? 1 : 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(LauncherTest, WatchesInTheCallingThreadBlockOrServeMessages) {
  TRzLauncher launcher(nullptr);
  Outcomes outcomes;
  outcomes.Watch(launcher);
  launcher.SetWaitUntilFinished(true);
  UseHelper(launcher, "sleep 300 exit 7");
  launcher.LaunchAndWatch();
  EXPECT_EQ(outcomes.finished, 1);
  EXPECT_EQ(launcher.ExitCode(), 7u);
  EXPECT_FALSE(launcher.Running());

  TApplication application;
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = TickWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "HivelarkLauncherTestTicks";
  RegisterClassA(&windowClass);
  UniqueWindow window(CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                      nullptr, windowClass.hInstance, nullptr));
  tickedLauncher = &launcher;
  launcher.SetWaitType(wtProcessMessages);
  // Posted every 150 ms while the program runs 1500 ms: each message restarts the time-out.
  launcher.SetTimeout(600);
  UseHelper(launcher, "sleep 1500 exit 3");
  std::atomic<bool> stop{false};
  std::thread ticker([&] {
    for (; !stop; Sleep(150)) {
      PostMessageA(window.get(), WM_TEST_TICK, 0, 0);
    }
  });
  launcher.LaunchAndWatch();
  stop = true;
  ticker.join();
  EXPECT_EQ(outcomes.finished, 2);
  EXPECT_EQ(outcomes.timedOut, 0);
  EXPECT_EQ(launcher.ExitCode(), 3u);
  EXPECT_GT(ticksWhileRunning, 0) << "posted messages were handled during the wait";
}

TEST_F(LauncherTest, DestroyedDuringABackgroundWatchRaisesNothingAndLeavesTheProgramRunning) {
  Outcomes outcomes;
  const auto startWatch = [&](const std::string& steps) {
    auto* launcher = new TRzLauncher(nullptr);
    outcomes.Watch(*launcher);
    UseHelper(*launcher, steps);
    launcher->LaunchAndWatch();
    return launcher;
  };
  // While it polls.
  TRzLauncher* launcher = startWatch("sleep 30000");
  UniqueHandle thread = OpenWatchThread(*launcher);
  ASSERT_TRUE(thread);
  delete launcher;
  EXPECT_EQ(WaitForSingleObject(thread.get(), BOUND_MS), WAIT_OBJECT_0) << "the watch ended";
  ASSERT_EQ(WaitForStarts(1).size(), 1u);
  EXPECT_TRUE(IsRunning(StartedIds()[0]));

  // While its thread waits for the main thread to run OnFinished: the program has ended, and
  // this thread takes no messages until the destructor does.
  launcher = startWatch("exit 0");
  thread = OpenWatchThread(*launcher);
  ASSERT_EQ(WaitForStarts(2).size(), 2u);
  while (IsRunning(StartedIds()[1])) {
    Sleep(20);
  }
  Sleep(300);
  delete launcher;
  EXPECT_EQ(WaitForSingleObject(thread.get(), BOUND_MS), WAIT_OBJECT_0);
  PumpUntil([] { return false; }, 300);
  EXPECT_EQ(outcomes.Total(), 0);

  // By the handler of its own event, while its thread waits for that handler.
  launcher = startWatch("exit 0");
  launcher->OnFinished = [&](TComponent* sender) {
    ++outcomes.finished;
    delete sender;
  };
  thread = OpenWatchThread(*launcher);
  ASSERT_TRUE(PumpUntil([&] { return outcomes.finished == 1; }));
  EXPECT_EQ(WaitForSingleObject(thread.get(), BOUND_MS), WAIT_OBJECT_0);
}

} // namespace
