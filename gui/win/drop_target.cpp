#include "gui/win/drop_target.h"

#include "gui/frame.h"
#include "gui/win/drag_container.h"

namespace Toolkit {

namespace {
// The container of the drag in progress; OLE runs one drag at a time per process.
WinDragContainer* gCurrentDrag = nullptr;
}  // namespace

DWORD reduceDropEffect(DWORD allowed) {
  if (allowed & DROPEFFECT_COPY) return DROPEFFECT_COPY;
  if (allowed & DROPEFFECT_MOVE) return DROPEFFECT_MOVE;
  if (allowed & DROPEFFECT_LINK) return DROPEFFECT_LINK;
  return DROPEFFECT_NONE;
}

WinDragContainer* CDropTarget::currentDrag() { return gCurrentDrag; }

void CDropTarget::endDrag() {
  if (gCurrentDrag) gCurrentDrag->release();
  gCurrentDrag = nullptr;
}

HRESULT CDropTarget::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
    *object = static_cast<IDropTarget*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG CDropTarget::Release() {
  const ULONG count = --refCount_;
  if (count == 0) delete this;
  return count;
}

CPoint CDropTarget::pointer() const {
  FrameWindow* window = frame_ ? frame_->getWindow() : nullptr;
  return window ? window->pointerPosition() : CPoint();
}

HRESULT CDropTarget::DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) {
  if (!data || !frame_) {
    if (effect) *effect = DROPEFFECT_NONE;
    return S_OK;
  }
  endDrag();  // a drag that never ended
  gCurrentDrag = new WinDragContainer(data);
  frame_->onDragEnter(gCurrentDrag, pointer());
  if (effect) *effect = reduceDropEffect(*effect);
  return S_OK;
}

HRESULT CDropTarget::DragOver(DWORD, POINTL, DWORD* effect) {
  if (!gCurrentDrag || !frame_) return S_OK;
  frame_->onDragMove(gCurrentDrag, pointer());
  if (effect) *effect = reduceDropEffect(*effect);
  return S_OK;
}

HRESULT CDropTarget::DragLeave() {
  if (gCurrentDrag && frame_) frame_->onDragLeave(gCurrentDrag, pointer());
  endDrag();
  return S_OK;
}

HRESULT CDropTarget::Drop(IDataObject*, DWORD, POINTL, DWORD*) {
  if (gCurrentDrag && frame_) frame_->onDrop(gCurrentDrag, pointer());
  endDrag();
  return S_OK;
}

}  // namespace Toolkit
