// What the real program holds and spends while it runs: its private memory after start-up and
// after 10,000 logged changes, and the CPU time of the whole process and of each of its threads
// over 10 s of waiting while it monitors a key. A bare Win32 window program with one edit control
// runs beside it the whole time and is measured the same way, as the baseline; after the changes,
// its edit control is given the program's whole log text, so that the memory after the entries
// is set against what holding that text in an edit control costs by itself.
//
// The program is worked only through its windows, as a user would: the root key chosen in its list,
// the key path typed into its field, the Start picture clicked. The changes come from this process,
// one value set at a time, each once the previous one is in the log; a short pause after each
// entry lets the monitor arm again, and a change that brings no entry within half a second (it
// came before the arming) is made again. Arguments: the number of entries (default 10,000) and
// the seconds of waiting (default 10).

#include "BenchSupport.h"
#include "ProgramDriver.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

using namespace hivelark;

namespace {

constexpr size_t kEntries = 10000;
constexpr DWORD kIdleSeconds = 10;
constexpr DWORD kSettleMs = 1000;
constexpr DWORD kPauseAfterEntryMs = 5;
constexpr DWORD kRepeatAfterMs = 500;
constexpr DWORD kGiveUpAfterMs = 20000;
constexpr int kHkeyCurrentUserItem = 1;
constexpr char kEntryHeading[] = "Hivelark detected a change at ";

// The places of the controls in the main window's client area and in its panels.
constexpr POINT kUpperPanel{250, 150};
constexpr POINT kLowerPanel{250, 400};
constexpr POINT kRootKeyList{27, 35};
constexpr POINT kKeyPathField{182, 35};
constexpr POINT kStartPicture{42, 245};
constexpr POINT kLog{20, 20};

struct MemoryUse {
  // What the process counters call private usage.
  SIZE_T privateUsage = 0;
  // The committed private regions of the address space, summed.
  SIZE_T privateCommitted = 0;
  SIZE_T workingSet = 0;
};

MemoryUse MeasureMemory(HANDLE process) {
  MemoryUse use;
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof(counters);
  if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                           sizeof(counters))) {
    use.privateUsage = counters.PrivateUsage;
    use.workingSet = counters.WorkingSetSize;
  }
  MEMORY_BASIC_INFORMATION region{};
  const char* address = nullptr;
  while (VirtualQueryEx(process, address, &region, sizeof(region)) == sizeof(region)) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) {
      use.privateCommitted += region.RegionSize;
    }
    const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    if (next <= address) {
      break;
    }
    address = next;
  }
  return use;
}

double Megabytes(SIZE_T bytes) {
  return static_cast<double>(bytes) / (1024 * 1024);
}

double Milliseconds(const FILETIME& kernel, const FILETIME& user) {
  const auto hundredNanoseconds = [](const FILETIME& time) {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  return static_cast<double>(hundredNanoseconds(kernel) + hundredNanoseconds(user)) / 10000;
}

double ProcessCpu(HANDLE process) {
  FILETIME created, exited, kernel, user;
  return GetProcessTimes(process, &created, &exited, &kernel, &user) ? Milliseconds(kernel, user)
                                                                     : 0;
}

double Sum(const std::map<DWORD, double>& threads) {
  double sum = 0;
  for (const auto& [id, milliseconds] : threads) {
    sum += milliseconds;
  }
  return sum;
}

// The CPU time of every thread of the process, by thread id.
std::map<DWORD, double> ThreadCpu(DWORD processId) {
  std::map<DWORD, double> threads;
  UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) {
    return threads;
  }
  THREADENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Thread32First(snapshot.get(), &entry); more;
       more = Thread32Next(snapshot.get(), &entry)) {
    if (entry.th32OwnerProcessID != processId) {
      continue;
    }
    UniqueHandle thread(OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID));
    FILETIME created, exited, kernel, user;
    if (thread && GetThreadTimes(thread.get(), &created, &exited, &kernel, &user)) {
      threads[entry.th32ThreadID] = Milliseconds(kernel, user);
    }
  }
  return threads;
}

bool IsClass(HWND window, const char* className) {
  return window != nullptr && _stricmp(bench::WindowClass(window).c_str(), className) == 0;
}

