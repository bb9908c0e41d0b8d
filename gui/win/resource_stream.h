// A read-only COM stream over bytes that outlive it (a locked resource), which is
// how GDI+ decodes an image from memory.
#pragma once
#include <atomic>
#include <cstdint>

#include "gui/win/gdiplus_api.h"

namespace Toolkit::win {

// The plug-in's own module, where its resources and window class live (never the host's
// executable): the one recorded at load, else the module that holds this code.
HMODULE pluginModule();

class ResourceStream final : public IStream {
public:
  // Reference count 1; the caller releases it. The bytes are not copied.
  ResourceStream(const void* bytes, uint32_t size);

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // ISequentialStream
  HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override;
  HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override;
  // IStream
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER offset, DWORD origin, ULARGE_INTEGER* newPosition) override;
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override;
  HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override;
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override;
  HRESULT STDMETHODCALLTYPE Revert() override;
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override;
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override;
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE Clone(IStream**) override;

  uint32_t position() const { return position_; }

private:
  ~ResourceStream() = default;  // only the last Release deletes
  const uint8_t* bytes_;
  uint32_t position_ = 0;
  uint32_t size_;
  std::atomic<ULONG> refs_{1};
};

}  // namespace Toolkit::win
