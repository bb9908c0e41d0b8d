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

#if defined(_WIN32)
#include <windows.h>
#else
#include <time.h>
#endif

namespace {

double threadSeconds() {
#if defined(_WIN32)
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
  auto seconds = [](FILETIME t) {
    return ((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) * 1e-7;
  };
  return seconds(kernel) + seconds(user);
#else
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
#endif
}

void run(const char* name, bool jagged, int passes) {
  AEffect* e = brimtrace_test::startInProcess();
  EditorPaint painter(e);
  constexpr int kFrames = 512;
  std::vector<float> in0(kFrames), in1(kFrames), out0(kFrames), out1(kFrames);
  float* inputs[] = {in0.data(), in1.data()};
  float* outputs[] = {out0.data(), out1.data()};
  int pass = 0;
  auto feed = [&] {
    const float level =
        jagged ? (pass % 2 ? 2.0f : 0.0f) : static_cast<float>(std::pow(10.0, -5 + (pass % 100) * 0.05));
    for (int i = 0; i < kFrames; ++i) in0[i] = in1[i] = (i % 2 ? level : -level);
    e->processReplacing(e, inputs, outputs, kFrames);
    ++pass;
  };
  for (int i = 0; i < 100; ++i) {  // a full history, fonts and images loaded
    feed();
    painter.paint();
  }
  std::vector<double> wall;
  double cpu = 0;
  for (int i = 0; i < passes; ++i) {
    feed();
    const double c0 = threadSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    painter.paint();
    wall.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    cpu += threadSeconds() - c0;
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
