// The commands of brimtrace-host. Each writes its report to `out` and its single error
// line to `err`, and answers the process exit code.
#pragma once
#include <ostream>
#include <string>
#include <vector>

namespace host {

enum ExitCode { kOk = 0, kFailed = 1, kUsage = 2 };

// The one error line every command writes, and the exit code that goes with it.
int usageError(std::ostream& err, const std::string& message);  // kUsage, pointing to --help
int failure(std::ostream& err, const std::string& message);     // kFailed

// args without the program name: "info PLUGIN", "process ...", "snapshot ...", "signal ...";
// each command's options are in its table (*_command.cpp), `COMMAND --help` shows them.
int runHost(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

int runInfo(const std::string& plugin, std::ostream& out, std::ostream& err);

struct ProcessOptions {
  std::string plugin, input, output;
  int blockSize = 512;
  bool doublePrecision = false;
  bool progress = true;  // on a terminal, for long files
};
int runProcess(const ProcessOptions& options, std::ostream& out, std::ostream& err);

struct SignalOptions {
  std::string output;
  double seconds = 5;
  double sampleRate = 44100;
};
int runSignal(const SignalOptions& options, std::ostream& out, std::ostream& err);

struct SnapshotOptions {
  std::string plugin, input, png;
  double seconds = 6;         // long enough for the editor's 100-entry history to fill
  bool secondsGiven = false;  // else a file plays to its end (at most a minute)
  int idleMs = 15;            // editor idle interval, as hosts send it
  int blockSize = 512;
  double scale = 0;  // a display factor announced to the plug-in (effVendorSpecific); 0: none
};
int runSnapshot(const SnapshotOptions& options, std::ostream& out, std::ostream& err);

struct CompareOptions {
  std::string first, second;
  double tolerance = 0;
};
// Exit 0 when both files hold the same channels and frames, every sample within the
// tolerance; 1 otherwise, naming the first difference and the largest.
int runCompare(const CompareOptions& options, std::ostream& out, std::ostream& err);

}  // namespace host
