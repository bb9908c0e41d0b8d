// The editor's platform services on Linux: a monotonic tick count and a sleep. There is
// no paint message to pump (the frame paints in its idle) and no OLE.
#include <time.h>

#include "plugin/vst2/gui_editor.h"

namespace editor_platform {

uint32_t tickCount() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u +
                               static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
}

void sleepMs(uint32_t ms) {
  timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  nanosleep(&ts, nullptr);
}

void dispatchOnePaintMessage() {}
bool oleInitialize() { return true; }
void oleUninitialize() {}

}  // namespace editor_platform
