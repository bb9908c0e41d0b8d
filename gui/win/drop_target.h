// The frame window's OLE drop target: offers a drag's data to the view under the
// pointer, through the drag container of the drag in progress.
#pragma once
#include "gui/win/windows_headers.h"
#include <ole2.h>

#include "gui/geometry.h"

namespace Toolkit {

class CFrame;
class WinDragContainer;

// The one effect offered back: copy when the source allows it, else move, else link,
// else none.
DWORD reduceDropEffect(DWORD allowed);

class CDropTarget : public IDropTarget {
public:
  explicit CDropTarget(CFrame* frame) : frame_(frame) {}
  virtual ~CDropTarget() = default;

  // IUnknown: a plain count starting at 0; registration takes the first reference.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refCount_; }
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL pt, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL pt, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragLeave() override;
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL pt, DWORD* effect) override;

  // The frame is going: calls that still come do nothing.
  void detach() { frame_ = nullptr; }
  ULONG refCount() const { return refCount_; }

  // The drag in progress in this process (one at a time), or null.
  static WinDragContainer* currentDrag();

private:
  CPoint pointer() const;
  static void endDrag();

  ULONG refCount_ = 0;
  CFrame* frame_;
};

}  // namespace Toolkit
