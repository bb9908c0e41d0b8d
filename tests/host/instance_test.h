// A test with the built library loaded and one instance made through its entry point
// with the test host.
#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "tests/support/test_host.h"

class InstanceTest : public ::testing::Test {
protected:
  PluginLibrary library;
  TestHost host;
  std::unique_ptr<Instance> fx;
  void SetUp() override {
    ASSERT_TRUE(library.loaded()) << library.error();
    fx = std::make_unique<Instance>(library.entry());
    ASSERT_TRUE(*fx);
  }
};
