// The host's window for a plug-in's editor: a top-level window that the host gives to
// the editor, the window system's event pump, and the pixels inside it. The snapshot
// command and the editor tests use it alike. One implementation per platform:
// linux/x11_window.cpp (X11, cairo PNG writer) and win/win_window.cpp (Win32, GDI+ PNG
// encoder).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace host {

class EditorWindow {
public:
  // Makes and shows a window with a client area of width x height at the screen's
  // origin; null and `error` when the window system is unreachable. On Linux without
  // DISPLAY, starts a private Xvfb first and points DISPLAY at it for the plug-in.
  static std::unique_ptr<EditorWindow> create(int width, int height, const std::string& title,
                                              std::string& error);
  virtual ~EditorWindow() = default;

  // What effEditOpen receives: the X11 window id or the HWND.
  virtual void* parent() const = 0;
  virtual void resize(int width, int height) = 0;
  // Handles the window system's pending events for the host's window.
  virtual void pump() = 0;
  // Windows the editor has put inside the host's.
  virtual int childCount() const = 0;
  bool hasEditorWindow() const { return childCount() > 0; }
  // The client area as on screen, the editor's window included: 0xRRGGBB, row by row;
  // empty when it cannot be read.
  virtual std::vector<uint32_t> pixels() const = 0;
  virtual uint32_t pixel(int x, int y) const;  // ~0u outside the window
  // Saves the client area as a PNG file.
  bool savePng(const std::string& path, std::string& error) const;
  // "Xvfb :3", "DISPLAY :0", "Win32"...: where the window lives, for the report.
  virtual std::string where() const = 0;
  // X11: the window's own Display connection; null elsewhere.
  virtual void* display() const { return nullptr; }

  int width() const { return width_; }
  int height() const { return height_; }

protected:
  int width_ = 0, height_ = 0;
};

// Writes 0xRRGGBB pixels, row by row, as a PNG file (cairo on Linux, GDI+ on Windows);
// empty when written, else why not.
std::string writePng(const std::vector<uint32_t>& pixels, int width, int height, const std::string& path);

}  // namespace host
