// The command line: each command declares its options in one table (its CLI11 app) and
// hands back what runs once they are parsed. runHost (commands.cpp) puts them together.
#pragma once
#include <functional>
#include <ostream>
#include <string>

namespace CLI {
class App;
class Validator;
}  // namespace CLI

namespace host {

using CommandRun = std::function<int(std::ostream& out, std::ostream& err)>;

// Each adds its command to `root` and answers what runs it, bound to the parsed options.
CommandRun addInfoCommand(CLI::App& root);
CommandRun addProcessCommand(CLI::App& root);
CommandRun addSnapshotCommand(CLI::App& root);
CommandRun addSignalCommand(CLI::App& root);
CommandRun addCompareCommand(CLI::App& root);
CommandRun addAnalyzeCommand(CLI::App& root);

// Value checks for the tables: a whole number, or a number, from `min` to `max`; `need`
// says what is wanted ("a frame count from 1 to 65536").
CLI::Validator wholeNumber(long min, long max, const std::string& need);
CLI::Validator number(double min, double max, const std::string& need);

inline constexpr int kMaxBlock = 1 << 16;

}  // namespace host
