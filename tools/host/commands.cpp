#include "tools/host/commands.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "tools/host/command_line.h"

namespace host {

namespace {

constexpr char kDescription[] =
    "A command-line VST 2.4 host: tries a plug-in without a DAW, and measures whole files with the "
    "analyzer's own code.";

// CLI11's help for the command the arguments chose, else the program's; a command's usage
// line names the program too.
std::string helpFor(CLI::App& app) {
  const auto chosen = app.get_subcommands();
  if (chosen.empty()) return app.help();
  std::string help = chosen.front()->help();
  const std::string usage = "Usage: " + chosen.front()->get_name();
  const size_t at = help.find(usage);
  if (at != std::string::npos) help.insert(at + 7, "brimtrace-host ");
  return help;
}

// The "Usage:" line of that help, and where to read the rest.
std::string usageFor(CLI::App& app) {
  const auto chosen = app.get_subcommands();
  const std::string help = helpFor(app);
  const size_t at = help.find("Usage: ");
  std::string usage = at == std::string::npos ? std::string() : help.substr(at, help.find('\n', at) - at + 1);
  return usage + "(brimtrace-host " + (chosen.empty() ? "" : chosen.front()->get_name() + " ") +
         "--help for more)\n";
}

// CLI11's message, said as the tool says its own.
std::string messageFor(CLI::App& app, const CLI::ParseError& e) {
  const auto chosen = app.get_subcommands();
  const std::string command = chosen.empty() ? "" : chosen.front()->get_name();
  std::string what = e.what();
  if (dynamic_cast<const CLI::ExtrasError*>(&e)) {
    // "The following arguments were not expected: ...": an option among them, else the first.
    std::istringstream extras(what.substr(what.find(": ") + 2));
    std::string word, first, option;
    while (extras >> word) {
      if (first.empty()) first = word;
      if (option.empty() && word.rfind('-', 0) == 0) option = word;
    }
    what = (command.empty() ? std::string("brimtrace-host") : command) +
           (option.empty() ? " takes no further argument " + first : " takes no option " + option);
  } else if (!command.empty()) {
    what = command + ": " + what;
  }
  return what;
}

std::string text(double v) {
  std::ostringstream s;
  s << v;
  return s.str();
}

}  // namespace

CLI::Validator wholeNumber(long min, long max, const std::string& need) {
  return CLI::Validator(
      [=](std::string& text) {
        char* end = nullptr;
        errno = 0;
        const long v = std::strtol(text.c_str(), &end, 10);
        return errno || end == text.c_str() || *end || v < min || v > max ? "needs " + need : std::string();
      },
      std::to_string(min) + " to " + std::to_string(max));
}

CLI::Validator number(double min, double max, const std::string& need) {
  return CLI::Validator(
      [=](std::string& text) {
        char* end = nullptr;
        const double v = std::strtod(text.c_str(), &end);
        return end == text.c_str() || *end || !(v >= min && v <= max) ? "needs " + need : std::string();
      },
      text(min) + " to " + text(max));
}

int usageError(std::ostream& err, const std::string& message) {
  err << "brimtrace-host: " << message << " (brimtrace-host --help for usage)\n";
  return kUsage;
}

int failure(std::ostream& err, const std::string& message) {
  err << "brimtrace-host: " << message << "\n";
  return kFailed;
}

int runHost(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CLI::App app{kDescription, "brimtrace-host"};
  app.set_version_flag("--version", std::string("brimtrace-host ") + BRIMTRACE_VERSION);
  app.require_subcommand(1);
  app.allow_windows_style_options(false);  // "/path" is a file, not an option, on Windows too
  std::vector<std::pair<CLI::App*, CommandRun>> commands;
  for (auto add : {addInfoCommand, addProcessCommand, addSnapshotCommand, addSignalCommand, addCompareCommand,
                   addAnalyzeCommand}) {
    CommandRun run = add(app);
    commands.emplace_back(app.get_subcommand(static_cast<int>(commands.size())), std::move(run));
  }

  if (args.empty()) {
    err << "brimtrace-host: no command given\n" << usageFor(app);
    return kUsage;
  }
  if (args[0] == "help") {
    out << app.help();
    return kOk;
  }
  bool known = args[0].rfind('-', 0) == 0;
  for (const auto& command : commands) known = known || command.first->get_name() == args[0];
  if (!known) {
    err << "brimtrace-host: unknown command " << args[0] << "\n" << usageFor(app);
    return kUsage;
  }
  try {
    std::vector<std::string> reversed(args.rbegin(), args.rend());  // as CLI11 takes them
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    out << helpFor(app);
    return kOk;
  } catch (const CLI::CallForAllHelp&) {
    out << helpFor(app);
    return kOk;
  } catch (const CLI::CallForVersion& e) {
    out << e.what() << "\n";
    return kOk;
  } catch (const CLI::ParseError& e) {
    err << "brimtrace-host: " << messageFor(app, e) << "\n" << usageFor(app);
    return kUsage;
  }
  for (auto& [command, run] : commands)
    if (command->parsed()) return run(out, err);
  return kUsage;  // require_subcommand leaves no other way here
}

}  // namespace host
