// The toolkit's view tree: CView (one rectangle that draws and takes mouse events) and
// CViewContainer (a view holding child views, later children on top).
//
// Coordinates: a view's size rectangle is in its parent's coordinates and it draws in
// them (the context's offset is the parent's position in the window). Mouse and drag
// events reach a view in its own coordinates: (0, 0) is its top-left corner.
#pragma once
#include <cstdint>
#include <vector>

#include "gui/base_object.h"
#include "gui/geometry.h"
#include "runtime/mouse_buttons.h"  // ButtonState

namespace Toolkit {

class CDrawContext;
class CFrame;
class CViewContainer;

// Answer of onMouseDown and onMouseMoved.
enum CMouseEventResult : int32_t {
  kMouseEventNotImplemented = 0,  // the view tracks a press itself (legacy `mouse`)
  kMouseEventHandled = 1,         // the view keeps the mouse until the release
  kMouseEventNotHandled = 2,
};

enum CMouseWheelAxis : int32_t { kMouseWheelAxisX = 0, kMouseWheelAxisY = 1 };

// A key event: character, virtual key and modifier bits.
struct KeyCode {
  int32_t character = 0;
  uint8_t virt = 0;
  uint8_t modifier = 0;
};
inline constexpr uint8_t kVirtualKeyTab = 2;
inline constexpr uint8_t kModifierShift = 1;

// The items of a drag in progress (files or text), read one after the other.
class CDragContainer : public CBaseObject {
public:
  enum ItemType : int32_t { kFile = 0, kText = 2, kUnknown = -1, kError = -2 };
  virtual int32_t getCount() = 0;
  // The next item's UTF-8 bytes (owned by the container until the next call), its size
  // without terminator and its type; null when there is none.
  virtual const char* next(int32_t& size, int32_t& type) = 0;
};

class CView : public CBaseObject {
public:
  explicit CView(const CRect& size);
  ~CView() override;

  // Drawing. redrawRect draws the view for an update rectangle (parent coordinates).
  virtual void draw(CDrawContext* context);
  virtual void redrawRect(CDrawContext* context, const CRect& updateRect);

  // Mouse events, in view coordinates.
  virtual CMouseEventResult onMouseDown(CPoint& where, const int32_t& buttons);
  virtual CMouseEventResult onMouseUp(CPoint& where, const int32_t& buttons);
  virtual CMouseEventResult onMouseMoved(CPoint& where, const int32_t& buttons);
  virtual CMouseEventResult onMouseEntered(CPoint& where, const int32_t& buttons);
  virtual CMouseEventResult onMouseExited(CPoint& where, const int32_t& buttons);
  // Old-style press: the view tracks the mouse itself with the context given.
  virtual void mouse(CDrawContext* context, CPoint& where, int32_t buttons);
  virtual bool onWheel(const CPoint& where, const float& distance, const int32_t& buttons);
  // Vertical distances go to the plain onWheel; horizontal ones are ignored by default.
  virtual bool onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
                       const int32_t& buttons);
  // Point in parent coordinates.
  virtual bool hitTest(const CPoint& where, const int32_t& buttons = 0);

  // Keys: 1 handled, -1 not handled.
  virtual int32_t onKeyDown(KeyCode& key);
  virtual int32_t onKeyUp(KeyCode& key);

  // Drag and drop, in view coordinates; the default ignores every drag.
  virtual bool onDrop(CDragContainer* drag, const CPoint& where);
  virtual void onDragEnter(CDragContainer* drag, const CPoint& where);
  virtual void onDragLeave(CDragContainer* drag, const CPoint& where);
  virtual void onDragMove(CDragContainer* drag, const CPoint& where);

  // Attaching to a parent (which must be attached to a frame).
  virtual bool attached(CViewContainer* parent);
  virtual bool removed(CViewContainer* parent);
  virtual bool isContainer() const { return false; }

  // Marks the whole view for repainting now, or later in the frame's idle.
  void invalid();
  virtual void invalidRect(const CRect& rect);  // parent coordinates
  void setDirty(bool dirty = true) { dirty_ = dirty; }
  bool isDirty() const { return dirty_; }

