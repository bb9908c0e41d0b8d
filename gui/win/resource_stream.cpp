#include "gui/win/resource_stream.h"

#include <cstring>

namespace Toolkit::win {

ResourceStream::ResourceStream(const void* bytes, uint32_t size)
    : bytes_(static_cast<const uint8_t*>(bytes)), size_(bytes ? size : 0) {}

HRESULT ResourceStream::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ISequentialStream) ||
      IsEqualIID(iid, IID_IStream)) {
    *out = static_cast<IStream*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG ResourceStream::AddRef() { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }

ULONG ResourceStream::Release() {
  ULONG left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) delete this;
  return left;
}

// A read that would pass the end is refused whole: nothing is copied.
HRESULT ResourceStream::Read(void* buffer, ULONG count, ULONG* read) {
  if (read) *read = 0;
  if (uint64_t(position_) + count > size_) return S_FALSE;
  if (count == 0) return S_OK;
  if (!buffer) return STG_E_INVALIDPOINTER;
  std::memcpy(buffer, bytes_ + position_, count);
  position_ += count;
  if (read) *read = count;
  return S_OK;
}

HRESULT ResourceStream::Seek(LARGE_INTEGER offset, DWORD origin, ULARGE_INTEGER* newPosition) {
  int64_t target;
  switch (origin) {
    case STREAM_SEEK_SET:
      target = offset.QuadPart;
      break;
    case STREAM_SEEK_CUR:
      target = int64_t(position_) + offset.QuadPart;
      break;
    case STREAM_SEEK_END:
      return S_FALSE;
    default:
      return STG_E_INVALIDFUNCTION;
  }
  if (target < 0 || target >= int64_t(size_)) return S_FALSE;
  position_ = uint32_t(target);
  if (newPosition) newPosition->QuadPart = position_;
  return S_OK;
}

HRESULT ResourceStream::Stat(STATSTG* stat, DWORD) {
  if (!stat) return STG_E_INVALIDPOINTER;
  std::memset(stat, 0, sizeof *stat);
  stat->cbSize.QuadPart = size_;
  return S_OK;
}

HRESULT ResourceStream::Revert() {
  position_ = 0;
  return S_OK;
}

HRESULT ResourceStream::Write(const void*, ULONG, ULONG*) { return E_NOTIMPL; }
HRESULT ResourceStream::SetSize(ULARGE_INTEGER) { return E_NOTIMPL; }
HRESULT ResourceStream::CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) {
  return E_NOTIMPL;
}
HRESULT ResourceStream::Commit(DWORD) { return E_NOTIMPL; }
HRESULT ResourceStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return E_NOTIMPL; }
HRESULT ResourceStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return E_NOTIMPL; }
HRESULT ResourceStream::Clone(IStream**) { return E_NOTIMPL; }

}  // namespace Toolkit::win
