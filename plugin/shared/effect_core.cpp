#include "plugin/shared/effect_core.h"

#include <algorithm>

#include "gui/font_desc.h"
#include "runtime/fablo.h"

namespace {
using Section = std::lock_guard<std::recursive_mutex>;

// Any mouse activity brings repaints back to at least 30 a second.
void mouseAt(TFablo& e, double x, double y) {
  e.mouseXSlot = x;
  e.mouseYSlot = y;
  e.redrawRate = std::max(e.redrawRate, 30.0);
}
}  // namespace

void EffectCore::open() {
  Section section(lock_);
  effect_->reset();
}
void EffectCore::suspend() {
  Section section(lock_);
  effect_->onSuspend();
}
void EffectCore::resume() {
  Section section(lock_);
  effect_->resume();
}
void EffectCore::idle() {
  Section section(lock_);
  effect_->idle();
}
void EffectCore::close() {
  Section section(lock_);
  effect_->onClose();
}
void EffectCore::draw() {
  Section section(lock_);
  effect_->onGraphics();
}
void EffectCore::paint(PaintTarget& target, Toolkit::CDrawContext* context) {
  target.setDrawContext(context);
  draw();
  target.setDrawContext(nullptr);
}

void EffectCore::mouseDown(double x, double y, int32_t buttons) {
  Section section(lock_);
  effect_->mouseButtonsSlot = CFabloMouse::mouseBitsFromButtons(buttons);
  mouseAt(*effect_, x, y);
}
void EffectCore::mouseUp(double x, double y) {
  Section section(lock_);
  effect_->mouseButtonsSlot = 0;
  mouseAt(*effect_, x, y);
}
void EffectCore::mouseMoved(double x, double y) {
  Section section(lock_);
  mouseAt(*effect_, x, y);
}

uint32_t EffectCore::saveState(void** data) {
  Section section(lock_);
  return effect_->getChunk(data);
}
int32_t EffectCore::restoreState(const void* data, int32_t byteSize) {
  Section section(lock_);
  return effect_->setChunk(data, byteSize);
}

void EffectCore::releaseFonts() {
  for (Toolkit::CFontDesc*& font : fonts_) {
    if (font) font->release();
    font = nullptr;
  }
}

void EffectCore::attachEditor(EditorSide* editor) {
  Section section(lock_);
  editor_ = editor;
}
void EffectCore::repaintEditor() {
  if (editor_) editor_->repaint();
}
bool EffectCore::editorSize(int32_t& width, int32_t& height) const {
  if (!editor_) return false;
  editor_->pictureSize(width, height);
  return true;
}
