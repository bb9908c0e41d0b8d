// Bitmap factories of the cairo backend: PNG in and out, blank ARGB bitmaps, surfaces.
#include <cairo.h>
#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

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

// One row of premultiplied ARGB32 as straight RGBA bytes, rounded as cairo's own writer
// rounds.
void unpremultiply(const uint32_t* in, int width, unsigned char* out) {
  for (int x = 0; x < width; ++x, out += 4) {
    const uint32_t p = in[x];
    const uint32_t a = p >> 24;
    if (a == 0) {
      std::memset(out, 0, 4);
      continue;
    }
    for (int c = 0; c < 3; ++c) {
      const uint32_t v = (p >> (16 - 8 * c)) & 0xFF;
      out[c] = static_cast<unsigned char>(a == 255 ? v : (v * 255 + a / 2) / a);
    }
    out[3] = static_cast<unsigned char>(a);
  }
}

// libpng's errors end the writing quietly, by a long jump back into encodePng (callers
// report the failure in their own words); its warnings are of no use to them.
[[noreturn]] void pngFailed(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void pngWarned(png_structp, png_const_charp) {}

// Nothing between the jump's two ends needs unwinding.
bool encodePng(png_structp png, png_infop info, std::FILE* file, cairo_surface_t* image, unsigned char* row) {
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  const int width = cairo_image_surface_get_width(image), height = cairo_image_surface_get_height(image);
  const int stride = cairo_image_surface_get_stride(image);
  const unsigned char* data = cairo_image_surface_get_data(image);
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  // No row filters: on pictures like ours (flat ground, thin lines, text) libpng's search
  // over every filter, the default cairo's writer keeps, takes three times as long for
  // files of about the same size.
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    unpremultiply(reinterpret_cast<const uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride), width,
                  row);
    png_write_row(png, row);
  }
  png_write_end(png, nullptr);
  return true;
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
  cairo_surface_t* image = bitmap->surface();
  cairo_surface_flush(image);
  if (cairo_image_surface_get_format(image) != CAIRO_FORMAT_ARGB32 || !cairo_image_surface_get_data(image))
    return cairo_surface_write_to_png(image, path) == CAIRO_STATUS_SUCCESS;
  std::FILE* file = std::fopen(path, "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngFailed, pngWarned);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  std::vector<unsigned char> row(static_cast<size_t>(cairo_image_surface_get_width(image)) * 4);
  const bool encoded = info && encodePng(png, info, file, image, row.data());
  png_destroy_write_struct(&png, &info);
  const bool closed = std::fclose(file) == 0;
  return encoded && closed;
}

}  // namespace platform
}  // namespace Toolkit
