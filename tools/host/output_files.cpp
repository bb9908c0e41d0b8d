#include "tools/host/output_files.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <cwctype>
#include <filesystem>
#include <random>
#include <system_error>

#include "tools/host/temporary_table.h"

namespace fs = std::filesystem;

namespace host {

namespace temporaries {

Slot table[kSlots];

int reserve(const fs::path& path) {
  const auto& native = path.native();
  if (native.size() >= kPathCapacity) return -1;
  for (int i = 0; i < kSlots; ++i) {
    int expected = kFree;
    if (!table[i].state.compare_exchange_strong(expected, kFilling)) continue;
    std::memcpy(table[i].path, native.c_str(), (native.size() + 1) * sizeof(Char));
    return i;
  }
  return -1;
}

void publish(int slot, const Identity& identity) {
  table[slot].identity = identity;
  table[slot].state.store(kLive, std::memory_order_release);
}

void release(int slot) {
  if (slot < 0) return;
  int expected = kLive;
  if (!table[slot].state.compare_exchange_strong(expected, kFree) && expected == kFilling)
    table[slot].state.store(kFree);
}

}  // namespace temporaries

namespace {

std::string utf8(const fs::path& p) {
  const auto s = p.u8string();
  return std::string(reinterpret_cast<const char*>(s.data()), s.size());
}

// The spelling-free form of a path whose file need not exist yet: links and ".." of the
// folders that exist resolved.
fs::path resolved(const fs::path& p) {
  std::error_code ec;
  fs::path r = fs::weakly_canonical(fs::absolute(p, ec), ec);
  if (ec) r = fs::absolute(p, ec).lexically_normal();
#if defined(_WIN32)
  // Windows file names ignore case.
  auto s = r.wstring();
  for (auto& c : s) c = towlower(c);
  r = s;
#endif
  return r;
}

// Whether two spellings name one file: the same file when both exist (links and hard
// links included), the same resolved name when neither does.
bool sameFile(const fs::path& a, const fs::path& b) {
  std::error_code ea, eb;
  const bool aExists = fs::exists(a, ea), bExists = fs::exists(b, eb);
  if (aExists && bExists) {
    std::error_code ec;
    return fs::equivalent(a, b, ec);
  }
  return !aExists && !bExists && resolved(a) == resolved(b);
}

uint64_t nextRandom() {
  static std::mt19937_64 generator = [] {
    uint64_t seed = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    try {
      seed ^= static_cast<uint64_t>(std::random_device{}()) << 32;
    } catch (...) {  // no entropy source: the clock alone
    }
    return std::mt19937_64(seed);
  }();
  return generator();
}

// OUT.wav's temporary is OUT.brimtrace-tmp-<random>.wav: beside it, so that the rename
// stays on one volume, and of the same extension, which picks the writers' format.
fs::path temporaryName(const fs::path& output) {
  char tag[24];
  std::snprintf(tag, sizeof tag, "%012llx",
                static_cast<unsigned long long>(nextRandom() & 0xFFFFFFFFFFFFull));
  fs::path name = output.stem();
  name += ".brimtrace-tmp-";
  name += tag;
  name += output.extension();
  return output.parent_path() / name;
}

}  // namespace

OutputFiles::OutputFiles(std::vector<std::string> inputs) : inputs_(std::move(inputs)) {}

OutputFiles::~OutputFiles() { removeTemporaries(); }

void OutputFiles::removeTemporaries() {
  for (auto& o : outputs_) {
    if (o.temporary.empty()) continue;
    std::error_code ec;
    fs::remove(fs::u8path(o.temporary), ec);
    temporaries::release(o.slot);  // after the removal: an interrupt in between finds it gone
    o.temporary.clear();
    o.slot = -1;
  }
}

bool OutputFiles::add(const std::string& path, std::string& temporary, std::string& error) {
  const fs::path out = fs::u8path(path);
  for (const auto& input : inputs_) {
    if (sameFile(out, fs::u8path(input))) {
      error = "refusing to write " + path + ": it is the input " + input;
      return false;
    }
  }
  for (const auto& o : outputs_) {
    if (sameFile(out, fs::u8path(o.path))) {
      error = "refusing to write " + path + ": " + o.path + " names the same file";
      return false;
    }
  }
  std::error_code ec;
  if (fs::is_directory(out, ec)) {
    error = "cannot write " + path + ": it is a folder";
    return false;
  }
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate = temporaryName(out);
    bool exists = false;
    const int slot = temporaries::createAndRegister(candidate, exists, error);
    if (slot >= 0) {
      temporary = utf8(candidate);
      outputs_.push_back({path, temporary, slot});
      return true;
    }
    if (!exists) {
      error = "cannot write " + path + ": " + error;
      return false;
    }
  }
  error = "cannot write " + path + ": no free temporary name beside it";
  return false;
}

bool OutputFiles::commit(std::string& error) {
  for (auto& o : outputs_) {
    if (o.temporary.empty()) continue;
    std::string why;
    if (!temporaries::replace(fs::u8path(o.temporary), fs::u8path(o.path), why)) {
      error = "cannot write " + o.path + ": " + why;
      removeTemporaries();
      return false;
    }
    temporaries::release(o.slot);
    o.temporary.clear();
    o.slot = -1;
  }
  return true;
}

}  // namespace host
