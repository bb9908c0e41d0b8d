// The editor's platform services on Windows: GetTickCount, Sleep, one pending WM_PAINT
// of the thread, and OLE for the editor's lifetime.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <ole2.h>

#include "plugin/vst2/gui_editor.h"

namespace editor_platform {

uint32_t tickCount() { return GetTickCount(); }
void sleepMs(uint32_t ms) { Sleep(ms); }

void dispatchOnePaintMessage() {
  MSG msg;
  if (PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageW(&msg);
}

bool oleInitialize() { return SUCCEEDED(OleInitialize(nullptr)); }
void oleUninitialize() { OleUninitialize(); }

}  // namespace editor_platform
