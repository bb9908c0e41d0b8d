// The one view of an editor whose format reaches the effect through the shared layer:
// its paint runs the effect's drawing with the link's drawing context set for the
// duration; mouse positions go to the effect. It keeps every press, so the frame
// captures the mouse until the release.
#pragma once
#include "gui/view.h"

class EffectCore;
class PaintTarget;

class EffectView : public Toolkit::CView {
public:
  EffectView(const Toolkit::CRect& size, EffectCore& core, PaintTarget& target)
      : CView(size), core_(core), target_(target) {}

  void draw(Toolkit::CDrawContext* context) override;
  Toolkit::CMouseEventResult onMouseDown(Toolkit::CPoint& where, const int32_t& buttons) override;
  Toolkit::CMouseEventResult onMouseUp(Toolkit::CPoint& where, const int32_t& buttons) override;
  Toolkit::CMouseEventResult onMouseMoved(Toolkit::CPoint& where, const int32_t& buttons) override;

private:
  EffectCore& core_;
  PaintTarget& target_;
};
