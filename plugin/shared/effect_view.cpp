#include "plugin/shared/effect_view.h"

#include "plugin/shared/effect_core.h"

void EffectView::draw(Toolkit::CDrawContext* context) { core_.paint(target_, context); }

Toolkit::CMouseEventResult EffectView::onMouseDown(Toolkit::CPoint& where, const int32_t& buttons) {
  core_.mouseDown(where.x, where.y, buttons);
  return Toolkit::kMouseEventHandled;
}
Toolkit::CMouseEventResult EffectView::onMouseUp(Toolkit::CPoint& where, const int32_t&) {
  core_.mouseUp(where.x, where.y);
  return Toolkit::kMouseEventHandled;
}
Toolkit::CMouseEventResult EffectView::onMouseMoved(Toolkit::CPoint& where, const int32_t&) {
  core_.mouseMoved(where.x, where.y);
  return Toolkit::kMouseEventHandled;
}
