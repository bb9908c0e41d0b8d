#include "plugin/zelk_editor.h"

#include "plugin/zelk.h"
#include "plugin/zelk_view.h"

CZelkEditor::CZelkEditor(CZelk* plugin, int32_t width, int32_t height)
    : AEffGUIEditor(plugin),
      rect_{0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)},
      plugin_(plugin),
      width_(width),
      height_(height) {}

CZelkEditor::~CZelkEditor() { close(); }

bool CZelkEditor::getRect(ERect** rect) {
  if (!rect) return false;
  *rect = &rect_;
  return true;
}

bool CZelkEditor::open(void* parent) {
  // A second open without a close would otherwise leave the first window behind.
  close();
  const Toolkit::CRect size(0, 0, width_, height_);
  auto* newFrame = new Toolkit::CFrame(size, parent, this);
  if (!newFrame->isOpen()) {
    newFrame->release();
    return false;
  }
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
