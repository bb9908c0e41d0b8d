// A one-line progress bar on a terminal, redrawn in place at most ten times a second.
#pragma once
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace host {

// "[#########.........]  45%  0:12 / 0:27" for `done` of `total` frames at `rate`.
std::string progressLine(int64_t done, int64_t total, double rate, int barWidth = 30);

// Whether the stream is a terminal (isatty / _isatty).
bool isTerminal(std::FILE* stream);

class ProgressBar {
public:
  // Draws only when `enabled`; callers pass isTerminal(stderr) and their own threshold.
  ProgressBar(std::FILE* stream, int64_t total, double rate, bool enabled);
  ~ProgressBar() { finish(); }
  void update(int64_t done);
  void finish();  // clears the line

private:
  std::FILE* stream_;
  int64_t total_;
  double rate_;
  bool enabled_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point last_{};
};

}  // namespace host
