// Process-wide GDI+ start-up: GDI+ runs while at least one user holds a reference
// (every bitmap, every surface, the frame). The last user shuts it down again.
#pragma once
#include <cstdint>

#include "gui/base_object.h"

namespace Gdiplus {
class GpGraphics;
}

namespace Toolkit::win {

// Holds GDI+ objects that live longer than GDI+ itself may (fonts of long-lived font
// descriptions): told to delete them just before each shut-down, it makes them again
// after the next start-up.
class GdiplusShutdownListener {
public:
  virtual void gdiplusShuttingDown() = 0;

protected:
  ~GdiplusShutdownListener() = default;
};

class GDIPlusGlobals : public CBaseObject {
public:
  static void take();      // starts GDI+ on the first reference
  static void giveBack();  // shuts GDI+ down after the last one
  static bool running();
  static int32_t users();  // references held now (0 when not running)
  // A 1 x 1 bitmap graphics for measuring text outside a paint; only while running.
  static Gdiplus::GpGraphics* measuringGraphics();
  static void addListener(GdiplusShutdownListener* listener);
  static void removeListener(GdiplusShutdownListener* listener);

private:
  GDIPlusGlobals();
  ~GDIPlusGlobals() override;
  uintptr_t token_ = 0;
  bool started_ = false;
};

// One GDI+ reference for the lifetime of the holder.
class GdiplusRef {
public:
  GdiplusRef() { GDIPlusGlobals::take(); }
  ~GdiplusRef() { GDIPlusGlobals::giveBack(); }
  GdiplusRef(const GdiplusRef&) : GdiplusRef() {}
  GdiplusRef& operator=(const GdiplusRef&) { return *this; }
};

}  // namespace Toolkit::win