HWND ChildAt(HWND parent, POINT point) {
  return bench::ChildAt(parent, point.x, point.y);
}

LRESULT LineCount(HWND log) {
  DWORD_PTR lines = 0;
  testing_support::AskWindow(log, EM_GETLINECOUNT, 0, 0, 5000, &lines);
  return static_cast<LRESULT>(lines);
}

size_t CountEntries(const std::string& log) {
  size_t entries = 0;
  for (size_t at = log.find(kEntryHeading); at != std::string::npos;
       at = log.find(kEntryHeading, at + 1)) {
    ++entries;
  }
  return entries;
}

struct Controls {
  HWND rootKeyList = nullptr;
  HWND keyPathField = nullptr;
  HWND startPicture = nullptr;
  HWND log = nullptr;
};

bool FindControls(HWND mainWindow, Controls& controls) {
  HWND upper = ChildAt(mainWindow, kUpperPanel);
  HWND lower = ChildAt(mainWindow, kLowerPanel);
  if (upper == nullptr || lower == nullptr) {
    return false;
  }
  controls.rootKeyList = ChildAt(upper, kRootKeyList);
  controls.keyPathField = ChildAt(upper, kKeyPathField);
  controls.startPicture = ChildAt(upper, kStartPicture);
  controls.log = ChildAt(lower, kLog);
  return IsClass(controls.rootKeyList, "ComboBox") && IsClass(controls.keyPathField, "Edit") &&
         IsClass(controls.startPicture, "Button") && IsClass(controls.log, "Edit");
}

// Chooses HKEY_CURRENT_USER, types the path and clicks Start; true once the settings are locked,
// which the program does only when monitoring has begun.
bool StartMonitoring(const Controls& controls, const std::string& keyPath) {
  SendMessageA(controls.rootKeyList, CB_SETCURSEL, kHkeyCurrentUserItem, 0);
  // The notification the list sends when the user picks an item.
  SendMessageA(GetParent(controls.rootKeyList), WM_COMMAND,
               MAKEWPARAM(GetDlgCtrlID(controls.rootKeyList), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(controls.rootKeyList));
  SendMessageA(controls.keyPathField, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(keyPath.c_str()));
  constexpr LPARAM kInside = MAKELPARAM(10, 10);
  PostMessageA(controls.startPicture, WM_LBUTTONDOWN, MK_LBUTTON, kInside);
  PostMessageA(controls.startPicture, WM_LBUTTONUP, 0, kInside);
  const ULONGLONG start = GetTickCount64();
  while (IsWindowEnabled(controls.keyPathField)) {
    if (GetTickCount64() - start > kGiveUpAfterMs) {
      return false;
    }
    Sleep(10);
  }
  return true;
}

struct ChangeRun {
  size_t changes = 0;
  size_t repeated = 0;
  // From the last change made for an entry to the poll that found the entry in the log.
  std::vector<double> entryMilliseconds;
  bool complete = false;
};

// Sets a value of `key` until `entries` new entries have reached the log, one at a time.
ChangeRun MakeChanges(HKEY key, HWND log, size_t entries) {
  ChangeRun run;
  LRESULT lines = LineCount(log);
  DWORD value = 0;
  for (size_t entry = 0; entry < entries; ++entry) {
    // The monitor arms again only once the window has handled the last report: a change made
    // before that would not be reported at all.
    Sleep(kPauseAfterEntryMs);
    const ULONGLONG start = GetTickCount64();
    ULONGLONG changedAt = 0;
    LONGLONG changeStartedAt = 0;
    for (;;) {
      const ULONGLONG now = GetTickCount64();
      if (now - start > kGiveUpAfterMs) {
        return run;
      }
      if (changedAt == 0 || now - changedAt > kRepeatAfterMs) {
        run.repeated += changedAt != 0 ? 1 : 0;
        // A value always different from the last: setting the same data need not notify.
        ++value;
        changeStartedAt = bench::Now();
        RegSetValueExA(key, "bench", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof(value));
        ++run.changes;
        changedAt = now;
      }
      Sleep(1);
      const LRESULT currentLines = LineCount(log);
      if (currentLines > lines) {
        run.entryMilliseconds.push_back(bench::Microseconds(bench::Now() - changeStartedAt) / 1000);
        lines = currentLines;
        break;
      }
    }
  }
  run.complete = true;
  return run;
}

// Appends `text` to the end of another process's edit control, whole lines at a time. Under Wine a
// single message carrying megabytes to another process is not delivered (the receiver's GetMessage
// fails), so the text goes in pieces of at most 64 KB.
bool AppendInPieces(HWND edit, const std::string& text) {
  constexpr size_t kPieceBytes = 64 * 1024;
  for (size_t at = 0; at < text.size();) {
    size_t end = std::min(text.size(), at + kPieceBytes);
    if (end < text.size()) {
      const size_t lineEnd = text.rfind("\r\n", end - 2);
      end = lineEnd != std::string::npos && lineEnd + 2 > at ? lineEnd + 2 : end;
    }
    const std::string piece = text.substr(at, end - at);
    constexpr int kPastTheEnd = 0x7FFFFFFF;
    DWORD_PTR ignored = 0;
    if (!testing_support::AskWindow(edit, EM_SETSEL, kPastTheEnd, kPastTheEnd, 10000, &ignored) ||
        !testing_support::AskWindow(edit, EM_REPLACESEL, FALSE,
                                    reinterpret_cast<LPARAM>(piece.c_str()), 10000, &ignored)) {
      return false;
    }
    at = end;
  }
  return true;
}

void PrintMemoryRow(const char* name, const MemoryUse& use) {
  std::printf("| %-44s | %10.1f | %10.1f | %11.1f |\n", name, Megabytes(use.privateUsage),
              Megabytes(use.privateCommitted), Megabytes(use.workingSet));
}

} // namespace