  const CRect& getViewSize() const { return size_; }
  virtual void setViewSize(const CRect& size, bool invalidate = true);
  // The part of the view its parent shows (parent coordinates).
  CRect getVisibleSize() const;
  CPoint localToFrame(const CPoint& p) const;  // view coordinates -> frame coordinates
  CPoint frameToLocal(const CPoint& p) const;
  CRect rectInFrame() const;  // the size rectangle in frame coordinates

  void setVisible(bool visible);
  bool isVisible() const { return visible_; }
  void setMouseEnabled(bool enabled) { mouseEnabled_ = enabled; }
  bool getMouseEnabled() const { return mouseEnabled_; }
  void setTransparency(bool transparent) { transparent_ = transparent; }
  bool getTransparency() const { return transparent_; }
  void setWantsFocus(bool wants) { wantsFocus_ = wants; }
  bool wantsFocus() const { return wantsFocus_; }

  bool isAttached() const { return attached_; }
  CViewContainer* getParentView() const { return parent_; }
  CFrame* getFrame() const { return frame_; }
  // True when this view lies (directly or deeper) inside container.
  bool isChildOf(const CViewContainer* container) const;

protected:
  CRect size_;
  CViewContainer* parent_ = nullptr;
  CFrame* frame_ = nullptr;
  bool attached_ = false;

private:
  bool visible_ = true;
  bool mouseEnabled_ = true;
  bool transparent_ = false;
  bool dirty_ = false;
  bool wantsFocus_ = false;
};

class CViewContainer : public CView {
public:
  explicit CViewContainer(const CRect& size);
  ~CViewContainer() override;

  // Adopts the caller's reference. Refuses null and views already attached (0).
  virtual bool addView(CView* view);
  // Drops the container's reference (the view dies unless someone else holds one).
  virtual bool removeView(CView* view);
  virtual void removeAll();
  bool isChild(const CView* view) const;
  int32_t getNbViews() const { return static_cast<int32_t>(children_.size()); }
  CView* getView(int32_t index) const;
  const std::vector<CView*>& children() const { return children_; }

  // The topmost visible child under a point (container coordinates), searching
  // into child containers when deep; null when none.
  CView* getViewAt(const CPoint& where, bool deep = false) const;

  void setBackgroundColor(CColor color) { backgroundColor_ = color; }
  CColor getBackgroundColor() const { return backgroundColor_; }
  // Drawn instead of the colour when set; one reference held.
  void setBackground(class CBitmap* bitmap);
  void setBackgroundOffset(const CPoint& offset) { backgroundOffset_ = offset; }

  // Drawing of the container for an update rectangle in parent coordinates.
  void draw(CDrawContext* context) override;
  void redrawRect(CDrawContext* context, const CRect& updateRect) override;
  virtual void drawRect(CDrawContext* context, const CRect& updateRect);
  virtual void drawBackgroundRect(CDrawContext* context, const CRect& localRect);

  CMouseEventResult onMouseDown(CPoint& where, const int32_t& buttons) override;
  CMouseEventResult onMouseUp(CPoint& where, const int32_t& buttons) override;
  CMouseEventResult onMouseMoved(CPoint& where, const int32_t& buttons) override;
  bool onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
               const int32_t& buttons) override;
  using CView::onWheel;

  bool onDrop(CDragContainer* drag, const CPoint& where) override;
  void onDragEnter(CDragContainer* drag, const CPoint& where) override;
  void onDragLeave(CDragContainer* drag, const CPoint& where) override;
  void onDragMove(CDragContainer* drag, const CPoint& where) override;

  bool attached(CViewContainer* parent) override;
  bool removed(CViewContainer* parent) override;
  bool isContainer() const override { return true; }

  CView* getMouseDownView() const { return mouseDownView_; }
  void clearMouseDownView() { mouseDownView_ = nullptr; }

  // Invalidates dirty views (used by the frame's idle).
  void invalidateDirtyViews();

protected:
  // A child's press, old style: the frame gives a fresh drawing context.
  CMouseEventResult legacyPress(CView* child, CPoint& where, const int32_t& buttons);
  // Forgets pointers to a view that leaves this container.
  virtual void forgetView(CView* view);

  std::vector<CView*> children_;  // one reference each; the last is on top
  CColor backgroundColor_{0, 0, 0, 255};
  class CBitmap* background_ = nullptr;
  CPoint backgroundOffset_;
  CView* mouseDownView_ = nullptr;
  CView* dragView_ = nullptr;  // child under the pointer during a drag
};

}  // namespace Toolkit
