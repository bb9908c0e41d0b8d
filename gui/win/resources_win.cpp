// Resource lookup in the plug-in's own module (never the host's executable).
#include "gui/resources.h"
#include "gui/win/gdiplus_raster.h"
#include "gui/win/resource_stream.h"
#include "runtime/files.h"

namespace Toolkit {

HMODULE win::pluginModule() {
  if (void* recorded = moduleHandle()) return static_cast<HMODULE>(recorded);
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&win::pluginModule), &self);
  return self;
}

namespace {
using win::pluginModule;

std::span<const uint8_t> lockResource(HMODULE module, LPCSTR name, const char* type) {
  if (!type) return {};
  HRSRC found = FindResourceA(module, name, type);
  if (!found) return {};
  DWORD size = SizeofResource(module, found);
  HGLOBAL loaded = LoadResource(module, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes || size == 0) return {};
  return {static_cast<const uint8_t*>(bytes), size_t(size)};
}

std::unique_ptr<PlatformBitmap> gdiplusResource(const wchar_t* name) {
  win::GdiplusRef running;
  win::GpBitmap* bitmap = nullptr;
  if (win::gp::GdipCreateBitmapFromResource(pluginModule(), name, &bitmap) != Gdiplus::Ok || !bitmap)
    return nullptr;
  return win::argbCopyOf(bitmap);
}

}  // namespace

std::span<const uint8_t> findEmbeddedResource(int32_t number, const char* type) {
  return lockResource(pluginModule(), MAKEINTRESOURCEA(uint16_t(number)), type);
}

std::span<const uint8_t> findEmbeddedResource(const char* name, const char* type) {
  if (!name) return {};
  return lockResource(pluginModule(), name, type);
}

std::unique_ptr<PlatformBitmap> platformResourceBitmap(int32_t number) {
  return gdiplusResource(MAKEINTRESOURCEW(uint16_t(number)));
}

std::unique_ptr<PlatformBitmap> platformResourceBitmap(const char* name) {
  if (!name) return nullptr;
  std::wstring wide = win::widenPath(name);
  return wide.empty() ? nullptr : gdiplusResource(wide.c_str());
}

}  // namespace Toolkit
