// Does appending to the change log cost the same whether it holds ten entries or a hundred
// thousand? 100,000 changes go through the main window's real change handler; the time per entry
// over the first 1,000 is set against the last 1,000. Beside it, the same measure for a bare edit
// control of the log's kind that is sent nothing but the two messages of an append (what the
// control itself costs, with none of the program around it), and for a log that replaces its whole
// text at every entry (10,000 entries: the whole 100,000 would take hours). At entry 20,000, where
// an entry already costs milliseconds under Wine, the real change handler's time per entry is set
// against the bare edit control's over the same 1,000 entries: the program may add no more than a
// tenth to what the control itself costs.

#include "BenchSupport.h"
#include "controls/Edit.h"
#include "framework/Application.h"
#include "framework/Messages.h"
#include "main/frmMain.h"
#include "monitor/RegMonitorThread.h"
#include "monitor/RegistryAccess.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace hivelark;

namespace {

constexpr size_t kEntries = 100000;
constexpr size_t kReplacedEntries = 10000;
constexpr size_t kWindow = 1000;
constexpr size_t kTurn = 100;
constexpr double kGoal = 1.5;
// Against the bare edit control, over the 1,000 entries that end here.
constexpr size_t kCompareAt = 20000;
constexpr double kBareGoal = 1.1;

// The time per entry over the first and over the last 1,000 entries, or over all of them when
// there are fewer.
double FirstMean(const std::vector<double>& perEntry) {
  return bench::Mean(perEntry, 0, std::min(kWindow, perEntry.size()));
}

double LastMean(const std::vector<double>& perEntry) {
  const size_t window = std::min(kWindow, perEntry.size());
  return bench::Mean(perEntry, perEntry.size() - window, window);
}

void Report(const char* name, const std::vector<double>& perEntry) {
  const double first = FirstMean(perEntry);
  const double last = LastMean(perEntry);
  std::printf("| %-52s | %8zu | %10.1f | %10.1f | %6.2f |\n", name, perEntry.size(), first, last,
              last / first);
}

} // namespace

