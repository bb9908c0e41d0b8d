#include "plugin/vst2/zelk_view.h"

#include "plugin/vst2/zelk.h"

CZelkView::CZelkView(const Toolkit::CRect& size, CZelk* plugin) : CView(size), plugin_(plugin), rect_(size) {}

void CZelkView::draw(Toolkit::CDrawContext* context) {
  if (!plugin_ || !plugin_->getHooks().draw) return;
  plugin_->setDrawContext(context);
  plugin_->getHooks().draw(plugin_, rect_.right - rect_.left, rect_.bottom - rect_.top);
  plugin_->setDrawContext(nullptr);
}

Toolkit::CMouseEventResult CZelkView::onMouseDown(Toolkit::CPoint& where, const int32_t& buttons) {
  if (plugin_ && plugin_->getHooks().mouseDown)
    plugin_->getHooks().mouseDown(plugin_, where.x, where.y, buttons);
  return Toolkit::kMouseEventHandled;
}

Toolkit::CMouseEventResult CZelkView::onMouseUp(Toolkit::CPoint& where, const int32_t& buttons) {
  if (plugin_ && plugin_->getHooks().mouseUp) plugin_->getHooks().mouseUp(plugin_, where.x, where.y, buttons);
  return Toolkit::kMouseEventHandled;
}

Toolkit::CMouseEventResult CZelkView::onMouseMoved(Toolkit::CPoint& where, const int32_t& buttons) {
  if (plugin_ && plugin_->getHooks().mouseMoved)
    plugin_->getHooks().mouseMoved(plugin_, where.x, where.y, buttons);
  return Toolkit::kMouseEventHandled;
}

int32_t CZelkView::onKeyDown(Toolkit::KeyCode& key) {
  if (plugin_ && plugin_->getHooks().keyDown)
    plugin_->getHooks().keyDown(plugin_, key.character, key.modifier, key.virt);
  return 1;
}

int32_t CZelkView::onKeyUp(Toolkit::KeyCode& key) {
  if (plugin_ && plugin_->getHooks().keyUp)
    plugin_->getHooks().keyUp(plugin_, key.character, key.modifier, key.virt);
  return 1;
}
