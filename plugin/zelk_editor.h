// The plug-in's editor: a 400 x 400 frame in the host's window with one CZelkView that
// the effect draws into. Its idle runs the effect's repaint pacing, then the frame's idle.
#pragma once
#include <cstdint>

#include "plugin/gui_editor.h"

class CZelk;
class CZelkView;

class CZelkEditor : public AEffGUIEditor {
public:
  CZelkEditor(CZelk* plugin, int32_t width, int32_t height);
  ~CZelkEditor() override;

  bool getRect(ERect** rect) override;
  // Opens the frame and its view in the host's window (an HWND, or an X11 Window id);
  // an editor still open is closed first. False when no window could be made.
  bool open(void* parent) override;
  void close() override;
  void idle() override;

  // Invalidates the whole view when one is open (the effect's repaint request).
  void repaint();

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  CZelkView* getView() const { return view_; }

private:
  ERect rect_;
  CZelk* plugin_;
  CZelkView* view_ = nullptr;  // owned by the frame; null while closed
  int32_t width_, height_;
};
