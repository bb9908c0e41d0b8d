#include "plugin/vst2/gui_editor.h"

#include "plugin/vst2/audio_effect.h"

AEffGUIEditor::AEffGUIEditor(AudioEffect* effect) : AEffEditor(effect) {
  lastTicks = editor_platform::tickCount();
  // The frame registers an OLE drop target; OLE stays up for the editor's lifetime.
  oleStarted_ = editor_platform::oleInitialize();
}

AEffGUIEditor::~AEffGUIEditor() {
  setFrame(nullptr);
  if (oleStarted_) editor_platform::oleUninitialize();
}

void AEffGUIEditor::setFrame(Toolkit::CFrame* newFrame) {
  Toolkit::CFrame* old = frame;
  frame = newFrame;
  if (old) old->release();
}

void AEffGUIEditor::close() {
  setFrame(nullptr);
  systemWindow = nullptr;
}

void AEffGUIEditor::idle() {
  if (!inIdle && frame) frame->idle();
}

int32_t AEffGUIEditor::onKeyDown(VstKeyCode& key) {
  if (!frame) return -1;
  Toolkit::KeyCode k{key.character, key.virt, key.modifier};
  return frame->onKeyDown(k);
}

int32_t AEffGUIEditor::onKeyUp(VstKeyCode& key) {
  if (!frame) return -1;
  Toolkit::KeyCode k{key.character, key.virt, key.modifier};
  return frame->onKeyUp(k);
}

void AEffGUIEditor::doIdleStuff() {
  // Unsigned arithmetic throughout: the tick count wraps.
  uint32_t ticks = editor_platform::tickCount();
  if (ticks < lastTicks) {
    editor_platform::sleepMs(4);
    ticks += 4;
    if (ticks < lastTicks - 50) return;
  }
  idle();
  editor_platform::dispatchOnePaintMessage();
  lastTicks = ticks + 100;
  inIdle = true;
  if (auto* fx = dynamic_cast<AudioEffectX*>(effect)) fx->masterIdle();
  inIdle = false;
}
