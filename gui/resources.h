// Resources embedded in the plug-in library (the four PNG images, type "DATA",
// numbered 0..3). Windows keeps them as module resources; Linux links the same
// bytes into the shared object and answers through the same lookup.
#pragma once
#include <cstdint>
#include <memory>
#include <span>

#include "gui/raster.h"

namespace Toolkit {

// The bytes live as long as the library; an empty span means not found.
std::span<const uint8_t> findEmbeddedResource(int32_t number, const char* type);
std::span<const uint8_t> findEmbeddedResource(const char* name, const char* type);

// The platform's own bitmap resources, tried when no "DATA" resource decodes
// (Windows: GDI+ from a bitmap resource of the module; elsewhere none).
std::unique_ptr<PlatformBitmap> platformResourceBitmap(int32_t number);
std::unique_ptr<PlatformBitmap> platformResourceBitmap(const char* name);

}  // namespace Toolkit
