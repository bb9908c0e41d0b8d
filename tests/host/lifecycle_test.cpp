// The built library as a host meets it: loading, the entry points, the effect record,
// refusal, independent instances, odd request orders and unloading.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <vector>

#include "tests/support/test_host.h"

namespace {

class Lifecycle : public ::testing::Test {
protected:
  PluginLibrary library;
  TestHost host;
  void SetUp() override { ASSERT_TRUE(library.loaded()) << library.error(); }
};

TEST_F(Lifecycle, AllThreeEntriesMakeEquivalentInstances) {
  ASSERT_NE(library.entry("VSTPluginMain"), nullptr);
  ASSERT_NE(library.entry("main"), nullptr);
  ASSERT_NE(library.entry("MAIN"), nullptr);
  EXPECT_EQ(library.entry("main"), library.entry("VSTPluginMain"));
  for (const char* name : {"VSTPluginMain", "main", "MAIN"}) {
    SCOPED_TRACE(name);
    host.clear();
    Instance fx(library.entry(name));
    ASSERT_TRUE(fx);
    // The only call during construction: the version query, without a record.
    ASSERT_EQ(host.calls().size(), 1u);
    EXPECT_EQ(host.calls()[0].opcode, audioMasterVersion);
    EXPECT_EQ(host.calls()[0].effect, nullptr);
    EXPECT_EQ(fx->magic, 0x56737450);
    EXPECT_EQ(fx->numPrograms, 1);
    EXPECT_EQ(fx->numParams, 0);
    EXPECT_EQ(fx->numInputs, 2);
    EXPECT_EQ(fx->numOutputs, 2);
    EXPECT_EQ(fx->flags, 0x1031);
    EXPECT_EQ(fx->uniqueID, 6248);
    EXPECT_EQ(fx->version, 1);
    EXPECT_EQ(fx->initialDelay, 0);
    EXPECT_EQ(fx->realQualities | fx->offQualities | fx->resvd1 | fx->resvd2, 0);
    EXPECT_EQ(fx->ioRatio, 1.0f);
    EXPECT_NE(fx->object, nullptr);
    EXPECT_EQ(fx->user, nullptr);
    EXPECT_EQ(std::count(std::begin(fx->future), std::end(fx->future), 0), 56);
    EXPECT_NE(fx->dispatcher, nullptr);
    EXPECT_NE(fx->process, nullptr);
    EXPECT_NE(fx->setParameter, nullptr);
    EXPECT_NE(fx->getParameter, nullptr);
    EXPECT_NE(fx->processReplacing, nullptr);
    EXPECT_NE(fx->processDoubleReplacing, nullptr);
  }
}

TEST_F(Lifecycle, HostThatRefusesOrIsMissingGetsNull) {
  host.answer(audioMasterVersion, 0);
  EXPECT_EQ(Instance(library.entry()).get(), nullptr);
  EXPECT_EQ(Instance(library.entry("MAIN")).get(), nullptr);
  EXPECT_EQ(Instance(library.entry(), nullptr).get(), nullptr);
  // A refusal leaves nothing allocated behind (checked by the leak sanitizer builds)
  // and does not stop the next instance.
  host.answer(audioMasterVersion, 2400);
  EXPECT_NE(Instance(library.entry()).get(), nullptr);
}

TEST_F(Lifecycle, InstancesAreIndependent) {
  std::vector<std::unique_ptr<Instance>> instances;
  for (int i = 0; i < 16; ++i) {
    instances.push_back(std::make_unique<Instance>(library.entry()));
    ASSERT_TRUE(*instances.back());
  }
  // Separate records and objects; separate editors (each answers its own rectangle).
  for (std::size_t i = 1; i < instances.size(); ++i) {
    EXPECT_NE(instances[i]->get(), instances[0]->get());
    EXPECT_NE((*instances[i])->object, (*instances[0])->object);
  }
  ERect* r0 = nullptr;
  ERect* r1 = nullptr;
  instances[0]->dispatch(effEditGetRect, 0, 0, &r0);
  instances[1]->dispatch(effEditGetRect, 0, 0, &r1);
  EXPECT_NE(r0, r1);
  // State of one instance does not leak into another.
  char name[24] = "Renamed";
  instances[0]->dispatch(effSetProgramName, 0, 0, name);
  char other[24] = {};
  instances[1]->dispatch(effGetProgramName, 0, 0, other);
  EXPECT_STRNE(other, "Renamed");
  instances[2]->dispatch(effSetSampleRate, 0, 0, nullptr, 96000.f);
  for (auto& fx : instances) fx->start();
  float left[64] = {}, right[64] = {};
  float* io[2] = {left, right};
  for (auto& fx : instances) (*fx)->processReplacing(fx->get(), io, io, 64);
  // Closing in an order other than creation is fine.
  for (std::size_t i = instances.size(); i-- > 0;) EXPECT_EQ(instances[i]->close(), 1);
}

TEST_F(Lifecycle, OddRequestOrdersAreHarmless) {
  float buffer[2][32] = {};
  float* io[2] = {buffer[0], buffer[1]};
  double dbuffer[2][32] = {};
  double* dio[2] = {dbuffer[0], dbuffer[1]};
  {
    // Getters and processing before effOpen and before any resume.
    Instance fx(library.entry());
    char text[64] = {};
    EXPECT_EQ(fx.dispatch(effGetEffectName, 0, 0, text), 1);
    void* chunk = nullptr;
    EXPECT_EQ(fx.dispatch(effGetChunk, 0, 0, &chunk), 260);
    fx->processReplacing(fx.get(), io, io, 32);
    fx->processDoubleReplacing(fx.get(), dio, dio, 32);
    fx.dispatch(effEditIdle);
    fx.dispatch(effMainsChanged, 0, 0);  // suspend twice without a resume
    fx.dispatch(effMainsChanged, 0, 0);
    fx.dispatch(effMainsChanged, 0, 1);
    fx.dispatch(effMainsChanged, 0, 1);
    fx->processReplacing(fx.get(), io, io, 32);
  }
  {
    Instance fx(library.entry());
    fx.dispatch(effOpen);
    EXPECT_EQ(fx.close(), 1);  // close right after open
  }
  {
    Instance fx(library.entry());
    EXPECT_EQ(fx.close(), 1);  // close without open
  }
  {
    // Editor requests in unusual orders.
    Instance fx(library.entry());
    fx.dispatch(effEditClose);
    fx.dispatch(effEditIdle);
    EXPECT_EQ(fx.dispatch(effEditOpen, 0, 0, nullptr), 0);  // no parent window: refused
    fx.dispatch(effEditIdle);
    fx.dispatch(effEditClose);
    fx.dispatch(effEditClose);
  }
}

TEST(LibraryLoading, LoadsAndUnloadsTwice) {
  TestHost host;
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    PluginLibrary library;
    ASSERT_TRUE(library.loaded()) << library.error();
    Instance fx(library.entry());
    ASSERT_TRUE(fx);
    fx.start();
    float buffer[2][16] = {};
    float* io[2] = {buffer[0], buffer[1]};
    fx->processReplacing(fx.get(), io, io, 16);
    EXPECT_EQ(fx.close(), 1);
  }
}

TEST(LibraryLoading, RecordEntriesIgnoreAForeignOrEmptyRecord) {
  TestHost host;
  PluginLibrary library;
  ASSERT_TRUE(library.loaded()) << library.error();
  Instance fx(library.entry());
  ASSERT_TRUE(fx);
  // A record whose object was cleared, as a host might after closing.
  AEffect copy = *fx.get();
  copy.object = nullptr;
  EXPECT_EQ(copy.dispatcher(&copy, effGetVstVersion, 0, 0, nullptr, 0), 0);
  EXPECT_EQ(copy.dispatcher(nullptr, effGetVstVersion, 0, 0, nullptr, 0), 0);
  EXPECT_EQ(copy.getParameter(&copy, 0), 0.f);
  copy.setParameter(&copy, 0, 0.5f);
  copy.processReplacing(&copy, nullptr, nullptr, 16);
  copy.processDoubleReplacing(nullptr, nullptr, nullptr, 16);
}

}  // namespace
