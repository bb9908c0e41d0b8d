// analyze's CSV, one row per window, formatted and written on a thread of its own: the
// shortest text that reads back as each number costs about a third as much as measuring
// the window, so it runs beside the measuring rather than after it.
#pragma once
#include <array>
#include <cstdio>
#include <thread>

#include "tools/host/slot_ring.h"

namespace host {

class CsvWriter {
public:
  // Writes rows to `file`, which stays the caller's and open until finish() has returned.
  explicit CsvWriter(std::FILE* file);
  ~CsvWriter();  // finish()
  CsvWriter(const CsvWriter&) = delete;
  CsvWriter& operator=(const CsvWriter&) = delete;

  void add(double time, double left, double right);
  // Writes the rows added so far and waits for them; false if a write failed.
  bool finish();

private:
  struct Row {
    double time, left, right;
  };
  static constexpr int kChunkRows = 2048;
  struct Chunk {
    int count = 0;  // 0 ends the writing
    std::array<Row, kChunkRows> rows;
  };
  void run();

  std::FILE* file_;
  SlotRing<Chunk, 3> chunks_;
  Chunk* open_ = nullptr;  // being filled
  bool failed_ = false;    // the writing thread's until it has ended
  bool finished_ = false;
  std::thread thread_;
};

}  // namespace host
