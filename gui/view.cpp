#include "gui/view.h"

#include "gui/bitmap.h"
#include "gui/draw_context.h"
#include "gui/frame.h"

namespace Toolkit {

namespace {

CPoint topLeft(const CRect& r) { return {r.left, r.top}; }

// True when the two rectangles share an area.
bool rectsMeet(const CRect& a, const CRect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool isEmpty(const CRect& r) { return !(r.right > r.left && r.bottom > r.top); }

}  // namespace

// ---- CView ----

CView::CView(const CRect& size) : size_(size) {}

CView::~CView() = default;

void CView::draw(CDrawContext*) {}

void CView::redrawRect(CDrawContext* context, const CRect&) {
  draw(context);
  setDirty(false);
}

CMouseEventResult CView::onMouseDown(CPoint&, const int32_t&) { return kMouseEventNotImplemented; }
CMouseEventResult CView::onMouseUp(CPoint&, const int32_t&) { return kMouseEventNotImplemented; }
CMouseEventResult CView::onMouseMoved(CPoint&, const int32_t&) { return kMouseEventNotImplemented; }
CMouseEventResult CView::onMouseEntered(CPoint&, const int32_t&) { return kMouseEventNotImplemented; }
CMouseEventResult CView::onMouseExited(CPoint&, const int32_t&) { return kMouseEventNotImplemented; }
void CView::mouse(CDrawContext*, CPoint&, int32_t) {}

bool CView::onWheel(const CPoint&, const float&, const int32_t&) { return false; }

bool CView::onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
                    const int32_t& buttons) {
  if (axis != kMouseWheelAxisY) return false;
  return onWheel(where, distance, buttons);
}

bool CView::hitTest(const CPoint& where, const int32_t&) { return size_.pointInside(where); }

int32_t CView::onKeyDown(KeyCode&) { return -1; }
int32_t CView::onKeyUp(KeyCode&) { return -1; }

bool CView::onDrop(CDragContainer*, const CPoint&) { return false; }
void CView::onDragEnter(CDragContainer*, const CPoint&) {}
void CView::onDragLeave(CDragContainer*, const CPoint&) {}
void CView::onDragMove(CDragContainer*, const CPoint&) {}

bool CView::attached(CViewContainer* parent) {
  if (!parent) return false;
  parent_ = parent;
  frame_ = parent->getFrame();
  attached_ = true;
  return true;
}

bool CView::removed(CViewContainer*) {
  parent_ = nullptr;
  frame_ = nullptr;
  attached_ = false;
  return true;
}

void CView::invalid() {
  setDirty(false);
  if (frame_) frame_->invalidRect(rectInFrame());
}

void CView::invalidRect(const CRect& rect) {
  if (!frame_) return;
  CPoint origin;  // the parent's position in the frame
  for (const CView* v = parent_; v && v != frame_; v = v->parent_) origin = origin + topLeft(v->size_);
  frame_->invalidRect(rect.offset(origin));
}

void CView::setViewSize(const CRect& size, bool invalidate) {
  if (invalidate) invalid();
  size_ = size;
  if (invalidate) invalid();
}

CRect CView::getVisibleSize() const {
  if (!parent_) return size_;
  const CRect& p = parent_->getViewSize();
  return size_.intersect(CRect(0, 0, p.width(), p.height()));
}

CPoint CView::localToFrame(const CPoint& p) const {
  CPoint r = p;
  for (const CView* v = this; v && v != frame_; v = v->parent_) r = r + topLeft(v->size_);
  return r;
}

CPoint CView::frameToLocal(const CPoint& p) const {
  CPoint origin = localToFrame(CPoint());
  return p - origin;
}

CRect CView::rectInFrame() const {
  if (this == static_cast<const CView*>(frame_)) return size_;
  CPoint origin;
  for (const CView* v = parent_; v && v != frame_; v = v->parent_) origin = origin + topLeft(v->size_);
  return size_.offset(origin);
}

void CView::setVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  // Either way the area it covers has to be painted again.
  if (frame_) frame_->invalidRect(rectInFrame());
}

bool CView::isChildOf(const CViewContainer* container) const {
  for (const CView* v = parent_; v; v = v->parent_)
    if (v == container) return true;
  return false;
}

