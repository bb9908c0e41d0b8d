// The built library's editor and its host when the factor changes: a new announcement
// while the editor is open asks the host to resize its window, and BRIMTRACE_SCALE is
// read alike in a host whose C locale writes numbers with a comma.
#include <gtest/gtest.h>

#include <utility>

#include "tests/editor/host_window.h"
#include "tests/support/comma_locale.h"
#include "tests/support/environment.h"
#include "tests/support/test_host.h"

using namespace brimtrace_test;

namespace {

std::pair<int, int> editorRect(const Instance& fx) {
  ERect* rect = nullptr;
  if (fx.dispatch(effEditGetRect, 0, 0, &rect) != 1 || !rect) return {0, 0};
  return {rect->right - rect->left, rect->bottom - rect->top};
}

intptr_t announce(const Instance& fx, float factor) {
  return fx.dispatch(effVendorSpecific, kVendorScaleIndex, kVendorScaleValue, nullptr, factor);
}

// The sizes the plug-in asked the host for, in order.
std::vector<std::pair<intptr_t, intptr_t>> sizeRequests(const TestHost& host) {
  std::vector<std::pair<intptr_t, intptr_t>> sizes;
  for (const HostCall& call : host.calls())
    if (call.opcode == audioMasterSizeWindow) sizes.emplace_back(call.index, call.value);
  return sizes;
}

struct EditorHostScale : ::testing::Test {
  TestHost host;
  PluginLibrary library;
  void SetUp() override {
    setVariable("BRIMTRACE_SCALE", nullptr);
    ASSERT_TRUE(library.loaded()) << library.error();
  }
  void TearDown() override { setVariable("BRIMTRACE_SCALE", nullptr); }
};

}  // namespace

TEST_F(EditorHostScale, AnAnnouncementWhileOpenAsksTheHostForTheNewSize) {
  REQUIRE_WINDOWS();
  Instance fx(library.entry());
  fx.start();
  ASSERT_EQ(announce(fx, 1), 1);
  HostWindow window(800, 800);
  ASSERT_TRUE(window.ok());
  ASSERT_EQ(fx.dispatch(effEditOpen, 0, 0, window.handle()), 1);
  host.clear();
  EXPECT_EQ(announce(fx, 1.5f), 1);
  EXPECT_EQ(announce(fx, 1.5f), 1);  // the same factor again: nothing to resize
  EXPECT_EQ(announce(fx, 2), 1);
  using Size = std::pair<intptr_t, intptr_t>;
  EXPECT_EQ(sizeRequests(host), (std::vector<Size>{{600, 600}, {800, 800}}));
  EXPECT_EQ(editorRect(fx), std::make_pair(800, 800));
  {
    // The variable holds the window at its factor: the host is not asked.
    const ScopedVariable variable("BRIMTRACE_SCALE", "2");
    host.clear();
    EXPECT_EQ(announce(fx, 1), 1);
    EXPECT_TRUE(sizeRequests(host).empty());
  }
  fx.dispatch(effEditClose);
}

TEST_F(EditorHostScale, TheVariableIsReadWithAPointUnderACommaLocale) {
  Instance fx(library.entry());
  fx.start();
  const CommaDecimals comma;
  ASSERT_TRUE(CommaDecimals::active());
  {
    const ScopedVariable variable("BRIMTRACE_SCALE", "1.5");
    EXPECT_EQ(editorRect(fx), std::make_pair(600, 600));
  }
  const ScopedVariable variable("BRIMTRACE_SCALE", "1,5");  // not a number here
  EXPECT_EQ(editorRect(fx), std::make_pair(400, 400));
}
