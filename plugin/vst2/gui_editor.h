// AEffGUIEditor: the editor base that joins the host's editor requests to the toolkit.
// It holds the frame (one reference while open), passes keys to it, runs the frame's
// idle and offers the toolkit's wait step, which gives the host idle time while a view
// tracks the mouse itself.
#pragma once
#include <cstdint>

#include "gui/frame.h"
#include "plugin/vst2/aeff_editor.h"

class AEffGUIEditor : public AEffEditor, public Toolkit::ToolkitEditorInterface {
public:
  explicit AEffGUIEditor(AudioEffect* effect);
  ~AEffGUIEditor() override;  // releases a frame still open

  void close() override;  // drops the frame
  void idle() override;   // the frame's idle, unless the wait step is giving idle time
  int32_t onKeyDown(VstKeyCode& key) override;
  int32_t onKeyUp(VstKeyCode& key) override;
  bool setKnobMode(int32_t mode) override {
    knobMode_ = mode;
    return true;
  }

  // ToolkitEditorInterface.
  void doIdleStuff() override;
  int32_t getKnobMode() const override { return knobMode_; }

  Toolkit::CFrame* getFrame() const { return frame; }

protected:
  // Replaces the open frame (taking over the caller's reference); the previous one is
  // released first.
  void setFrame(Toolkit::CFrame* newFrame);

  Toolkit::CFrame* frame = nullptr;
  uint32_t lastTicks = 0;
  bool inIdle = false;

private:
  bool oleStarted_ = false;
  int32_t knobMode_ = 0;
};

// What the editor needs from the platform: a millisecond tick count, a short sleep,
// one pending paint message dispatched (Windows), and OLE for the editor's lifetime.
namespace editor_platform {
uint32_t tickCount();
void sleepMs(uint32_t ms);
void dispatchOnePaintMessage();
bool oleInitialize();  // false when OLE could not be started on this thread
void oleUninitialize();
}  // namespace editor_platform
