// Windows half of OutputFiles: exclusive creation, and Ctrl-C/Ctrl-Break removing the
// live temporaries. The console handler runs on a thread of its own, so it may wait; but
// a file another thread still writes cannot be deleted, so its handles are closed first.
#include <windows.h>

#include "tools/host/output_files.h"
#include "tools/host/temporary_table.h"

namespace host {
namespace temporaries {
namespace {

std::string lastError() {
  const DWORD code = GetLastError();
  char text[256] = {};
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                           sizeof text, nullptr);
  while (n && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == '.')) text[--n] = 0;
  return n ? std::string(text, n) : "error " + std::to_string(code);
}

}  // namespace

int createAndRegister(const std::filesystem::path& path, bool& exists, std::string& error) {
  // The handler waits while a slot is being filled, so no interrupt falls in between.
  int slot = reserve(path);
  if (slot < 0) {
    error = "too many outputs, or a path too long";
    return -1;
  }
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    exists = code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS;
    error = lastError();
    release(slot);
    return -1;
  }
  Identity identity;
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileInformationByHandle(file, &info)) {
    identity.volume = info.dwVolumeSerialNumber;
    identity.index = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  }
  CloseHandle(file);
  publish(slot, identity);
  return slot;
}

bool replace(const std::filesystem::path& from, const std::filesystem::path& to, std::string& error) {
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  error = lastError();
  return false;
}

namespace {
// Closes this process's handles open on the file of `identity`: handle values are small
// multiples of four, and a value that is no handle answers FILE_TYPE_UNKNOWN.
void closeHandlesOn(const Identity& identity) {
  for (uintptr_t value = 4; value < 0x40000; value += 4) {
    HANDLE handle = reinterpret_cast<HANDLE>(value);
    if (GetFileType(handle) != FILE_TYPE_DISK) continue;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info)) continue;
    if (info.dwVolumeSerialNumber == identity.volume &&
        ((uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow) == identity.index)
      CloseHandle(handle);
  }
}

}  // namespace

void removeLive() {
  for (int wait = 0; wait < 2000; ++wait) {  // a temporary being created and entered
    bool filling = false;
    for (auto& slot : table) filling = filling || slot.state.load() == kFilling;
    if (!filling) break;
    Sleep(1);
  }
  for (auto& slot : table) {
    int expected = kLive;
    if (!slot.state.compare_exchange_strong(expected, kClaimed)) continue;
    if (DeleteFileW(slot.path) || GetLastError() == ERROR_FILE_NOT_FOUND) continue;
    closeHandlesOn(slot.identity);  // still being written
    DeleteFileW(slot.path);
  }
}

}  // namespace temporaries

namespace {

BOOL WINAPI onControl(DWORD event) {
  UINT code;
  switch (event) {
    case CTRL_C_EVENT:
      code = 130;
      break;
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
      code = 143;
      break;
    default:
      return FALSE;
  }
  temporaries::removeLive();
  TerminateProcess(GetCurrentProcess(), code);
  return TRUE;
}

}  // namespace

void installInterruptCleanup() { SetConsoleCtrlHandler(onControl, TRUE); }

}  // namespace host
