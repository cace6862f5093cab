// What saving a 10 MB log costs against writing the same bytes with a plain WriteFile, both in the
// same run. Saving reads the log out of the window, writes a temporary file beside the target,
// flushes it and only then puts it in the target's place, so that a failure never destroys the
// old file; the plain write does none of that. A plain write with a flush is shown for reference.

#include "BenchSupport.h"
#include "controls/Edit.h"
#include "framework/Application.h"
#include "framework/Form.h"
#include "framework/Handles.h"
#include "main/LogFile.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace hivelark;

namespace {

constexpr size_t kLogBytes = 10 * 1024 * 1024;
constexpr int kRuns = 7;
constexpr double kGoal = 1.5;

void PlainWrite(const std::string& path, const std::string& text, bool flush) {
  UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  if (flush) {
    FlushFileBuffers(file.get());
  }
}

} // namespace

int main() {
  TApplication application;
  auto* form = application.CreateForm<TForm>();
  auto* log = new TsMemo(form);
  log->SetParent(form);
  log->SetBounds(0, 0, 500, 200);
  const std::string entry = std::string(58, '*') +
                            "\r\nHivelark detected a change at 12/9/2026 2:05:07 PM\r\nOn My "
                            "Computer\\HKEY_CURRENT_USER\\Software\\Hivelark\\Benchmark\r\n";
  std::string text;
  while (text.size() + entry.size() <= kLogBytes) {
    text += entry;
  }
  log->Append(text);

  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  const std::string saved = std::string(folder) + "hivelark-bench-saved.txt";
  const std::string plain = std::string(folder) + "hivelark-bench-plain.txt";

  std::vector<double> saveTimes;
  std::vector<double> readTimes;
  std::vector<double> writeTimes;
  std::vector<double> plainTimes;
  std::vector<double> flushedTimes;
  for (int run = 0; run < kRuns; ++run) {
    LONGLONG start = bench::Now();
    const std::string logText = log->Text();
    const LONGLONG read = bench::Now();
    SaveLogFile(saved, logText);
    const LONGLONG written = bench::Now();
    saveTimes.push_back(bench::Microseconds(written - start) / 1000);
    readTimes.push_back(bench::Microseconds(read - start) / 1000);
    writeTimes.push_back(bench::Microseconds(written - read) / 1000);
    start = bench::Now();
    PlainWrite(plain, text, false);
    plainTimes.push_back(bench::Microseconds(bench::Now() - start) / 1000);
    start = bench::Now();
    PlainWrite(plain, text, true);
    flushedTimes.push_back(bench::Microseconds(bench::Now() - start) / 1000);
  }
  const double save = bench::Percentile(saveTimes, 0.5);
  const double baseline = bench::Percentile(plainTimes, 0.5);
  const double flushed = bench::Percentile(flushedTimes, 0.5);
  std::printf("Saving a %.1f MB log, median of %d runs (milliseconds)\n\n",
              static_cast<double>(text.size()) / (1024 * 1024), kRuns);
  std::printf("| %-44s | %8s | %8s |\n", "method", "ms", "ratio");
  std::printf("|%s|%s|%s|\n", std::string(46, '-').c_str(), std::string(10, '-').c_str(),
              std::string(10, '-').c_str());
  std::printf("| %-44s | %8.1f | %8.2f |\n", "plain WriteFile (baseline)", baseline, 1.0);
  std::printf("| %-44s | %8.1f | %8.2f |\n", "Save Log (goal <= 1.5)", save, save / baseline);
  std::printf("| %-44s | %8.1f | %8.2f |\n", "plain WriteFile + flush (reference)", flushed,
              flushed / baseline);
  const double read = bench::Percentile(readTimes, 0.5);
  const double write = bench::Percentile(writeTimes, 0.5);
  std::printf("| %-44s | %8.1f | %8.2f |\n", "  of Save Log: reading the log's text", read,
              read / baseline);
  std::printf("| %-44s | %8.1f | %8.2f |\n", "  of Save Log: temporary file, flush, replace", write,
              write / baseline);
  DeleteFileA(saved.c_str());
  DeleteFileA(plain.c_str());
  bench::Summary(bench::Format("save a %.0f MB log (median of %d)",
                               static_cast<double>(text.size()) / (1024 * 1024), kRuns),
                 bench::Format("%.1f ms", save), bench::Format("%.1f ms plain WriteFile", baseline),
                 bench::Ratio(save, baseline), "<= 1.5", bench::Met(save <= kGoal * baseline));
  return 0;
}
