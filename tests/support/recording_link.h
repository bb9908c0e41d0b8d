// The tests' plug-in link: fixed host answers that a test can change, and a record of
// every request the runtime makes. Over the runtime's PluginLink (RecordingLink), or a
// link interface derived from it (the drawing tests' FakePlugin). Never linked into the
// plug-in.
#pragma once
#include <string>
#include <vector>

#include "runtime/plugin_link.h"

template <class Link>
class RecordingLinkOf : public Link {
public:
  // What the host answers.
  float sampleRate = 44100;
  int32_t blockSize = 1024;
  int32_t inputs = 2;
  bool answersTime = true;  // false: the host gives no time information
  HostTime time;            // the record the host answers with

  // What the runtime asked for, in order: "time:<filter>", "updateDisplay",
  // "initialDelay:<samples>", "repaint".
  std::vector<std::string> calls;
  std::vector<int32_t> timeFilters;
  int32_t updateDisplays = 0, repaints = 0, initialDelay = 0;

  float storedSampleRate() const override { return sampleRate; }
  int32_t storedBlockSize() const override { return blockSize; }
  int32_t inputCount() const override { return inputs; }
  bool hostTime(int32_t request, HostTime& out) override {
    calls.push_back("time:" + std::to_string(request));
    timeFilters.push_back(request);
    if (!answersTime) return false;
    out = time;
    return true;
  }
  void updateDisplay() override {
    calls.push_back("updateDisplay");
    ++updateDisplays;
  }
  void setInitialDelay(int32_t samples) override {
    calls.push_back("initialDelay:" + std::to_string(samples));
    initialDelay = samples;
  }
  void repaintEditor() override {
    calls.push_back("repaint");
    ++repaints;
  }
  bool editorSize(int32_t&, int32_t&) const override { return false; }
};

using RecordingLink = RecordingLinkOf<PluginLink>;