int main(int argc, char** argv) {
  const size_t entries = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : kEntries;
  const DWORD idleSeconds = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : kIdleSeconds;
  if (bench::HivelarkRunning()) {
    std::printf("Hivelark is already running in this session: close it first\n");
    return 1;
  }
  const std::string root = "Software\\HivelarkTests";
  const std::string keyPath = root + "\\footprint-" + std::to_string(GetCurrentProcessId());
  UniqueKey key;
  RegCreateKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                  key.put(), nullptr);
  const auto removeKey = [&] {
    key.reset();
    RegDeleteTreeA(HKEY_CURRENT_USER, keyPath.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, root.c_str());
  };

  bench::ProgramProcess bare("bench_bare_window.exe", SW_SHOWNORMAL);
  HWND bareWindow = bench::WaitForShownWindow(bare, "HivelarkBareWindow", "Bare window");
  bench::ProgramProcess hivelark("Hivelark.exe", SW_SHOWNORMAL);
  HWND mainWindow = bench::WaitForShownWindow(hivelark, "HivelarkForm", "Hivelark");
  Controls controls;
  if (bareWindow == nullptr || mainWindow == nullptr || !FindControls(mainWindow, controls)) {
    std::printf("the programs' windows or the main window's controls were not found\n");
    removeKey();
    return 1;
  }
  WaitForInputIdle(bare.Handle(), 5000);
  WaitForInputIdle(hivelark.Handle(), 5000);
  Sleep(kSettleMs);
  const MemoryUse bareMemory = MeasureMemory(bare.Handle());
  const MemoryUse startedMemory = MeasureMemory(hivelark.Handle());

  const auto threadsBeforeStart = ThreadCpu(hivelark.Id());
  if (!StartMonitoring(controls, keyPath)) {
    std::printf("the program did not start monitoring %s\n", keyPath.c_str());
    removeKey();
    return 1;
  }
  Sleep(kSettleMs);

  // Waiting: nothing changes under the key for the whole time.
  const auto threadsBefore = ThreadCpu(hivelark.Id());
  const auto bareThreadsBefore = ThreadCpu(bare.Id());
  const double processBefore = ProcessCpu(hivelark.Handle());
  Sleep(idleSeconds * 1000);
  const double processTimesIdle = ProcessCpu(hivelark.Handle()) - processBefore;
  const auto threadsAfter = ThreadCpu(hivelark.Id());
  const double bareIdle = Sum(ThreadCpu(bare.Id())) - Sum(bareThreadsBefore);
  const double processIdle = Sum(threadsAfter) - Sum(threadsBefore);
  const DWORD mainThread = GetWindowThreadProcessId(mainWindow, nullptr);

  // Logging, for comparison: the same counters while the program works.
  const LONGLONG changesStart = bench::Now();
  const ChangeRun run = MakeChanges(key.get(), controls.log, entries);
  const double changeSeconds = bench::Microseconds(bench::Now() - changesStart) / 1e6;
  const double processTimesLogging =
      ProcessCpu(hivelark.Handle()) - processBefore - processTimesIdle;
  const auto threadsLogged = ThreadCpu(hivelark.Id());
  const double processLogging = Sum(threadsLogged) - Sum(threadsAfter);
  Sleep(kSettleMs);
  const MemoryUse loggedMemory = MeasureMemory(hivelark.Handle());
  const std::string log = bench::LongWindowText(controls.log);
  const size_t logged = CountEntries(log);
  HWND bareEdit = FindWindowExA(bareWindow, nullptr, "Edit", nullptr);
  const bool textSet = AppendInPieces(bareEdit, log);
  Sleep(kSettleMs);
  const MemoryUse bareHoldingLogMemory = MeasureMemory(bare.Handle());
  const size_t bareTextLength = bench::LongWindowText(bareEdit).size();

  const bool hivelarkClosed = bench::CloseAndWait(hivelark, mainWindow);
  const bool bareClosed = bench::CloseAndWait(bare, bareWindow);
  removeKey();

  std::printf("Memory (MB)\n\n");
  std::printf("| %-44s | %10s | %10s | %11s |\n", "process", "private", "committed", "working set");
  std::printf("|%s|%s|%s|%s|\n", std::string(46, '-').c_str(), std::string(12, '-').c_str(),
              std::string(12, '-').c_str(), std::string(13, '-').c_str());
  PrintMemoryRow("bare Win32 window, after start-up", bareMemory);
  PrintMemoryRow("bare Win32 window, its edit holding the log", bareHoldingLogMemory);
  PrintMemoryRow("Hivelark.exe, after start-up", startedMemory);
  PrintMemoryRow(("Hivelark.exe, after " + bench::Grouped(logged) + " entries").c_str(),
                 loggedMemory);
  std::printf("\nprivate: the process counters' private usage; committed: the private committed "
              "regions of the address space (VirtualQueryEx)\n");
  // Wine reports the swap in use as a process's private usage, which is 0 on a machine that does
  // not swap; the committed private regions are then the measure.
  const bool countersUsable = bareMemory.privateUsage > 0 && startedMemory.privateUsage > 0 &&
                              loggedMemory.privateUsage > 0 &&
                              bareHoldingLogMemory.privateUsage > 0;
  const auto privateBytes = [&](const MemoryUse& use) {
    return countersUsable ? use.privateUsage : use.privateCommitted;
  };
  if (!countersUsable) {
    std::printf("the counters' private usage is not usable here (0); the table below uses the "
                "committed private regions\n");
  }
  std::printf("changes made: %zu (%zu made again after %lu ms without an entry) in %.1f s; entries "
              "in the log: %zu, %zu bytes of text\n",
              run.changes, run.repeated, kRepeatAfterMs, changeSeconds, logged, log.size());

  std::printf("change to entry in the log: median %.1f ms, p99 %.1f ms\n",
              bench::Percentile(run.entryMilliseconds, 0.5),
              bench::Percentile(run.entryMilliseconds, 0.99));

  std::printf("\nCPU time (milliseconds)\n\n");
  std::printf("| %-44s | %14s | %14s |\n", "process or thread",
              bench::Format("waiting %lu s", idleSeconds).c_str(),
              (bench::Grouped(logged) + " entries").c_str());
  std::printf("|%s|%s|%s|\n", std::string(46, '-').c_str(), std::string(16, '-').c_str(),
              std::string(16, '-').c_str());
  std::printf("| %-44s | %14.1f | %14s |\n", "bare Win32 window, all threads", bareIdle, "-");
  std::printf("| %-44s | %14.1f | %14.1f |\n", "Hivelark.exe, all threads", processIdle,
              processLogging);
  std::printf("| %-44s | %14.1f | %14.1f |\n", "Hivelark.exe, the process's own times",
              processTimesIdle, processTimesLogging);
  const auto spentBetween = [](const std::map<DWORD, double>& earlier,
                               const std::map<DWORD, double>& later, DWORD id) {
    const auto before = earlier.find(id);
    const auto after = later.find(id);
    return (after == later.end() ? 0 : after->second) -
           (before == earlier.end() ? 0 : before->second);
  };
  double monitorIdle = -1;
  size_t monitorThreads = 0;
  for (const auto& [id, cpu] : threadsAfter) {
    const double idle = spentBetween(threadsBefore, threadsAfter, id);
    const bool startedByStart = threadsBeforeStart.count(id) == 0;
    if (startedByStart) {
      monitorIdle = std::max(monitorIdle, idle);
      ++monitorThreads;
    }
    const char* role = id == mainThread ? "main (window) thread"
                       : startedByStart ? "monitor thread (new at Start)"
                                        : "other thread";
    std::printf("| %-44s | %14.1f | %14.1f |\n",
                bench::Format("  thread %lu: %s", id, role).c_str(), idle,
                spentBetween(threadsAfter, threadsLogged, id));
  }
  // Wine's times for another process fall far short of the sum of its threads' (0.2 s against
  // 10 s over 600 entries): the whole process is measured as the sum of its threads.
  std::printf("\nwhole process: the sum of its threads' times, which the system keeps in clock "
              "ticks (10 ms here); the process's own times are shown for reference\n");

  const bool bareHoldsLog = textSet && bareTextLength == log.size();
  if (!bareHoldsLog) {
    std::printf("THE BARE WINDOW'S EDIT CONTROL DID NOT TAKE THE LOG'S %zu BYTES: %zu\n",
                log.size(), bareTextLength);
  }
  const bool complete =
      run.complete && logged >= entries && hivelarkClosed && bareClosed && bareHoldsLog;
  if (!run.complete || logged < entries) {
    std::printf("THE LOG DID NOT REACH %zu ENTRIES: %zu\n", entries, logged);
  }
  if (!hivelarkClosed || !bareClosed) {
    std::printf("a program did not end cleanly after WM_CLOSE\n");
  }
  const char* memoryKind = countersUsable ? "private usage" : "private committed";
  bench::Summary(
      bench::Format("memory after start-up (%s)", memoryKind),
      bench::Format("%.1f MB", Megabytes(privateBytes(startedMemory))),
      bench::Format("%.1f MB bare window", Megabytes(privateBytes(bareMemory))),
      bench::Ratio(Megabytes(privateBytes(startedMemory)), Megabytes(privateBytes(bareMemory))),
      "-", "-");
  bench::Summary("memory after " + bench::Grouped(logged) + " entries (" + memoryKind + ")",
                 bench::Format("%.1f MB", Megabytes(privateBytes(loggedMemory))),
                 bench::Format("%.1f MB bare window, its edit holding the same %.1f MB of text",
                               Megabytes(privateBytes(bareHoldingLogMemory)),
                               Megabytes(log.size())),
                 bench::Ratio(Megabytes(privateBytes(loggedMemory)),
                              Megabytes(privateBytes(bareHoldingLogMemory))),
                 "-", "-");
  bench::Summary(bench::Format("CPU, whole process, %lu s waiting while monitoring", idleSeconds),
                 bench::Format("%.0f ms", processIdle),
                 bench::Format("%.0f ms bare window", bareIdle),
                 bench::Ratio(processIdle, bareIdle), "-", "-");
  const bool monitorFound = monitorThreads == 1;
  bench::Summary(bench::Format("CPU, monitor thread, %lu s waiting", idleSeconds),
                 monitorFound ? bench::Format("%.0f ms", monitorIdle)
                              : bench::Format("%zu new threads", monitorThreads),
                 "-", "-", "0 ms", bench::Met(monitorFound && monitorIdle == 0));
  return complete ? 0 : 1;
}
