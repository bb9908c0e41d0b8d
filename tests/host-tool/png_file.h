// PNG files the host tool wrote, read back as 0xRRGGBB pixels with the platform's own
// decoder (cairo on Linux, GDI+ under Wine).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#include <gdiplus.h>
#else
#include <cairo.h>
#endif

namespace host_test {

struct Png {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;  // 0xRRGGBB
  uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

inline bool loadPng(const std::string& path, Png& png) {
#if defined(_WIN32)
  ULONG_PTR token;
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return false;
  std::wstring wide(path.begin(), path.end());
  Gdiplus::GpBitmap* bitmap = nullptr;
  bool ok = Gdiplus::DllExports::GdipCreateBitmapFromFile(wide.c_str(), &bitmap) == Gdiplus::Ok;
  if (ok) {
    UINT w = 0, h = 0;
    Gdiplus::DllExports::GdipGetImageWidth(bitmap, &w);
    Gdiplus::DllExports::GdipGetImageHeight(bitmap, &h);
    png.width = static_cast<int>(w);
    png.height = static_cast<int>(h);
    for (UINT y = 0; y < h; ++y)
      for (UINT x = 0; x < w; ++x) {
        Gdiplus::ARGB c = 0;
        Gdiplus::DllExports::GdipBitmapGetPixel(bitmap, static_cast<INT>(x), static_cast<INT>(y), &c);
        png.pixels.push_back(c & 0xFFFFFF);
      }
    Gdiplus::DllExports::GdipDisposeImage(bitmap);
  }
  Gdiplus::GdiplusShutdown(token);
  return ok;
#else
  cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
  const bool ok = cairo_surface_status(s) == CAIRO_STATUS_SUCCESS;
  if (ok) {
    png.width = cairo_image_surface_get_width(s);
    png.height = cairo_image_surface_get_height(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < png.height; ++y)
      for (int x = 0; x < png.width; ++x)
        png.pixels.push_back(reinterpret_cast<const uint32_t*>(data + y * stride)[x] & 0xFFFFFF);
  }
  cairo_surface_destroy(s);
  return ok;
#endif
}

}  // namespace host_test
