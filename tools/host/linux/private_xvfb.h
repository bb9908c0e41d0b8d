// A private X server, started with -displayfd so that it picks a free display number
// itself (a fixed :99 may be taken on a shared machine). It dies with the process that
// started it, even when a crashing plug-in ends that process.
#pragma once
#include <sys/types.h>

#include <string>

namespace host {

class PrivateXvfb {
public:
  // Starts the server and waits until it accepts connections; false and `error` when it
  // does not start.
  bool start(std::string& error);
  void stop();
  bool running() const { return pid_ > 0; }
  const std::string& display() const { return display_; }  // ":3"

  ~PrivateXvfb() { stop(); }
  PrivateXvfb() = default;
  PrivateXvfb(const PrivateXvfb&) = delete;  // one owner stops the server
  PrivateXvfb& operator=(const PrivateXvfb&) = delete;

private:
  pid_t pid_ = -1;
  std::string display_;
};

}  // namespace host