// ---- CViewContainer ----

CViewContainer::CViewContainer(const CRect& size) : CView(size) {}

CViewContainer::~CViewContainer() {
  // Children hold pointers into this container only while attached.
  for (CView* child : children_) {
    if (child->isAttached()) child->removed(this);
    child->release();
  }
  children_.clear();
  if (background_) background_->release();
}

bool CViewContainer::addView(CView* view) {
  if (!view || view->isAttached() || isChild(view) || view == this) return false;
  children_.push_back(view);
  if (isAttached()) {
    view->attached(this);
    view->invalid();
  }
  return true;
}

bool CViewContainer::removeView(CView* view) {
  for (auto it = children_.begin(); it != children_.end(); ++it) {
    if (*it != view) continue;
    children_.erase(it);
    forgetView(view);
    if (view->isAttached()) view->removed(this);
    view->release();
    return true;
  }
  return false;
}

void CViewContainer::removeAll() {
  while (!children_.empty()) removeView(children_.back());
}

void CViewContainer::forgetView(CView* view) {
  if (mouseDownView_ == view) mouseDownView_ = nullptr;
  if (dragView_ == view) dragView_ = nullptr;
  if (frame_) frame_->onViewRemoved(view);
}

bool CViewContainer::isChild(const CView* view) const {
  for (const CView* child : children_)
    if (child == view) return true;
  return false;
}

CView* CViewContainer::getView(int32_t index) const {
  if (index < 0 || index >= getNbViews()) return nullptr;
  return children_[static_cast<size_t>(index)];
}

CView* CViewContainer::getViewAt(const CPoint& where, bool deep) const {
  for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
    CView* child = *it;
    if (!child->isVisible() || !child->getViewSize().pointInside(where)) continue;
    if (deep && child->isContainer()) {
      const CPoint local = where - topLeft(child->getViewSize());
      return static_cast<CViewContainer*>(child)->getViewAt(local, true);
    }
    return child;
  }
  return nullptr;
}

void CViewContainer::setBackground(CBitmap* bitmap) {
  if (bitmap) bitmap->retain();
  if (background_) background_->release();
  background_ = bitmap;
}

bool CViewContainer::attached(CViewContainer* parent) {
  if (!CView::attached(parent)) return false;
  for (CView* child : children_) child->attached(this);
  return true;
}

bool CViewContainer::removed(CViewContainer* parent) {
  for (CView* child : children_)
    if (child->isAttached()) child->removed(this);
  mouseDownView_ = nullptr;
  dragView_ = nullptr;
  return CView::removed(parent);
}

// ---- Drawing ----

void CViewContainer::draw(CDrawContext* context) { drawRect(context, size_); }

void CViewContainer::redrawRect(CDrawContext* context, const CRect& updateRect) {
  drawRect(context, updateRect);
}

void CViewContainer::drawRect(CDrawContext* context, const CRect& updateRect) {
  if (!context) return;
  // Children draw in this container's coordinates.
  const CPoint oldOffset = context->getOffset();
  context->setOffset(oldOffset + topLeft(size_));
  CRect oldClip;
  context->getClipRect(oldClip);

  const CRect local = updateRect.intersect(size_).offset(CPoint() - topLeft(size_));
  const CRect clip = local.intersect(oldClip);
  context->setClipRect(clip);

  drawBackgroundRect(context, local);

  for (CView* child : children_) {
    if (!child->isVisible() || !rectsMeet(child->getViewSize(), local)) continue;
    const CRect childClip = child->getVisibleSize().intersect(clip);
    if (isEmpty(childClip)) continue;
    context->setClipRect(childClip);
    child->redrawRect(context, local);
  }

  context->setClipRect(oldClip);
  context->setOffset(oldOffset);
  setDirty(false);
}

void CViewContainer::drawBackgroundRect(CDrawContext* context, const CRect& localRect) {
  if (background_) {
    background_->draw(context, localRect, topLeft(localRect) + backgroundOffset_);
    return;
  }
  // A transparent container shows what lies beneath unless it has a tint.
  if (getTransparency() && backgroundColor_.alpha == 255) return;
  context->setFillColor(backgroundColor_);
  context->setLineColor(backgroundColor_);
  context->drawRect(CRect(0, 0, size_.width(), size_.height()), kDrawFilledAndStroked);
}

