// One full drawing pass of the picture into a 400 x 400 offscreen, timed with a plain
// loop: the same two histories as brimtrace-bench, on whatever backend the platform
// draws with (cairo on Linux, GDI+ on Windows, where it runs under Wine).
//   brimtrace-draw-timing [passes]
// Reports the thread's processor time per pass (what the pass costs, however busy the
// machine) and the fastest and median wall time of a pass.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/bench_host.h"
#include "tests/robust/editor_paint.h"

namespace {

void run(const char* name, bool jagged, int passes) {
  AEffect* e = brimtrace_test::startInProcess();
  EditorPaint painter(e);
  bench::HistoryFeed feed(e, jagged);
  for (int i = 0; i < 100; ++i) {  // a full history, fonts and images loaded
    feed();
    painter.paint();
  }
  std::vector<double> wall;
  double cpu = 0;
  for (int i = 0; i < passes; ++i) {
    feed();
    const double c0 = bench::threadSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    painter.paint();
    wall.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    cpu += bench::threadSeconds() - c0;
  }
  std::sort(wall.begin(), wall.end());
  std::printf(
      "drawing pass 400 x 400, %s history: %.3f ms processor time per pass; wall time "
      "fastest %.3f ms, median %.3f ms (%d passes)\n",
      name, cpu / passes * 1e3, wall.front() * 1e3, wall[wall.size() / 2] * 1e3, passes);
  brimtrace_test::stopInstance(e);
}

}  // namespace

int main(int argc, char** argv) {
  const int passes = argc > 1 ? std::max(10, std::atoi(argv[1])) : 300;
  std::printf("Machine: %s\n", bench::machine());
  run("smooth", false, passes);
  run("jagged", true, passes);
  return 0;
}
