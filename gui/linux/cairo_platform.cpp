// Bitmap factories of the cairo backend: PNG in and out, blank ARGB bitmaps, surfaces.
#include <cairo.h>

#include <cstring>
#include <memory>

#include "gui/linux/cairo_surface.h"

namespace Toolkit {

namespace {

struct ByteReader {
  const unsigned char* bytes;
  std::size_t size;
  std::size_t position;
};

cairo_status_t readBytes(void* closure, unsigned char* out, unsigned int length) {
  auto* reader = static_cast<ByteReader*>(closure);
  if (length > reader->size - reader->position) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(out, reader->bytes + reader->position, length);
  reader->position += length;
  return CAIRO_STATUS_SUCCESS;
}

// Decoded PNGs come as RGB24 or ARGB32; everything is kept as ARGB32 so that pixels
// read back the same way whatever the file held.
std::unique_ptr<PlatformBitmap> adopt(cairo_surface_t* image) {
  if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(image);
    return nullptr;
  }
  if (cairo_image_surface_get_format(image) != CAIRO_FORMAT_ARGB32) {
    cairo_surface_t* argb = cairo_image_surface_create(
        CAIRO_FORMAT_ARGB32, cairo_image_surface_get_width(image), cairo_image_surface_get_height(image));
    cairo_t* cr = cairo_create(argb);
    cairo_set_source_surface(cr, image, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_destroy(image);
    image = argb;
    if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(image);
      return nullptr;
    }
  }
  return std::make_unique<CairoBitmap>(image);
}

}  // namespace

namespace platform {

std::unique_ptr<PlatformBitmap> decodePng(const void* bytes, std::size_t size) {
  if (!bytes || size == 0) return nullptr;
  ByteReader reader{static_cast<const unsigned char*>(bytes), size, 0};
  return adopt(cairo_image_surface_create_from_png_stream(readBytes, &reader));
}

// PNG only: the images this program loads are PNG files.
std::unique_ptr<PlatformBitmap> loadImageFile(const char* path) {
  if (!path || !*path) return nullptr;
  return adopt(cairo_image_surface_create_from_png(path));
}

std::unique_ptr<PlatformBitmap> makeBitmap(int width, int height) {
  if (width <= 0 || height <= 0) return nullptr;
  // A new image surface is cleared to transparent black.
  return adopt(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
}

std::unique_ptr<RasterSurface> surfaceFor(PlatformBitmap& target, double scale) {
  auto* bitmap = dynamic_cast<CairoBitmap*>(&target);
  if (!bitmap) return nullptr;
  return std::make_unique<CairoSurface>(bitmap->surface(), scale);
}

bool writePng(const PlatformBitmap& bmp, const char* path) {
  const auto* bitmap = dynamic_cast<const CairoBitmap*>(&bmp);
  if (!bitmap || !path || !*path) return false;
  cairo_surface_flush(bitmap->surface());
  return cairo_surface_write_to_png(bitmap->surface(), path) == CAIRO_STATUS_SUCCESS;
}

}  // namespace platform
}  // namespace Toolkit