// ---- Mouse ----

CMouseEventResult CViewContainer::legacyPress(CView* child, CPoint& where, const int32_t& buttons) {
  FrameWindow* window = frame_ ? frame_->getWindow() : nullptr;
  CDrawContext* context = window ? window->makeDrawContext() : nullptr;
  child->mouse(context, where, buttons);
  if (context) context->release();
  // The view has finished tracking by now; nothing holds the mouse.
  return kMouseEventNotHandled;
}

CMouseEventResult CViewContainer::onMouseDown(CPoint& where, const int32_t& buttons) {
  for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
    CView* child = *it;
    if (!child->isVisible() || !child->getMouseEnabled() || !child->hitTest(where, buttons)) continue;
    CPoint local = where - topLeft(child->getViewSize());
    const CMouseEventResult result = child->onMouseDown(local, buttons);
    if (result == kMouseEventHandled) {
      mouseDownView_ = child;
      return result;
    }
    if (result != kMouseEventNotImplemented) return result;
    return legacyPress(child, local, buttons);
  }
  return kMouseEventNotHandled;
}

CMouseEventResult CViewContainer::onMouseUp(CPoint& where, const int32_t& buttons) {
  CView* view = mouseDownView_;
  if (!view) return kMouseEventNotHandled;
  mouseDownView_ = nullptr;
  CPoint local = where - topLeft(view->getViewSize());
  view->retain();  // it may remove itself while handling the release
  view->onMouseUp(local, buttons);
  view->release();
  return kMouseEventHandled;
}

CMouseEventResult CViewContainer::onMouseMoved(CPoint& where, const int32_t& buttons) {
  if (!mouseDownView_) return kMouseEventNotHandled;
  CPoint local = where - topLeft(mouseDownView_->getViewSize());
  const CMouseEventResult result = mouseDownView_->onMouseMoved(local, buttons);
  if (result == kMouseEventHandled) return result;
  mouseDownView_ = nullptr;
  return result;
}

bool CViewContainer::onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
                             const int32_t& buttons) {
  for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
    CView* child = *it;
    if (!child->isVisible() || !child->getMouseEnabled() || !child->hitTest(where, buttons)) continue;
    return child->onWheel(where - topLeft(child->getViewSize()), axis, distance, buttons);
  }
  return false;
}

// ---- Drag and drop ----

void CViewContainer::onDragEnter(CDragContainer* drag, const CPoint& where) {
  dragView_ = getViewAt(where);
  if (dragView_) dragView_->onDragEnter(drag, where - topLeft(dragView_->getViewSize()));
}

void CViewContainer::onDragLeave(CDragContainer* drag, const CPoint& where) {
  if (dragView_) dragView_->onDragLeave(drag, where - topLeft(dragView_->getViewSize()));
  dragView_ = nullptr;
}

void CViewContainer::onDragMove(CDragContainer* drag, const CPoint& where) {
  CView* view = getViewAt(where);
  if (view != dragView_) {
    if (dragView_) dragView_->onDragLeave(drag, where - topLeft(dragView_->getViewSize()));
    dragView_ = view;
    if (view) view->onDragEnter(drag, where - topLeft(view->getViewSize()));
  } else if (view) {
    view->onDragMove(drag, where - topLeft(view->getViewSize()));
  }
}

bool CViewContainer::onDrop(CDragContainer* drag, const CPoint& where) {
  CView* view = getViewAt(where);
  if (view != dragView_ && dragView_) dragView_->onDragLeave(drag, where - topLeft(dragView_->getViewSize()));
  dragView_ = nullptr;
  return view ? view->onDrop(drag, where - topLeft(view->getViewSize())) : false;
}

// ---- Idle ----

void CViewContainer::invalidateDirtyViews() {
  if (!isVisible()) return;
  if (isDirty()) {
    invalid();
    return;
  }
  for (CView* child : children_) {
    if (!child->isVisible()) continue;
    if (child->isContainer())
      static_cast<CViewContainer*>(child)->invalidateDirtyViews();
    else if (child->isDirty())
      child->invalid();
  }
}

}  // namespace Toolkit
