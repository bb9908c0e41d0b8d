// The window seam of the snapshot command: a top-level window that the host gives to
// the plug-in's editor, the window system's event pump, and the pixels inside it.
// One implementation per platform: linux/x11_window.cpp (X11, cairo PNG writer) and
// win/win_window.cpp (Win32, GDI+ PNG encoder).
#pragma once
#include <memory>
#include <string>

namespace host {

class EditorWindow {
public:
  // Makes and shows a window with a client area of width x height; null and `error`
  // when the window system is unreachable. On Linux without DISPLAY, starts a private
  // Xvfb first and points DISPLAY at it for the plug-in.
  static std::unique_ptr<EditorWindow> create(int width, int height, const std::string& title,
                                              std::string& error);
  virtual ~EditorWindow() = default;

  // What effEditOpen receives: the X11 window id or the HWND.
  virtual void* parent() const = 0;
  virtual void resize(int width, int height) = 0;
  // Handles the window system's pending events for the host's window.
  virtual void pump() = 0;
  // Whether the editor has put a window of its own inside the host's.
  virtual bool hasEditorWindow() const = 0;
  // Saves the client area as a PNG file.
  virtual bool savePng(const std::string& path, std::string& error) = 0;
  // "Xvfb :3", "DISPLAY :0", "Win32"...: where the window lives, for the report.
  virtual std::string where() const = 0;
};

}  // namespace host
