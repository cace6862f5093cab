// How long the real program takes from its start to a main window on the screen, against a bare
// Win32 window program started the same way in the same run. Each start is timed from just
// before CreateProcess to the first poll (every 2 ms) that finds the window visible; the window is
// then closed as its close box would, and the program must end before the next start. The two
// programs take turns, so that a slow spell of the machine weighs on both alike; one untimed start
// of each comes first, so that neither pays alone for loading files into the cache.
// Argument: the number of timed starts of each (default 10).

#include "BenchSupport.h"
#include "ProgramDriver.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kStarts = 10;
constexpr double kGoal = 2.0;

struct Program {
  const char* fileName;
  const char* className;
  const char* caption;
  std::vector<double> startMilliseconds;
};

// One start; false when the window did not come or the program did not end cleanly.
bool StartOnce(Program& program, bool timed) {
  const LONGLONG start = bench::Now();
  bench::ProgramProcess child(program.fileName, SW_SHOWNORMAL);
  HWND window = child.Started()
                    ? bench::WaitForShownWindow(child, program.className, program.caption)
                    : nullptr;
  const LONGLONG shown = bench::Now();
  if (window == nullptr) {
    std::printf("%s: no visible window \"%s\" within 20 s\n", program.fileName, program.caption);
    return false;
  }
  if (timed) {
    program.startMilliseconds.push_back(bench::Microseconds(shown - start) / 1000);
  }
  if (!bench::CloseAndWait(child, window)) {
    std::printf("%s: did not end cleanly after WM_CLOSE\n", program.fileName);
    return false;
  }
  return true;
}

} // namespace

int main(int argc, char** argv) {
  const int starts = argc > 1 ? std::atoi(argv[1]) : kStarts;
  if (bench::HivelarkRunning()) {
    std::printf("Hivelark is already running in this session: close it first\n");
    return 1;
  }
  Program hivelark{"Hivelark.exe", "HivelarkForm", "Hivelark", {}};
  Program bare{"bench_bare_window.exe", "HivelarkBareWindow", "Bare window", {}};
  bool ok = StartOnce(bare, false) && StartOnce(hivelark, false);
  for (int round = 0; round < starts && ok; ++round) {
    ok = StartOnce(bare, true) && StartOnce(hivelark, true);
  }
  if (!ok) {
    return 1;
  }

  const double bareMedian = bench::Percentile(bare.startMilliseconds, 0.5);
  const double hivelarkMedian = bench::Percentile(hivelark.startMilliseconds, 0.5);
  std::printf("Start-up to a visible main window, %d starts of each (milliseconds)\n\n", starts);
  std::printf("| %-36s | %8s | %8s | %8s | %8s |\n", "program", "median", "min", "max", "ratio");
  std::printf("|%s|%s|%s|%s|%s|\n", std::string(38, '-').c_str(), std::string(10, '-').c_str(),
              std::string(10, '-').c_str(), std::string(10, '-').c_str(),
              std::string(10, '-').c_str());
  for (const Program* program : {&bare, &hivelark}) {
    const double median = bench::Percentile(program->startMilliseconds, 0.5);
    std::printf("| %-36s | %8.1f | %8.1f | %8.1f | %8.2f |\n",
                program == &bare ? "bare Win32 window (baseline)" : "Hivelark.exe (goal <= 2)",
                median, bench::Percentile(program->startMilliseconds, 0),
                bench::Percentile(program->startMilliseconds, 1), median / bareMedian);
  }
  bench::Summary(bench::Format("start-up to visible main window (median of %d)", starts),
                 bench::Format("%.1f ms", hivelarkMedian),
                 bench::Format("%.1f ms bare window", bareMedian),
                 bench::Ratio(hivelarkMedian, bareMedian), "<= 2",
                 bench::Met(hivelarkMedian <= kGoal * bareMedian));
  return 0;
}
