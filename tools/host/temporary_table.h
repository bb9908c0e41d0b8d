// The live temporaries, where an interrupt handler can reach them: a fixed table of path
// copies guarded by atomics, so that the handler needs neither a lock nor the heap.
#pragma once
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>

namespace host::temporaries {

using Char = std::filesystem::path::value_type;
inline constexpr int kSlots = 64;
inline constexpr size_t kPathCapacity = 4096;

enum State : int { kFree, kFilling, kLive, kClaimed };
static_assert(std::atomic<int>::is_always_lock_free);

// A file's identity on its volume (Windows: to find the handles still open on it).
struct Identity {
  uint64_t volume = 0, index = 0;
};

struct Slot {
  std::atomic<int> state{kFree};
  Identity identity;
  Char path[kPathCapacity];
};
extern Slot table[kSlots];

// The portable half (output_files.cpp). reserve() takes a free slot and copies the path
// into it (-1: table full or path too long); publish() makes it live for the handler,
// release() frees it again (a claimed slot stays claimed: the process is ending).
int reserve(const std::filesystem::path& path);
void publish(int slot, const Identity& identity);
void release(int slot);

// The platform's half, in linux/ and win/.
// Creates `path` exclusively and enters it in the table, with interrupts held off in
// between. -1 when something of that name exists (`exists`) or it cannot be made (`error`).
int createAndRegister(const std::filesystem::path& path, bool& exists, std::string& error);
// Removes every live temporary, from a signal handler, a console handler or a crash
// handler: the process ends right after.
void removeLive();
// Puts `from` in place of `to`, replacing a file there.
bool replace(const std::filesystem::path& from, const std::filesystem::path& to, std::string& error);

}  // namespace host::temporaries
