// STAND-IN until the cli branch's OutputFiles lands: the agreed interface, a plain body.
#pragma once
#include <string>
#include <vector>

namespace host {
class OutputFiles {
public:
  explicit OutputFiles(std::vector<std::string> inputs);
  ~OutputFiles();
  bool add(const std::string& path, std::string& temporary, std::string& error);
  bool commit(std::string& error);

private:
  std::vector<std::string> inputs_, outputs_, temporaries_;
};
void installInterruptCleanup();
}  // namespace host
