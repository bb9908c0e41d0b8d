// info: what a plug-in's record, names and answers say about it.
#include <CLI/CLI.hpp>
#include <cstring>
#include <iomanip>
#include <memory>
#include <sstream>
#include <vector>

#include "tools/host/command_line.h"
#include "tools/host/commands.h"
#include "tools/host/crash_guard.h"
#include "tools/host/plugin_host.h"

namespace host {

namespace {

std::string hex(int64_t v, int width = 8) {
  std::ostringstream s;
  s << "0x" << std::hex << std::setw(width) << std::setfill('0') << v;
  return s.str();
}

// A four-character code as text, dots for what does not print.
std::string fourCC(int32_t v) {
  std::string s;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const char c = static_cast<char>((static_cast<uint32_t>(v) >> shift) & 0xFF);
    s += (c >= 32 && c < 127) ? c : '.';
  }
  return s;
}

std::string flagNames(int32_t flags) {
  static const struct {
    int32_t bit;
    const char* name;
  } names[] = {
      {effFlagsHasEditor, "has-editor"},           {effFlagsCanReplacing, "can-replace"},
      {effFlagsProgramChunks, "program-chunks"},   {effFlagsIsSynth, "is-synth"},
      {effFlagsNoSoundInStop, "no-sound-in-stop"}, {effFlagsCanDoubleReplacing, "can-double-replace"}};
  std::string s;
  int32_t rest = flags;
  for (const auto& n : names) {
    if (flags & n.bit) {
      s += std::string(s.empty() ? "" : " ") + n.name;
      rest &= ~n.bit;
    }
  }
  if (rest) s += std::string(s.empty() ? "" : " ") + "other " + hex(rest, 4);
  return s;
}

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

std::string canDoAnswer(intptr_t answer) {
  if (answer > 0) return answer == 1 ? "yes" : "yes (" + hex(answer, 1) + ")";
  if (answer < 0) return answer == -1 ? "no" : "no (" + std::to_string(answer) + ")";
  return "don't know";
}

}  // namespace

CommandRun addInfoCommand(CLI::App& root) {
  auto plugin = std::make_shared<std::string>();
  CLI::App* command = root.add_subcommand("info", "the plug-in's record, names, capabilities, editor size");
  command->add_option("PLUGIN", *plugin, "the plug-in library")->required();
  return [plugin](std::ostream& out, std::ostream& err) { return runInfo(*plugin, out, err); };
}

int runInfo(const std::string& plugin, std::ostream& out, std::ostream& err) {
  std::string error;
  auto host = PluginHost::load(plugin, error);
  if (!host) return failure(err, error);
  AEffect* e = host->effect();
  host->dispatch(effOpen);

  const int label = 18;
  auto row = [&](const char* name, const std::string& value) {
    out << std::left << std::setw(label) << name << value << "\n";
  };
  row("plug-in", plugin);
  row("entry", host->entryName());
  row("magic", hex(e->magic) + " '" + fourCC(e->magic) + "'");
  row("unique id", std::to_string(e->uniqueID) + " (" + hex(e->uniqueID) + " '" + fourCC(e->uniqueID) + "')");
  row("version", std::to_string(e->version));
  row("flags", hex(e->flags, 4) + " " + flagNames(e->flags));
  row("inputs", std::to_string(e->numInputs));
  row("outputs", std::to_string(e->numOutputs));
  row("parameters", std::to_string(e->numParams));
  row("programs", std::to_string(e->numPrograms));
  row("initial delay", std::to_string(e->initialDelay) + " frames");
  row("VST version", std::to_string(host->dispatch(effGetVstVersion)));
  row("vendor version", std::to_string(host->dispatch(effGetVendorVersion)));
  row("category", std::to_string(host->dispatch(effGetPlugCategory)));
  row("effect name", quoted(host->text(effGetEffectName)));
  row("vendor", quoted(host->text(effGetVendorString)));
  row("product", quoted(host->text(effGetProductString)));
  row("program name", quoted(host->text(effGetProgramName)));

  ERect* rect = nullptr;
  if (host->dispatch(effEditGetRect, 0, 0, &rect) && rect) {
    row("editor", std::to_string(rect->right - rect->left) + " x " +
                      std::to_string(rect->bottom - rect->top) + " (top " + std::to_string(rect->top) +
                      ", left " + std::to_string(rect->left) + ", bottom " + std::to_string(rect->bottom) +
                      ", right " + std::to_string(rect->right) + ")");
  } else {
    row("editor", (e->flags & effFlagsHasEditor) ? "flagged, but no size given" : "none");
  }
  if (e->flags & effFlagsProgramChunks) {
    void* data = nullptr;
    const intptr_t bytes = host->dispatch(effGetChunk, 0, 0, &data);
    row("state chunk", std::to_string(bytes) + " bytes" + (bytes > 0 && !data ? " (but no data)" : ""));
  }

  const int32_t params = std::min<int32_t>(std::max<int32_t>(e->numParams, 0), 1000);
  for (int32_t i = 0; i < params; ++i) {
    float value = 0;
    if (e->getParameter) {
      InPlugin in;
      value = e->getParameter(e, i);
    }
    std::ostringstream v;
    v << host->text(effGetParamName, i) << " = " << host->text(effGetParamDisplay, i) << " "
      << host->text(effGetParamLabel, i) << " (" << value << ")";
    row(("parameter " + std::to_string(i)).c_str(), v.str());
  }

  out << "can do\n";
  static const char* const questions[] = {"sendVstEvents",
                                          "sendVstMidiEvent",
                                          "receiveVstEvents",
                                          "receiveVstMidiEvent",
                                          "receiveVstTimeInfo",
                                          "offline",
                                          "midiProgramNames",
                                          "bypass",
                                          "noRealTime",
                                          "plugAsChannelInsert",
                                          "plugAsSend",
                                          "mixDryWet",
                                          "1in1out",
                                          "2in2out",
                                          "MPE"};
  for (const char* q : questions) {
    std::vector<char> text(q, q + std::strlen(q) + 1);  // a writable copy, as hosts pass it
    out << "  " << std::left << std::setw(22) << q << canDoAnswer(host->dispatch(effCanDo, 0, 0, text.data()))
        << "\n";
  }
  return kOk;
}

}  // namespace host
