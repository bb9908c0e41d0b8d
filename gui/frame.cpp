#include "gui/frame.h"

#include <algorithm>
#include <cmath>

#include "gui/draw_context.h"

namespace Toolkit {

namespace {

int truncSide(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return 2147483647;
  if (v <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int>(v);
}

}  // namespace

CFrame::CFrame(const CRect& size, void* parentWindow, ToolkitEditorInterface* editor, DisplayScale scale)
    : CViewContainer(size), editor_(editor) {
  init(size);
  if (parentWindow) window_ = platform::makeFrameWindow(*this, parentWindow, size_, scale);
}

CFrame::CFrame(const CRect& size, std::unique_ptr<FrameWindow> window, ToolkitEditorInterface* editor)
    : CViewContainer(size), window_(std::move(window)), editor_(editor) {
  init(size);
}

void CFrame::init(const CRect& size) {
  // The frame is the root: its coordinates are the window's.
  size_ = CRect(0, 0, size.width(), size.height());
  frame_ = this;
  attached_ = true;
}

CFrame::~CFrame() {
  modalView_ = nullptr;
  removeAll();
  // The window goes last: it may still deliver a message while children leave.
  window_.reset();
  frame_ = nullptr;
  attached_ = false;
}

void CFrame::invalidRect(const CRect& rect) {
  if (!isVisible() || !isOpen()) return;
  window_->invalidate(truncSide(rect.left), truncSide(rect.top), truncSide(rect.right),
                      truncSide(rect.bottom));
}

void CFrame::handleScaleChanged(DisplayScale scale) {
  if (!isOpen() || scale.factor() == window_->scale().factor()) return;
  if (editor_ && editor_->followScale(scale)) window_->setScale(scale);
}

void CFrame::idle() {
  if (!isOpen()) return;
  invalidateDirtyViews();
  window_->idle();
}

void CFrame::redrawRect(CDrawContext* context, const CRect& updateRect) {
  setDirty(false);
  if (!context) return;
  CRect oldClip;
  context->getClipRect(oldClip);
  context->setClipRect(updateRect.intersect(oldClip));
  if (updateRect.width() > 0 && updateRect.height() > 0) drawRect(context, updateRect);
  context->setClipRect(oldClip);
}

// ---- Platform entry points ----

CMouseEventResult CFrame::handleMouseDown(CPoint where, int32_t buttons) {
  const CMouseEventResult result = onMouseDown(where, buttons);
  if (result == kMouseEventHandled && window_) window_->setMouseCapture();
  return result;
}

CMouseEventResult CFrame::handleMouseUp(CPoint where, int32_t buttons) {
  const CMouseEventResult result = onMouseUp(where, buttons);
  if (window_) window_->releaseMouseCapture();
  return result;
}

CMouseEventResult CFrame::handleMouseMoved(CPoint where, int32_t buttons) {
  return onMouseMoved(where, buttons);
}

void CFrame::handleMouseLeave() {
  CPoint where = window_ ? window_->pointerPosition() : CPoint();
  const int32_t buttons = window_ ? window_->currentButtons() : 0;
  onMouseExited(where, buttons);
}

bool CFrame::handleWheel(CPoint where, CMouseWheelAxis axis, float distance, int32_t buttons) {
  return onWheel(where, axis, distance, buttons);
}

void CFrame::handleWindowDestroyed() {
  mouseDownView_ = nullptr;
  mouseOverView_ = nullptr;
  leaveTracking_ = false;
}

// ---- Dispatch ----

CMouseEventResult CFrame::onMouseDown(CPoint& where, const int32_t& buttons) {
  mouseDownView_ = nullptr;
  if (mouseOverView_) {
    CView* over = mouseOverView_;
    mouseOverView_ = nullptr;
    CPoint local = over->frameToLocal(where);
    over->onMouseExited(local, buttons);
  }
  // A press never gives a view the focus.
  focusView_ = nullptr;
  if (modalView_) {
    CPoint local = modalView_->frameToLocal(where);
    const CMouseEventResult result = modalView_->onMouseDown(local, buttons);
    if (result == kMouseEventHandled) mouseDownView_ = modalView_;
    return result;
  }
  return CViewContainer::onMouseDown(where, buttons);
}

CMouseEventResult CFrame::onMouseUp(CPoint& where, const int32_t& buttons) {
  return CViewContainer::onMouseUp(where, buttons);
}

CMouseEventResult CFrame::onMouseMoved(CPoint& where, const int32_t& buttons) {
  if (!leaveTracking_ && window_) {
    window_->trackMouseLeave();
    leaveTracking_ = true;
  }
  if (modalView_) {
    CPoint local = modalView_->frameToLocal(where);
    return modalView_->onMouseMoved(local, buttons);
  }
  if (mouseDownView_) {
    const CMouseEventResult result = CViewContainer::onMouseMoved(where, buttons);
    if (result == kMouseEventHandled) return result;
  }
  CView* view = getViewAt(where, true);
  if (view == mouseOverView_) {
    if (!view) return kMouseEventNotHandled;
    CPoint local = view->frameToLocal(where);
    const int32_t noButtons = 0;  // nothing holds the mouse here
    return view->onMouseMoved(local, noButtons);
  }
  if (CView* old = mouseOverView_) {
    mouseOverView_ = nullptr;
    CPoint local = old->frameToLocal(where);
    old->onMouseExited(local, buttons);
  }
  mouseOverView_ = view;
  if (view) {
    CPoint local = view->frameToLocal(where);
    view->onMouseEntered(local, buttons);
  }
  return kMouseEventHandled;
}

CMouseEventResult CFrame::onMouseExited(CPoint& where, const int32_t& buttons) {
  if (CView* over = mouseOverView_) {
    mouseOverView_ = nullptr;
    CPoint local = over->frameToLocal(where);
    over->onMouseExited(local, buttons);
  }
  leaveTracking_ = false;
  return kMouseEventHandled;
}

bool CFrame::onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
                     const int32_t& buttons) {
  if (modalView_) return modalView_->onWheel(modalView_->frameToLocal(where), axis, distance, buttons);
  return CViewContainer::onWheel(where, axis, distance, buttons);
}

// ---- Keys and focus ----

int32_t CFrame::onKeyDown(KeyCode& key) {
  int32_t result = -1;
  if (focusView_) result = focusView_->onKeyDown(key);
  if (result == -1 && modalView_) result = modalView_->onKeyDown(key);
  if (result == -1 && key.virt == kVirtualKeyTab) {
    advanceNextFocusView(focusView_, (key.modifier & kModifierShift) != 0);
    return 1;
  }
  return result;
}

int32_t CFrame::onKeyUp(KeyCode& key) {
  int32_t result = -1;
  if (focusView_) result = focusView_->onKeyUp(key);
  if (result == -1 && modalView_) result = modalView_->onKeyUp(key);
  return result;
}

void CFrame::collectFocusViews(CViewContainer* container, std::vector<CView*>& out) {
  for (CView* child : container->children()) {
    if (!child->isVisible()) continue;
    if (child->wantsFocus()) out.push_back(child);
    if (child->isContainer()) collectFocusViews(static_cast<CViewContainer*>(child), out);
  }
}

bool CFrame::advanceNextFocusView(CView* current, bool reverse) {
  std::vector<CView*> candidates;
  collectFocusViews(this, candidates);
  if (candidates.empty()) {
    focusView_ = nullptr;
    return false;
  }
  const auto n = static_cast<std::ptrdiff_t>(candidates.size());
  auto it = std::find(candidates.begin(), candidates.end(), current);
  std::ptrdiff_t index;
  if (it == candidates.end())
    index = reverse ? n - 1 : 0;
  else
    index = ((it - candidates.begin()) + (reverse ? n - 1 : 1)) % n;
  focusView_ = candidates[static_cast<size_t>(index)];
  return true;
}

bool CFrame::setModalView(CView* view) {
  if (!view) {
    if (CView* old = modalView_) {
      modalView_ = nullptr;
      removeView(old);
    }
    return true;
  }
  if (modalView_) return false;
  if (!isChild(view) && !addView(view)) return false;
  modalView_ = view;
  return true;
}

void CFrame::onViewRemoved(CView* view) {
  if (!view) return;
  const CViewContainer* container = view->isContainer() ? static_cast<const CViewContainer*>(view) : nullptr;
  auto gone = [&](CView* v) { return v && (v == view || (container && v->isChildOf(container))); };
  if (gone(mouseOverView_)) mouseOverView_ = nullptr;
  if (gone(focusView_)) focusView_ = nullptr;
  if (gone(modalView_)) modalView_ = nullptr;
  if (gone(mouseDownView_)) mouseDownView_ = nullptr;
}

}  // namespace Toolkit
