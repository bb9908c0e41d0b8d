// The plug-in's editor: a frame in the host's window with one CZelkView that the effect
// draws into. Its idle runs the effect's repaint pacing, then the frame's idle.
//
// The picture is width x height (400 x 400) in its own coordinates whatever the screen;
// the window is that times a display factor from 1 to 4. The factor comes from, in this
// order: BRIMTRACE_SCALE (for hosts that misreport), the host's announcement
// (effVendorSpecific), the resolution of the host's window, the system's.
#pragma once
#include <cstdint>
#include <optional>

#include "plugin/vst2/gui_editor.h"

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
  bool setContentScale(float factor) override;
  bool followScale(Toolkit::DisplayScale scale) override;

  // Invalidates the whole view when one is open (the effect's repaint request).
  void repaint();

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  CZelkView* getView() const { return view_; }
  // The factor of the open window, or the one an open would use now.
  Toolkit::DisplayScale scale() const;

private:
  // The factor before a window exists, or for the given host window.
  Toolkit::DisplayScale chooseScale(void* parent) const;
  void updateRect(Toolkit::DisplayScale scale);
  // The rectangle at the factor, and the host asked to give the window that size.
  void resizeHost(Toolkit::DisplayScale scale);

  ERect rect_;
  std::optional<double> hostScale_;
  mutable std::optional<Toolkit::DisplayScale> systemScale_;  // asked once: hosts ask for the rectangle often
  CZelk* plugin_;
  CZelkView* view_ = nullptr;  // owned by the frame; null while closed
  int32_t width_, height_;
};
