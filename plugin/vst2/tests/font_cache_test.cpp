// The plug-in object holds one reference per cached font and drops it when destroyed.
#include <gtest/gtest.h>

#include "gui/font_desc.h"
#include "plugin/vst2/tests/test_effect.h"
#include "tests/support/test_host.h"

TEST(ZelkFontCache, DestructionReleasesEachCachedFont) {
  TestHost host;
  CZelk* z = makeTestPlugin(TestHost::callback());
  ASSERT_NE(z, nullptr);
  auto* font = new Toolkit::CFontDesc("Arial", 12);
  font->retain();  // the test's own reference
  z->fontCache().push_back(font);
  z->fontCache().push_back(nullptr);
  AEffect* e = z->getAeffect();
  EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0), 1);
  EXPECT_EQ(font->refCount(), 1);
  font->release();
}
