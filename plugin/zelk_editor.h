// The plug-in's editor. Until the window and view land it only answers the host's
// requests: its size, and open, close and idle that do nothing visible.
#pragma once
#include <cstdint>

#include "plugin/aeff_editor.h"

class CZelk;

class CZelkEditor : public AEffEditor {
public:
  CZelkEditor(CZelk* plugin, int32_t width, int32_t height);

  bool getRect(ERect** rect) override {
    *rect = &rect_;
    return true;
  }
  bool open(void* parent) override;
  void close() override;
  void idle() override;
  bool setKnobMode(int32_t mode) override {
    knobMode_ = mode;
    return true;
  }
  // Invalidates the view when one is open.
  void repaint() {}

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }

private:
  ERect rect_;
  CZelk* plugin_;
  int32_t width_, height_;
  int32_t knobMode_ = 0;
};
