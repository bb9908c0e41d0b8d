// CFrame: the root of the view tree. It owns the platform child window (through the
// FrameWindow seam), paints the tree into it, and dispatches the window's mouse, wheel,
// key and drag events to the views: it remembers the view that holds the mouse after
// a press (mouseDownView) and the view under the pointer (mouseOverView).
//
// Frame coordinates are the window's: the frame's own rectangle always starts at (0, 0).
#pragma once
#include <cstdint>
#include <memory>

#include "gui/frame_window.h"
#include "gui/view.h"

namespace Toolkit {

// The toolkit's view of the editor that owns a frame.
class ToolkitEditorInterface {
public:
  virtual ~ToolkitEditorInterface() = default;
  // Gives the host idle time while a view tracks the mouse itself.
  virtual void doIdleStuff() {}
  virtual int32_t getKnobMode() const { return 0; }
  // The window's screen changed resolution while open (a move to a monitor of another
  // DPI): answers whether the frame is to follow; the editor then resizes itself.
  virtual bool followScale(DisplayScale /*scale*/) { return false; }
};

class CFrame : public CViewContainer {
public:
  // Makes the child window inside parentWindow (an HWND or an X11 Window id); without
  // a parent, or when the platform cannot make one, the frame has no window.
  // The window is size times scale in pixels; the frame's coordinates stay size.
  CFrame(const CRect& size, void* parentWindow, ToolkitEditorInterface* editor, DisplayScale scale = {});
  // With a given window (tests put a recording double here).
  CFrame(const CRect& size, std::unique_ptr<FrameWindow> window, ToolkitEditorInterface* editor);
  ~CFrame() override;

  bool isOpen() const { return window_ && window_->isOpen(); }
  FrameWindow* getWindow() const { return window_.get(); }
  void* getSystemWindow() const { return window_ ? window_->nativeHandle() : nullptr; }
  ToolkitEditorInterface* getEditor() const { return editor_; }
  DisplayScale getScale() const { return window_ ? window_->scale() : DisplayScale{}; }
  void setScale(DisplayScale scale) {
    if (window_) window_->setScale(scale);
  }

  // Repaint requests (frame coordinates); the platform paints later.
  void invalidRect(const CRect& rect) override;
  // Invalidates dirty views, then lets the window do its idle work.
  void idle();

  // Paints the tree for an update rectangle (frame coordinates).
  void redrawRect(CDrawContext* context, const CRect& updateRect) override;
  void paint(CDrawContext* context, const CRect& updateRect) { redrawRect(context, updateRect); }

  // --- Entry points for the platform window (points in frame coordinates) ---
  // A press that a view keeps captures the mouse; every release frees it.
  CMouseEventResult handleMouseDown(CPoint where, int32_t buttons);
  CMouseEventResult handleMouseUp(CPoint where, int32_t buttons);
  CMouseEventResult handleMouseMoved(CPoint where, int32_t buttons);
  // The pointer left the window: position and buttons are read from the window.
  void handleMouseLeave();
  bool handleWheel(CPoint where, CMouseWheelAxis axis, float distance, int32_t buttons);
  // The window was destroyed from outside (with its parent): forget the pointers into
  // the tree that a further event could use.
  void handleWindowDestroyed();
  // The window's screen changed resolution: asks the editor, and follows when it agrees.
  void handleScaleChanged(DisplayScale scale);

  // --- Dispatch (frame coordinates) ---
  CMouseEventResult onMouseDown(CPoint& where, const int32_t& buttons) override;
  CMouseEventResult onMouseUp(CPoint& where, const int32_t& buttons) override;
  CMouseEventResult onMouseMoved(CPoint& where, const int32_t& buttons) override;
  CMouseEventResult onMouseExited(CPoint& where, const int32_t& buttons) override;
  bool onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
               const int32_t& buttons) override;
  using CViewContainer::onWheel;
  int32_t onKeyDown(KeyCode& key) override;
  int32_t onKeyUp(KeyCode& key) override;

  // Modal view: added to the frame, receives every mouse event while set. Null removes
  // the current one. False when another modal view is set.
  bool setModalView(CView* view);
  CView* getModalView() const { return modalView_; }
  void setFocusView(CView* view) { focusView_ = view; }
  CView* getFocusView() const { return focusView_; }
  // Moves the focus to the next (or previous) visible view that wants it.
  bool advanceNextFocusView(CView* current, bool reverse = false);
  CView* getMouseOverView() const { return mouseOverView_; }
  bool isTrackingLeave() const { return leaveTracking_; }

  // Called by containers when a view leaves the tree.
  void onViewRemoved(CView* view);

private:
  void init(const CRect& size);
  void collectFocusViews(CViewContainer* container, std::vector<CView*>& out);

  std::unique_ptr<FrameWindow> window_;
  ToolkitEditorInterface* editor_ = nullptr;
  CView* modalView_ = nullptr;
  CView* focusView_ = nullptr;
  CView* mouseOverView_ = nullptr;
  bool leaveTracking_ = false;
};

}  // namespace Toolkit
