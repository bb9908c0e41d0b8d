#include "tools/host/plugin_module.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {
#if defined(_WIN32)
std::string lastErrorText() {
  const DWORD code = GetLastError();
  char* text = nullptr;
  const DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string result = n && text ? std::string(text, n) : std::string();
  if (text) LocalFree(text);
  // Some messages carry a "%1" placeholder for the file: it is not filled in here.
  for (size_t at; (at = result.find("%1")) != std::string::npos;) result.replace(at, 2, "the file");
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == '.'))
    result.pop_back();
  return "error " + std::to_string(code) + (result.empty() ? "" : ": " + result);
}
#endif
}  // namespace

PluginModule::PluginModule(const std::string& path) {
#if defined(_WIN32)
  // No "cannot find DLL" message boxes: the caller reports the failure.
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  // The path is UTF-8: by its wide name, any file name Windows can hold loads.
  std::wstring wide(path.size() + 1, L'\0');
  const int n = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
  wide.resize(n > 0 ? static_cast<size_t>(n - 1) : 0);
  handle_ = reinterpret_cast<void*>(LoadLibraryW(wide.c_str()));
  if (!handle_) error_ = "LoadLibrary failed with " + lastErrorText();
  SetErrorMode(oldMode);
#else
  dlerror();
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* text = dlerror();
    error_ = text ? text : "dlopen failed";
  }
#endif
}

PluginModule::~PluginModule() { unload(); }

bool PluginModule::unload() {
  if (!handle_) return false;
#if defined(_WIN32)
  const bool released = FreeLibrary(static_cast<HMODULE>(handle_)) != 0;
#else
  const bool released = dlclose(handle_) == 0;
#endif
  handle_ = nullptr;
  return released;
}

void* PluginModule::symbol(const char* name) const {
  if (!handle_ || !name) return nullptr;
#if defined(_WIN32)
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
#else
  return dlsym(handle_, name);
#endif
}

PluginModule::Entry PluginModule::findEntry(const char** name) const {
  for (const char* candidate : {"VSTPluginMain", "main"}) {
    if (Entry e = entry(candidate)) {
      if (name) *name = candidate;
      return e;
    }
  }
  return nullptr;
}
