// The four images linked into the shared object (the assembler includes the PNG
// files from the assets folder) and the same lookup as the Windows resources.
#include <cstring>

#include "gui/resources.h"

#define BRIMTRACE_EMBED(symbol, file)                                                          \
  __asm__(".pushsection .rodata.brimtrace_" #symbol                                            \
          ",\"a\",@progbits\n"                                                                 \
          ".balign 16\n"                                                                       \
          ".globl brimtrace_" #symbol                                                          \
          "_begin\n"                                                                           \
          ".hidden brimtrace_" #symbol                                                         \
          "_begin\n"                                                                           \
          "brimtrace_" #symbol                                                                 \
          "_begin:\n"                                                                          \
          ".incbin \"" file                                                                    \
          "\"\n"                                                                               \
          ".globl brimtrace_" #symbol                                                          \
          "_end\n"                                                                             \
          ".hidden brimtrace_" #symbol                                                         \
          "_end\n"                                                                             \
          "brimtrace_" #symbol                                                                 \
          "_end:\n"                                                                            \
          ".popsection\n");                                                                    \
  extern "C" __attribute__((visibility("hidden"))) const uint8_t brimtrace_##symbol##_begin[]; \
  extern "C" __attribute__((visibility("hidden"))) const uint8_t brimtrace_##symbol##_end[];

BRIMTRACE_EMBED(image0, "QUILLMERE_LogoTealGlow.PNG")
BRIMTRACE_EMBED(image1, "QUILLMERE_WebLinkText.png")
BRIMTRACE_EMBED(image2, "QUILLMERE_LogoTealGlow_Brimtrace.png")
BRIMTRACE_EMBED(image3, "50x50square_top_ON.png")

namespace Toolkit {
namespace {

struct Embedded {
  int32_t number;
  const char* type;
  const uint8_t* begin;
  const uint8_t* end;
};

const Embedded kEmbedded[] = {
    {0, "DATA", brimtrace_image0_begin, brimtrace_image0_end},
    {1, "DATA", brimtrace_image1_begin, brimtrace_image1_end},
    {2, "DATA", brimtrace_image2_begin, brimtrace_image2_end},
    {3, "DATA", brimtrace_image3_begin, brimtrace_image3_end},
};

}  // namespace

// Numbers are 16-bit like Windows resource ids; types compare exactly.
std::span<const uint8_t> findEmbeddedResource(int32_t number, const char* type) {
  if (!type) return {};
  for (const Embedded& e : kEmbedded)
    if (e.number == int32_t(uint16_t(number)) && std::strcmp(e.type, type) == 0)
      return {e.begin, size_t(e.end - e.begin)};
  return {};
}

// Only numbered resources are embedded.
std::span<const uint8_t> findEmbeddedResource(const char*, const char*) { return {}; }

std::unique_ptr<PlatformBitmap> platformResourceBitmap(int32_t) { return nullptr; }
std::unique_ptr<PlatformBitmap> platformResourceBitmap(const char*) { return nullptr; }

}  // namespace Toolkit
