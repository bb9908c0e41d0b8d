// CZelkView: the one view of the editor. Its paint runs the effect's drawing section
// with the plug-in's drawContext set for the duration; its mouse and key events go to
// the effect's hooks. It keeps every press, so the frame captures the mouse until the
// release.
#pragma once
#include "gui/view.h"

class CZelk;

class CZelkView : public Toolkit::CView {
public:
  CZelkView(const Toolkit::CRect& size, CZelk* plugin);

  void draw(Toolkit::CDrawContext* context) override;
  Toolkit::CMouseEventResult onMouseDown(Toolkit::CPoint& where, const int32_t& buttons) override;
  Toolkit::CMouseEventResult onMouseUp(Toolkit::CPoint& where, const int32_t& buttons) override;
  Toolkit::CMouseEventResult onMouseMoved(Toolkit::CPoint& where, const int32_t& buttons) override;
  int32_t onKeyDown(Toolkit::KeyCode& key) override;
  int32_t onKeyUp(Toolkit::KeyCode& key) override;

private:
  CZelk* plugin_;
  Toolkit::CRect rect_;  // copy of the view's size
};
