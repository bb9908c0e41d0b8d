#include "gui/win/gdiplus_globals.h"

#include <mutex>

#include "gui/font_desc.h"
#include "gui/win/gdiplus_api.h"

namespace VSTGUI::win {
namespace {
// Start-up and shut-down happen on UI threads; a host may run several, so the
// count is guarded (never touched by the audio thread).
std::recursive_mutex gLock;
GDIPlusGlobals* gInstance = nullptr;
uint32_t gGeneration = 0;
GpBitmap* gMeasureBitmap = nullptr;
GpGraphics* gMeasureGraphics = nullptr;
}  // namespace

GDIPlusGlobals::GDIPlusGlobals() {
  Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback, background thread and codecs on
  ULONG_PTR token = 0;
  started_ = Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
  token_ = token;
  ++gGeneration;
}

// Runs while the process-wide pointer still names this instance, so the fonts dropped
// here are deleted while GDI+ is still up.
GDIPlusGlobals::~GDIPlusGlobals() {
  dropPredefinedPlatformFonts();
  if (gMeasureGraphics) gp::GdipDeleteGraphics(gMeasureGraphics);
  if (gMeasureBitmap) gp::GdipDisposeImage(gMeasureBitmap);
  gMeasureGraphics = nullptr;
  gMeasureBitmap = nullptr;
  // Fonts made under this start-up see the generation change and are not used again.
  ++gGeneration;
  if (started_) Gdiplus::GdiplusShutdown(token_);
}

void GDIPlusGlobals::take() {
  std::lock_guard lock(gLock);
  if (gInstance)
    gInstance->retain();
  else
    gInstance = new GDIPlusGlobals;
}

void GDIPlusGlobals::giveBack() {
  std::lock_guard lock(gLock);
  if (!gInstance) return;
  const bool last = gInstance->refCount() == 1;
  gInstance->release();
  if (last) gInstance = nullptr;
}

bool GDIPlusGlobals::running() {
  std::lock_guard lock(gLock);
  return gInstance && gInstance->started_;
}

int32_t GDIPlusGlobals::users() {
  std::lock_guard lock(gLock);
  return gInstance ? gInstance->refCount() : 0;
}

uint32_t GDIPlusGlobals::generation() {
  std::lock_guard lock(gLock);
  return gGeneration;
}

GpGraphics* GDIPlusGlobals::measuringGraphics() {
  std::lock_guard lock(gLock);
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

}  // namespace VSTGUI::win
