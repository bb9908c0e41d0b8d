// STAND-IN until the cli branch's OutputFiles lands.
#include "tools/host/output_files.h"

#include <cstdio>
#include <filesystem>
#include <random>

namespace host {
namespace fs = std::filesystem;
namespace {
bool same(const std::string& a, const std::string& b) {
  std::error_code ec;
  if (fs::equivalent(a, b, ec)) return true;
  return fs::weakly_canonical(a, ec) == fs::weakly_canonical(b, ec);
}
}  // namespace

OutputFiles::OutputFiles(std::vector<std::string> inputs) : inputs_(std::move(inputs)) {}
OutputFiles::~OutputFiles() {
  for (const auto& t : temporaries_) {
    std::error_code ec;
    fs::remove(t, ec);
  }
}
bool OutputFiles::add(const std::string& path, std::string& temporary, std::string& error) {
  for (const auto& in : inputs_)
    if (same(in, path)) {
      error = "refusing to write " + path + ": it is the input " + in;
      return false;
    }
  for (const auto& o : outputs_)
    if (same(o, path)) {
      error = path + " is named twice as an output";
      return false;
    }
  temporary = path + "." + std::to_string(std::random_device{}()) + ".brimtrace-tmp";
  std::FILE* f = std::fopen(temporary.c_str(), "wbx");
  if (!f) {
    error = "cannot write " + path;
    return false;
  }
  std::fclose(f);
  outputs_.push_back(path);
  temporaries_.push_back(temporary);
  return true;
}
bool OutputFiles::commit(std::string& error) {
  for (size_t i = 0; i < outputs_.size(); ++i) {
    std::error_code ec;
    fs::rename(temporaries_[i], outputs_[i], ec);
    if (ec) {
      error = "cannot write " + outputs_[i] + ": " + ec.message();
      return false;
    }
  }
  temporaries_.clear();
  return true;
}
void installInterruptCleanup() {}
}  // namespace host
