#include "tools/host/csv_writer.h"

#include <charconv>
#include <vector>

namespace host {

CsvWriter::CsvWriter(std::FILE* file) : file_(file), thread_([this] { run(); }) {}

CsvWriter::~CsvWriter() { finish(); }

void CsvWriter::add(double time, double left, double right) {
  if (open_ == nullptr) {
    open_ = chunks_.fillable();
    open_->count = 0;
  }
  open_->rows[static_cast<size_t>(open_->count++)] = {time, left, right};
  if (open_->count == kChunkRows) {
    chunks_.fill();
    open_ = nullptr;
  }
}

bool CsvWriter::finish() {
  if (!finished_) {
    finished_ = true;
    if (open_ != nullptr) chunks_.fill();  // holds a row at least
    Chunk* end = chunks_.fillable();
    end->count = 0;
    chunks_.fill();
    open_ = nullptr;
    thread_.join();
  }
  return !failed_;
}

void CsvWriter::run() {
  // Three numbers of at most 24 characters, two commas and a line end per row.
  std::vector<char> text(kChunkRows * 80);
  for (;;) {
    const Chunk& chunk = chunks_.next();
    if (chunk.count == 0) return;
    char* at = text.data();
    char* const end = text.data() + text.size();
    for (int i = 0; i < chunk.count; ++i) {
      const Row& row = chunk.rows[static_cast<size_t>(i)];
      at = std::to_chars(at, end, row.time).ptr;
      *at++ = ',';
      at = std::to_chars(at, end, row.left).ptr;
      *at++ = ',';
      at = std::to_chars(at, end, row.right).ptr;
      *at++ = '\n';
    }
    const size_t bytes = static_cast<size_t>(at - text.data());
    if (std::fwrite(text.data(), 1, bytes, file_) != bytes) failed_ = true;
    chunks_.release();
  }
}

}  // namespace host
