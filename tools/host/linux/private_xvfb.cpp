#include "tools/host/linux/private_xvfb.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace host {

bool PrivateXvfb::start(std::string& error) {
  int fds[2];
  if (pipe(fds) != 0) {
    error = "cannot start Xvfb: no pipe";
    return false;
  }
  pid_ = fork();
  if (pid_ < 0) {
    close(fds[0]);
    close(fds[1]);
    error = "cannot start Xvfb: fork failed";
    return false;
  }
  if (pid_ == 0) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    close(fds[0]);
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
      dup2(null, 0);
      dup2(null, 1);
      dup2(null, 2);
    }
    const std::string fd = std::to_string(fds[1]);
    // Room for an editor at four times its size; BRIMTRACE_XVFB_SCREEN sets another.
    const char* screen = std::getenv("BRIMTRACE_XVFB_SCREEN");
    // -noreset: the server must not restart when its last client leaves.
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen ? screen : "2048x2048x24",
           "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  // The server writes its display number once it accepts connections.
  std::string number;
  pollfd p{fds[0], POLLIN, 0};
  while (poll(&p, 1, 15000) > 0) {
    char c;
    if (read(fds[0], &c, 1) != 1 || c == '\n') break;
    number += c;
  }
  close(fds[0]);
  if (number.empty()) {
    stop();
    error = "no DISPLAY, and a private Xvfb did not start (is the xvfb package installed?)";
    return false;
  }
  display_ = ":" + number;
  return true;
}

void PrivateXvfb::stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

}  // namespace host
