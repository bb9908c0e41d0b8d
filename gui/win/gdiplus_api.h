// The platform headers of the GDI+ flat interface, included in one place.
#pragma once
// Order matters: GDI+ needs the Windows and COM declarations before it.
#include "gui/win/windows_headers.h"

#include <objidl.h>

#include <gdiplus.h>

namespace Toolkit::win {
namespace gp = Gdiplus::DllExports;
using Gdiplus::ARGB;
using Gdiplus::GpBitmap;
using Gdiplus::GpBrush;
using Gdiplus::GpFont;
using Gdiplus::GpFontFamily;
using Gdiplus::GpGraphics;
using Gdiplus::GpImage;
using Gdiplus::GpPath;
using Gdiplus::GpPen;
using Gdiplus::GpSolidFill;
using Gdiplus::GpStatus;
}  // namespace Toolkit::win
