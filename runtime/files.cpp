#include "runtime/files.h"

#include <dirent.h>

#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "runtime/platform_files.h"

namespace {
std::atomic<void*> recordedModule{nullptr};
std::atomic<const char*> logPathOverride{nullptr};
std::atomic<void (*)()> logSignalOverride{nullptr};

bool isSeparator(char c) { return c == '\\' || c == '/'; }
}  // namespace

void setModuleHandle(void* handle) { recordedModule.store(handle, std::memory_order_release); }
void* moduleHandle() { return recordedModule.load(std::memory_order_acquire); }

std::string moduleFileName(void* module) { return runtime_platform::moduleFileName(module); }

std::string moduleDirectory() { return directoryOf(moduleFileName(moduleHandle())); }

std::string withoutLeadingSeparator(const std::string& path) {
  return !path.empty() && isSeparator(path[0]) ? path.substr(1) : path;
}

std::string resolvePath(const std::string& name) { return moduleDirectory() + withoutLeadingSeparator(name); }

const char* defaultDebugLogPath() { return runtime_platform::logPath(); }
void setDebugLogPath(const char* path) { logPathOverride.store(path); }
void setDebugLogSignal(void (*signal)()) { logSignalOverride.store(signal); }

void debugLog(const std::string& text) {
  const char* path = logPathOverride.load();
  std::FILE* file = std::fopen(path != nullptr ? path : runtime_platform::logPath(), "a");
  if (file == nullptr) return;
  std::fprintf(file, "%s\n", text.c_str());
  std::fclose(file);
  void (*signal)() = logSignalOverride.load();
  (signal != nullptr ? signal : &runtime_platform::logSignal)();
}

int32_t lastSeparator(const std::string& path) {
  for (std::size_t i = path.size(); i-- > 0;)
    if (isSeparator(path[i])) return static_cast<int32_t>(i);
  return -1;
}

std::string directoryOf(const std::string& path) {
  const int32_t at = lastSeparator(path);
  return at < 0 ? std::string() : path.substr(0, static_cast<std::size_t>(at) + 1);
}

std::string fileNameOf(const std::string& path) {
  return path.substr(static_cast<std::size_t>(lastSeparator(path) + 1));
}

std::string extensionOf(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  return dot == std::string::npos ? std::string() : path.substr(dot);
}

std::string withTrailingSeparator(const std::string& path) {
  return !path.empty() && isSeparator(path.back()) ? path : path + kPathSeparator;
}

std::string withLeadingSeparator(const std::string& path) {
  return !path.empty() && isSeparator(path[0]) ? path : kPathSeparator + path;
}

bool equalsIgnoreCase(const char* a, const char* b) {
  if (a == nullptr) a = "";
  if (b == nullptr) b = "";
  for (;; ++a, ++b) {
    const int x = std::tolower(static_cast<unsigned char>(*a));
    const int y = std::tolower(static_cast<unsigned char>(*b));
    if (x != y) return false;
    if (x == 0) return true;
  }
}

bool equalsExact(const char* a, const char* b) {
  return std::strcmp(a != nullptr ? a : "", b != nullptr ? b : "") == 0;
}

int32_t listFiles(const std::string& folder, std::vector<std::string>& names) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return 0;
  while (const dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    const std::optional<bool> folderEntry = runtime_platform::isFolder(folder + entry->d_name);
    if (!folderEntry || *folderEntry) continue;
    names.emplace_back(entry->d_name);
  }
  closedir(dir);
  return 0;
}
