// A file slot of the runtime; slot 0 is the stream the state chunk is built in.
#pragma once
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

struct FileSlot {
  enum Mode : int32_t { kIdle = 0, kReading = 1, kWriting = 2 };

  std::string name;
  int32_t position = 0;
  std::vector<float> data;
  uint8_t status = 0;
  uint8_t second = 1;
  int32_t mode = kIdle;
  int64_t extra = 0;

  void resetFor(int32_t newMode) {
    name.clear();
    data.clear();
    position = 0;
    status = 0;
    mode = newMode;
    extra = 0;
  }

  // One value of an effect's state: written at the position when saving (the data grows
  // with zeros as needed, never shrinks), read from it when restoring and there is one
  // left. A restored value obeys the store rule: NaN and infinities arrive as 0, so a
  // damaged chunk cannot feed them to every later computation and save; finite values
  // (-0.0 and subnormals too) arrive bit for bit.
  void transfer(double& value) {
    if (position < 0) return;
    const std::size_t at = static_cast<std::size_t>(position);
    if (mode == kWriting) {
      if (data.size() < at + 1) data.resize(at + 1, 0.0f);
      data[at] = static_cast<float>(value);
      ++position;
    } else if (mode == kReading && at < data.size()) {
      const double read = static_cast<double>(data[at]);
      value = std::isfinite(read) ? read : 0.0;
      ++position;
    }
  }
};
