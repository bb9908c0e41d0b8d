#include "plugin/vst2/zelk_editor.h"

#include "plugin/shared/display_scale_choice.h"
#include "plugin/vst2/zelk.h"
#include "plugin/vst2/zelk_view.h"

CZelkEditor::CZelkEditor(CZelk* plugin, int32_t width, int32_t height)
    : AEffGUIEditor(plugin),
      rect_{0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)},  // until asked
      plugin_(plugin),
      width_(width),
      height_(height) {}

CZelkEditor::~CZelkEditor() { close(); }

Toolkit::DisplayScale CZelkEditor::chooseScale(void* parent) const {
  if (const auto forced = scaleOverride()) return Toolkit::DisplayScale(*forced);
  if (hostScale_) return Toolkit::DisplayScale(*hostScale_);
  if (parent) return Toolkit::platform::windowScale(parent);
  if (!systemScale_) systemScale_ = Toolkit::platform::systemScale();
  return *systemScale_;
}

Toolkit::DisplayScale CZelkEditor::scale() const {
  return frame && frame->isOpen() ? frame->getScale() : chooseScale(nullptr);
}

void CZelkEditor::updateRect(Toolkit::DisplayScale scale) {
  rect_.bottom = static_cast<int16_t>(scale.deviceLength(height_));
  rect_.right = static_cast<int16_t>(scale.deviceLength(width_));
}

bool CZelkEditor::getRect(ERect** rect) {
  if (!rect) return false;
  // Hosts ask before they open the editor: the factor then comes without a window.
  updateRect(scale());
  *rect = &rect_;
  return true;
}

bool CZelkEditor::setContentScale(float factor) {
  if (!Toolkit::DisplayScale::inRange(factor)) return false;
  hostScale_ = factor;
  // An open window follows at once, unless the override holds it, and the host's frame
  // around it with it.
  if (frame && frame->isOpen() && !scaleOverride()) {
    const Toolkit::DisplayScale before = frame->getScale();
    frame->setScale(Toolkit::DisplayScale(factor));
    if (frame->getScale().factor() != before.factor()) resizeHost(frame->getScale());
  }
  return true;
}

bool CZelkEditor::followScale(Toolkit::DisplayScale scale) {
  // The override and the host's own announcement win over the screen.
  if (scaleOverride() || hostScale_) return false;
  resizeHost(scale);
  return true;
}

void CZelkEditor::resizeHost(Toolkit::DisplayScale scale) {
  updateRect(scale);
  if (plugin_) plugin_->callHost(audioMasterSizeWindow, rect_.right, rect_.bottom);
}

bool CZelkEditor::open(void* parent) {
  // A second open without a close would otherwise leave the first window behind.
  close();
  const Toolkit::CRect size(0, 0, width_, height_);
  const Toolkit::DisplayScale scale = chooseScale(parent);
  auto* newFrame = new Toolkit::CFrame(size, parent, this, scale);
  if (!newFrame->isOpen()) {
    newFrame->release();
    return false;
  }
  // The host's window may have another resolution than the system's it was told.
  const int16_t toldWidth = rect_.right, toldHeight = rect_.bottom;
  updateRect(scale);
  if ((rect_.right != toldWidth || rect_.bottom != toldHeight) && plugin_)
    plugin_->callHost(audioMasterSizeWindow, rect_.right, rect_.bottom);
  auto* view = new CZelkView(size, plugin_);
  newFrame->addView(view);  // the frame owns it from here on
  setFrame(newFrame);
  view_ = view;
  return true;
}

void CZelkEditor::close() {
  view_ = nullptr;
  AEffGUIEditor::close();
}

void CZelkEditor::idle() {
  if (view_ && frame && plugin_ && plugin_->getHooks().editorIdle) plugin_->getHooks().editorIdle(plugin_);
  AEffGUIEditor::idle();
}

void CZelkEditor::repaint() {
  if (view_ && frame) view_->invalid();
}
