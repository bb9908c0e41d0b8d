// A file slot of the runtime; slot 0 is the stream the state chunk is built in.
#pragma once
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
};