int main(int argc, char** argv) {
  const size_t entries = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : kEntries;
  const size_t replacedEntries = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : kReplacedEntries;
  TApplication application;
  application.SetTitle("Hivelark log benchmark");
  auto* form = application.CreateForm<TForm1>();
  form->Clock = [] { return SYSTEMTIME{2026, 12, 3, 9, 14, 5, 7, 0}; };
  form->Regional = [] { return RegionalSettings{}; };

  // A monitor that is never started: its link makes the messages below its own reports.
  auto monitor = std::make_unique<TRegMonitorThread>();
  monitor->SetRootKey(HKEY_CURRENT_USER_CODE);
  monitor->SetKeyPath("Software\\Hivelark\\Benchmark");
  const auto link = monitor->Link();
  HWND window = form->Handle();

  const std::string entry = std::string(58, '*') + "\r\nHivelark detected a change at " +
                            "12/9/2026 2:05:07 PM\r\nOn My Computer\\HKEY_CURRENT_USER\\" +
                            link->KeyPath() + "\r\n";

  // The same entries, appended to a bare edit control with the log's styles, size and font. The
  // two take turns of 100 entries, so that whatever else keeps the machine busy weighs on both
  // alike (entry by entry, each slowed the other down).
  HWND bare = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                              WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL |
                                  ES_WANTRETURN | ES_NOHIDESEL | WS_VSCROLL | WS_HSCROLL,
                              0, 0, 501, 176, window, nullptr, GetModuleHandleA(nullptr), nullptr);
  SendMessageA(bare, WM_SETFONT, SendMessageA(form->mmo1->Handle(), WM_GETFONT, 0, 0), FALSE);
  SendMessageA(bare, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
  std::vector<double> appended;
  std::vector<double> bareAppended;
  appended.reserve(entries);
  bareAppended.reserve(entries);
  while (bareAppended.size() < entries) {
    const size_t turn = std::min(kTurn, entries - appended.size());
    for (size_t index = 0; index < turn; ++index) {
      const LONGLONG start = bench::Now();
      SendMessageA(window, WM_REGCHANGE, link->RootKey(),
                   reinterpret_cast<LPARAM>(link->KeyPath().c_str()));
      appended.push_back(bench::Microseconds(bench::Now() - start));
    }
    for (size_t index = 0; index < turn; ++index) {
      const LONGLONG start = bench::Now();
      SendMessageA(bare, EM_SETSEL, 0x7FFFFFFF, 0x7FFFFFFF);
      SendMessageA(bare, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(entry.c_str()));
      bareAppended.push_back(bench::Microseconds(bench::Now() - start));
    }
  }
  const int logLength = form->mmo1->TextLength();
  const int bareLength = GetWindowTextLengthA(bare);
  DestroyWindow(bare);

  // The same entries, written by replacing the whole text of a log of the same kind.
  auto* replaced = new TsMemo(form);
  replaced->SetParent(form);
  replaced->SetBounds(0, 0, 501, 176);
  std::string text;
  std::vector<double> rewritten;
  for (size_t index = 0; index < replacedEntries; ++index) {
    const LONGLONG start = bench::Now();
    text = replaced->Text() + entry;
    replaced->SetText(text);
    rewritten.push_back(bench::Microseconds(bench::Now() - start));
  }

  std::printf("Change log append, time per entry (microseconds)\n\n");
  std::printf("| %-52s | %8s | %10s | %10s | %6s |\n", "method", "entries", "first 1k", "last 1k",
              "ratio");
  std::printf("|%s|%s|%s|%s|%s|\n", std::string(54, '-').c_str(), std::string(10, '-').c_str(),
              std::string(12, '-').c_str(), std::string(12, '-').c_str(),
              std::string(8, '-').c_str());
  Report("append at the end, real change handler (goal <= 1.5)", appended);
  Report("bare edit control, the append's two messages only", bareAppended);
  Report("replace the whole text (for comparison)", rewritten);
  // The window ends at entry 20,000, or at the last entry of a shorter run.
  const size_t compareEnd = std::min(kCompareAt, entries);
  const size_t compareFrom = compareEnd - std::min(kWindow, compareEnd);
  const double handlerAt = bench::Mean(appended, compareFrom, compareEnd - compareFrom);
  const double bareAt = bench::Mean(bareAppended, compareFrom, compareEnd - compareFrom);
  std::printf("\nAgainst the bare edit control, time per entry (microseconds)\n\n");
  std::printf("| %-52s | %12s | %12s | %6s |\n", "entries", "bare control", "real handler",
              "ratio");
  std::printf("|%s|%s|%s|%s|\n", std::string(54, '-').c_str(), std::string(14, '-').c_str(),
              std::string(14, '-').c_str(), std::string(8, '-').c_str());
  const std::string compared =
      bench::Grouped(compareFrom + 1) + " to " + bench::Grouped(compareEnd) + " (goal <= 1.1)";
  std::printf("| %-52s | %12.1f | %12.1f | %6.2f |\n", compared.c_str(), bareAt, handlerAt,
              handlerAt / bareAt);
  std::printf("\nlog after %zu entries: %d bytes, %s\n", entries, logLength,
              logLength > 0 && static_cast<size_t>(logLength) == entries * entry.size()
                  ? "every entry present"
                  : "ENTRIES MISSING");
  std::printf("bare edit control after %zu entries: %d bytes, %s\n", entries, bareLength,
              static_cast<size_t>(bareLength) == entries * entry.size() ? "every entry present"
                                                                        : "ENTRIES MISSING");
  const double first = FirstMean(appended);
  const double last = LastMean(appended);
  bench::Summary("log append, last vs first 1,000 of " + bench::Grouped(entries) + " entries",
                 bench::Format("%.1f us/entry", last), bench::Format("%.1f us/entry first", first),
                 bench::Ratio(last, first), "<= 1.5", bench::Met(last <= kGoal * first));
  // How much of the growth is the edit control's own: the same appends, nothing else around them.
  const double bareFirst = FirstMean(bareAppended);
  const double bareLast = LastMean(bareAppended);
  bench::Summary("bare edit control, same appends, last vs first 1,000",
                 bench::Format("%.1f us/entry", bareLast),
                 bench::Format("%.1f us/entry first", bareFirst), bench::Ratio(bareLast, bareFirst),
                 "-", "-");
  bench::Summary(
      "log append against the bare edit control, 1,000 entries to " + bench::Grouped(compareEnd),
      bench::Format("%.1f us/entry", handlerAt), bench::Format("%.1f us/entry bare", bareAt),
      bench::Ratio(handlerAt, bareAt), "<= 1.1", bench::Met(handlerAt <= kBareGoal * bareAt));
  return 0;
}
