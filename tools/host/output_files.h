// The files one command writes, each through a temporary of its own beside it, so that a
// failed or interrupted run leaves every output as it was before.
#pragma once
#include <string>
#include <vector>

namespace host {

// The files one command writes, each through a temporary of a unique name beside it,
// put in place together only when all are written; temporaries never outlive the process
// (destructor, and the interrupt handler below).
class OutputFiles {
public:
  explicit OutputFiles(std::vector<std::string> inputs);  // the command's input files (UTF-8 paths)
  ~OutputFiles();                                         // removes temporaries not committed
  OutputFiles(const OutputFiles&) = delete;
  OutputFiles& operator=(const OutputFiles&) = delete;
  // Reserves an output before anything is written. Refuses (false, one-line `error`) an
  // output that is one of the inputs by any spelling (./x, links, hard links, ..) or that
  // another output already names. On success `temporary` is a new, empty, unique file
  // beside `path` (created exclusively, never an existing file) for the caller to write.
  bool add(const std::string& path, std::string& temporary, std::string& error);
  // Renames every temporary onto its output; false (and all temporaries removed) on failure.
  bool commit(std::string& error);

private:
  struct Output {
    std::string path, temporary;
    int slot = -1;  // in the interrupt handler's table
  };
  void removeTemporaries();
  std::vector<std::string> inputs_;
  std::vector<Output> outputs_;
};

// SIGINT/SIGTERM (Windows: Ctrl-C/Ctrl-Break console events) remove every live temporary
// and exit with 130/143. Installed once by main().
void installInterruptCleanup();

}  // namespace host
