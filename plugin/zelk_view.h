// CZelkView: the one view of the editor. Its paint runs the effect's drawing section
// with the plug-in's drawContext set for the duration; its mouse and key events go to
// the effect's hooks. It keeps every press, so the frame captures the mouse until the
// release.
#pragma once
#include "gui/view.h"

class CZelk;

class CZelkView : public VSTGUI::CView {
public:
  CZelkView(const VSTGUI::CRect& size, CZelk* plugin);

  void draw(VSTGUI::CDrawContext* context) override;
  VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where, const int32_t& buttons) override;
  VSTGUI::CMouseEventResult onMouseUp(VSTGUI::CPoint& where, const int32_t& buttons) override;
  VSTGUI::CMouseEventResult onMouseMoved(VSTGUI::CPoint& where, const int32_t& buttons) override;
  int32_t onKeyDown(VSTGUI::KeyCode& key) override;
  int32_t onKeyUp(VSTGUI::KeyCode& key) override;

private:
  CZelk* plugin_;
  VSTGUI::CRect rect_;  // copy of the view's size
};
