#include "tools/host/progress.h"

#include <algorithm>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace host {
namespace {
std::string clock(double seconds) {
  const long long s = static_cast<long long>(seconds);
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
  return text;
}
}  // namespace

std::string progressLine(int64_t done, int64_t total, double rate, int barWidth) {
  const double fraction =
      total > 0 ? std::clamp(static_cast<double>(done) / static_cast<double>(total), 0.0, 1.0) : 0.0;
  const int filled = static_cast<int>(fraction * barWidth);
  std::string line = "[" + std::string(static_cast<size_t>(filled), '#') +
                     std::string(static_cast<size_t>(barWidth - filled), '.') + "]";
  char percent[16];
  std::snprintf(percent, sizeof percent, " %3d%%  ", static_cast<int>(fraction * 100.0));
  line += percent;
  if (rate > 0) line += clock(done / rate) + " / " + clock(total / rate);
  return line;
}

bool isTerminal(std::FILE* stream) {
#if defined(_WIN32)
  return _isatty(_fileno(stream)) != 0;
#else
  return isatty(fileno(stream)) != 0;
#endif
}

ProgressBar::ProgressBar(std::FILE* stream, int64_t total, double rate, bool enabled)
    : stream_(stream), total_(total), rate_(rate), enabled_(enabled) {}

void ProgressBar::update(int64_t done) {
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (drawn_ && now - last_ < std::chrono::milliseconds(100) && done < total_) return;
  last_ = now;
  std::fprintf(stream_, "\r%s", progressLine(done, total_, rate_).c_str());
  std::fflush(stream_);
  drawn_ = true;
}

void ProgressBar::finish() {
  if (!drawn_) return;
  std::fprintf(stream_, "\r%*s\r", 70, "");
  std::fflush(stream_);
  drawn_ = false;
}

}  // namespace host
