// snapshot's option table; the command itself is snapshot.cpp.
#include <CLI/CLI.hpp>
#include <memory>

#include "tools/host/command_line.h"
#include "tools/host/commands.h"

namespace host {

CommandRun addSnapshotCommand(CLI::App& root) {
  auto o = std::make_shared<SnapshotOptions>();
  CLI::App* command = root.add_subcommand(
      "snapshot",
      "run the editor on audio (a file, else the built-in signal) at real-time pace for S seconds "
      "(6; a file: its length), save its picture");
  command->add_option("PLUGIN", o->plugin, "the plug-in library")->required();
  command->add_option("IN", o->input, "the audio file to play (else the built-in signal)");
  command->add_option("--png", o->png, "where the picture goes")->type_name("OUT.png")->required();
  CLI::Option* seconds = command->add_option("--seconds", o->seconds, "how long the editor runs")
                             ->type_name("S")
                             ->check(number(0.1, 3600, "a duration from 0.1 to 3600"));
  command->add_option("--idle", o->idleMs, "milliseconds between effEditIdle calls (15)")
      ->type_name("MS")
      ->check(wholeNumber(1, 1000, "milliseconds from 1 to 1000"));
  command->add_option("--block", o->blockSize, "frames per processing call (512)")
      ->type_name("N")
      ->check(wholeNumber(1, kMaxBlock, "a frame count from 1 to " + std::to_string(kMaxBlock)));
  command->add_option("--scale", o->scale, "announce a display factor from 1 to 4 to the editor")
      ->type_name("F")
      ->check(number(1, 4, "a factor from 1 to 4"));
  return [o, seconds](std::ostream& out, std::ostream& err) {
    o->secondsGiven = seconds->count() > 0;
    return runSnapshot(*o, out, err);
  };
}

}  // namespace host
