#include "gui/win/gdiplus_globals.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "gui/win/gdiplus_api.h"

namespace Toolkit::win {
namespace {
// Start-up and shut-down happen on UI threads; a host may run several, so the
// count is guarded (never touched by the audio thread). Recursive: listeners and
// destructors called under the lock ask running() again. The lock and the listener
// list are never destroyed: fonts of static font descriptions leave the list while
// the library unloads, after or before any other static object.
std::recursive_mutex& lockObject() {
  static auto* lock = new std::recursive_mutex;
  return *lock;
}
std::vector<GdiplusShutdownListener*>& listenerList() {
  static auto* listeners = new std::vector<GdiplusShutdownListener*>;
  return *listeners;
}
GDIPlusGlobals* gInstance = nullptr;
GpBitmap* gMeasureBitmap = nullptr;
GpGraphics* gMeasureGraphics = nullptr;
}  // namespace

GDIPlusGlobals::GDIPlusGlobals() {
  Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback, background thread and codecs on
  ULONG_PTR token = 0;
  started_ = Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
  token_ = token;
}

// Runs while the process-wide pointer still names this instance, so that the GDI+
// objects given back here are deleted while GDI+ is up. The platform fonts of the
// predefined font descriptions are among the listeners' fonts.
GDIPlusGlobals::~GDIPlusGlobals() {
  std::vector<GdiplusShutdownListener*> listeners;
  listeners.swap(listenerList());
  for (GdiplusShutdownListener* l : listeners) l->gdiplusShuttingDown();
  if (gMeasureGraphics) gp::GdipDeleteGraphics(gMeasureGraphics);
  if (gMeasureBitmap) gp::GdipDisposeImage(gMeasureBitmap);
  gMeasureGraphics = nullptr;
  gMeasureBitmap = nullptr;
  if (started_) Gdiplus::GdiplusShutdown(token_);
}

void GDIPlusGlobals::take() {
  std::lock_guard lock(lockObject());
  if (gInstance)
    gInstance->retain();
  else
    gInstance = new GDIPlusGlobals;
}

void GDIPlusGlobals::giveBack() {
  std::lock_guard lock(lockObject());
  if (!gInstance) return;
  const bool last = gInstance->refCount() == 1;
  gInstance->release();
  if (last) gInstance = nullptr;
}

bool GDIPlusGlobals::running() {
  std::lock_guard lock(lockObject());
  return gInstance && gInstance->started_;
}

int32_t GDIPlusGlobals::users() {
  std::lock_guard lock(lockObject());
  return gInstance ? gInstance->refCount() : 0;
}

void GDIPlusGlobals::addListener(GdiplusShutdownListener* listener) {
  std::lock_guard lock(lockObject());
  auto& list = listenerList();
  if (std::find(list.begin(), list.end(), listener) == list.end()) list.push_back(listener);
}

void GDIPlusGlobals::removeListener(GdiplusShutdownListener* listener) {
  std::lock_guard lock(lockObject());
  auto& list = listenerList();
  list.erase(std::remove(list.begin(), list.end(), listener), list.end());
}

GpGraphics* GDIPlusGlobals::measuringGraphics() {
  std::lock_guard lock(lockObject());
  if (!gInstance || !gInstance->started_) return nullptr;
  if (!gMeasureGraphics) {
    if (!gMeasureBitmap &&
        gp::GdipCreateBitmapFromScan0(1, 1, 0, PixelFormat32bppARGB, nullptr, &gMeasureBitmap) != Gdiplus::Ok)
      gMeasureBitmap = nullptr;
    if (gMeasureBitmap && gp::GdipGetImageGraphicsContext(gMeasureBitmap, &gMeasureGraphics) == Gdiplus::Ok)
      gp::GdipSetPageUnit(gMeasureGraphics, Gdiplus::UnitPixel);
    else
      gMeasureGraphics = nullptr;
  }
  return gMeasureGraphics;
}

}  // namespace Toolkit::win
