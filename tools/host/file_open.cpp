#include "tools/host/file_open.h"

#if defined(_WIN32)
#include <windows.h>

#include <cerrno>
#endif

namespace host {

#if defined(_WIN32)
namespace {

bool toWide(const std::string& utf8, std::wstring& wide) {
  if (utf8.empty()) {
    wide.clear();
    return true;
  }
  const int size = static_cast<int>(utf8.size());
  const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
  if (n <= 0) return false;
  wide.assign(static_cast<size_t>(n), L'\0');
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, wide.data(), n) == n;
}

}  // namespace

std::FILE* openFile(const std::string& utf8Path, const char* mode) {
  std::wstring path, wideMode;
  if (!toWide(utf8Path, path) || !toWide(mode, wideMode) || path.find(L'\0') != std::wstring::npos) {
    errno = EINVAL;
    return nullptr;
  }
  return _wfopen(path.c_str(), wideMode.c_str());
}
#else
std::FILE* openFile(const std::string& utf8Path, const char* mode) {
  return std::fopen(utf8Path.c_str(), mode);
}
#endif

}  // namespace host
