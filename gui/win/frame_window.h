// The frame's Win32 child window: registers the process's window class "Plugin<module>"
// (once, for however many frames), creates the child inside the host's window, turns
// its messages into the frame's paint and mouse calls, and registers the OLE drop
// target. GDI+ and OLE are held for the window's lifetime.
#pragma once
#include "gui/win/windows_headers.h"

#include <cstdint>

#include "gui/frame_window.h"
#include "gui/win/gdiplus_globals.h"

namespace Toolkit {

class COffscreenContext;
class CDropTarget;

// The factor of a resolution in dots per inch as Windows reports it (0 when unknown).
DisplayScale win32DpiScale(unsigned dpi);

// Toolkit button bits of a mouse message: MK_ flags of wParam, plus alt.
int32_t win32MessageButtons(WPARAM wParam, bool altDown);

class Win32FrameWindow final : public FrameWindow {
public:
  // The window is size times the factor in device pixels.
  Win32FrameWindow(CFrame& frame, HWND parent, const CRect& size, DisplayScale scale = {});
  ~Win32FrameWindow() override;

  bool isOpen() const override { return hwnd_ != nullptr; }
  void* nativeHandle() const override { return hwnd_; }
  void invalidate(int left, int top, int right, int bottom) override;
  void setMouseCapture() override;
  void releaseMouseCapture() override;
  void trackMouseLeave() override;
  CPoint pointerPosition() const override;
  int32_t currentButtons() const override;
  CDrawContext* makeDrawContext() override;
  DisplayScale scale() const override { return scale_; }
  void setScale(DisplayScale scale) override;

  LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  // The class every frame window of this process uses, and how many frames hold it.
  static const wchar_t* className();
  static int classUsers();
  // The system's major version as the frame saw it (GetVersionExW).
  int majorVersion() const { return majorVersion_; }
  bool hasBackBuffer() const { return backBuffer_ != nullptr; }
  // Test seam: frames made while set (>= 0) take this as the system's major version.
  static void overrideMajorVersion(int major);

private:
  void paint();
  CPoint toPicture(int x, int y) const { return scale_.toPicture(x, y); }
  void enableDragDrop();
  void disableDragDrop();

  win::GdiplusRef gdiplus_;  // first member: GDI+ outlives the back buffer
  CFrame& frame_;
  HWND hwnd_ = nullptr;
  HWND parent_ = nullptr;
  CRect pictureSize_;
  DisplayScale scale_;
  int width_, height_;  // device pixels
  int majorVersion_ = 0;
  bool oleStarted_ = false;
  bool usesClass_ = false;
  COffscreenContext* backBuffer_ = nullptr;  // systems of major version 5 or older
  CDropTarget* dropTarget_ = nullptr;        // registered while the window lives
};

}  // namespace Toolkit
