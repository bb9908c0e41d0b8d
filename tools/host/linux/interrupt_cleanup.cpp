// POSIX half of OutputFiles: exclusive creation, and SIGINT/SIGTERM removing the live
// temporaries with async-signal-safe calls alone.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tools/host/output_files.h"
#include "tools/host/temporary_table.h"

namespace host {
namespace temporaries {

int createAndRegister(const std::filesystem::path& path, bool& exists, std::string& error) {
  // Held off in this thread while the file exists but is not yet in the table; outputs are
  // reserved before a command starts other threads.
  sigset_t held, previous;
  sigemptyset(&held);
  sigaddset(&held, SIGINT);
  sigaddset(&held, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &held, &previous);
  int slot = reserve(path);
  if (slot < 0) {
    error = "too many outputs, or a path too long";
  } else {
    // 0666 less the umask, as the writers would create the output itself.
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      exists = errno == EEXIST;
      error = std::strerror(errno);
      release(slot);
      slot = -1;
    } else {
      close(fd);
      publish(slot, {});
    }
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return slot;
}

bool replace(const std::filesystem::path& from, const std::filesystem::path& to, std::string& error) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  error = std::strerror(errno);
  return false;
}

void removeLive() {
  for (auto& slot : table) {
    int expected = kLive;
    if (slot.state.compare_exchange_strong(expected, kClaimed)) unlink(slot.path);
  }
}

}  // namespace temporaries

namespace {
void onInterrupt(int signal) {
  temporaries::removeLive();
  _exit(128 + signal);  // 130 for SIGINT, 143 for SIGTERM, as a shell reports them
}
}  // namespace

void installInterruptCleanup() {
  struct sigaction action {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  sigaddset(&action.sa_mask, SIGINT);
  sigaddset(&action.sa_mask, SIGTERM);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

}  // namespace host
