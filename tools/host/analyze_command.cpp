// analyze's option table; the command itself is analyze.cpp.
#include <CLI/CLI.hpp>
#include <cstdlib>
#include <memory>

#include "tools/host/analyze.h"
#include "tools/host/command_line.h"
#include "tools/host/commands.h"

namespace host {

CommandRun addAnalyzeCommand(CLI::App& root) {
  auto o = std::make_shared<AnalyzeOptions>();
  CLI::App* command = root.add_subcommand(
      "analyze",
      "the whole file's slew, window by window (W: 33.3 ms), as a report and a picture whose plot area "
      "is PX (1600) x 400");
  command->add_option("IN", o->input, "the audio file to measure")->required();
  command->add_option("--png", o->png, "the picture")->type_name("OUT.png");
  command->add_option("--json", o->json, "the report, with each channel's peaks")->type_name("OUT.json");
  command->add_option("--csv", o->csv, "one row per window: time,left,right")->type_name("OUT.csv");
  command->add_option("--window-ms", o->windowMs, "the window's length in milliseconds (1000/30)")
      ->type_name("W")
      ->check(CLI::Validator(
          [](std::string& text) {
            char* end = nullptr;
            const double v = std::strtod(text.c_str(), &end);
            return end == text.c_str() || *end || !(v > 0 && v <= kAnalyzeMaxWindowMs)
                       ? std::string("needs milliseconds above 0, at most 3600000")
                       : std::string();
          },
          "above 0, at most 3600000"));
  command->add_option("--width", o->width, "the plot area's width in pixels (1600)")
      ->type_name("PX")
      ->check(wholeNumber(
          kAnalyzeMinWidth, kAnalyzeMaxWidth,
          "pixels from " + std::to_string(kAnalyzeMinWidth) + " to " + std::to_string(kAnalyzeMaxWidth)));
  auto noProgress = std::make_shared<bool>(false);
  command->add_flag("--no-progress", *noProgress, "no progress bar, even on a terminal");
  return [o, noProgress](std::ostream& out, std::ostream& err) {
    o->progress = !*noProgress;
    return runAnalyze(*o, out, err);
  };
}

}  // namespace host
