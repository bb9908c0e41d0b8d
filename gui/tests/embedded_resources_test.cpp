// The four images are embedded in the library with the right number, type, size and
// PNG colour type, and nothing else answers the lookup.
#include <gtest/gtest.h>

#include <cstring>

#include "gui/resources.h"

using Toolkit::findEmbeddedResource;

namespace {

uint32_t bigEndian(const uint8_t* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

struct Expected {
  int32_t number;
  uint32_t size;
  uint8_t colourType;  // 2 RGB, 6 RGBA
};

TEST(EmbeddedResources, FourPngImagesOfTypeData) {
  const Expected expected[] = {{0, 99, 2}, {1, 99, 6}, {2, 99, 6}, {3, 50, 6}};
  for (const Expected& e : expected) {
    auto bytes = findEmbeddedResource(e.number, "DATA");
    ASSERT_GT(bytes.size(), 33u) << e.number;
    const uint8_t* p = bytes.data();
    EXPECT_EQ(std::memcmp(p, "\x89PNG\r\n\x1a\n", 8), 0) << e.number;
    EXPECT_EQ(std::memcmp(p + 12, "IHDR", 4), 0) << e.number;
    EXPECT_EQ(bigEndian(p + 16), e.size) << e.number;
    EXPECT_EQ(bigEndian(p + 20), e.size) << e.number;
    EXPECT_EQ(p[24], 8) << e.number;  // bits per channel
    EXPECT_EQ(p[25], e.colourType) << e.number;
    EXPECT_EQ(std::memcmp(p + bytes.size() - 8, "IEND", 4), 0) << e.number;  // the whole file
  }
}

TEST(EmbeddedResources, OtherNumbersTypesAndNamesFindNothing) {
  EXPECT_TRUE(findEmbeddedResource(4, "DATA").empty());
  EXPECT_TRUE(findEmbeddedResource(-1, "DATA").empty());
  EXPECT_TRUE(findEmbeddedResource(0, "PNG").empty());
  EXPECT_TRUE(findEmbeddedResource(0, nullptr).empty());
  EXPECT_TRUE(findEmbeddedResource("QUILLMERE_LogoTealGlow.PNG", "DATA").empty());
  EXPECT_TRUE(findEmbeddedResource(static_cast<const char*>(nullptr), "DATA").empty());
  // Numbers are 16-bit resource ids: 65536 is resource 0.
  EXPECT_EQ(findEmbeddedResource(65536, "DATA").data(), findEmbeddedResource(0, "DATA").data());
}

}  // namespace
