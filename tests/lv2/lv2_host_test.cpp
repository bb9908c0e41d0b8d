// The built LV2 bundle through lilv, as a host meets it: found by URI on LV2_PATH,
// described with its ports and UI, audio passed through bit for bit in any block length
// in separate and in-place buffers, its state saved, restored and saved again.
#include <gtest/gtest.h>
#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/state/state.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "urid_map.h"

namespace {

constexpr const char* kPluginUri = "https://quillmere.example/plugins/brimtrace";
constexpr const char* kChunkUri = "https://quillmere.example/plugins/brimtrace#chunk";

// One stored property, as a state save hands it over.
struct Stored {
  int count = 0;
  uint32_t key = 0, type = 0, flags = 0;
  std::vector<uint8_t> bytes;
};

class Lv2Host : public testing::Test {
protected:
  static void SetUpTestSuite() {
    world = lilv_world_new();
    lilv_world_load_all(world);  // LV2_PATH names the build's plug-in folder
    LilvNode* uri = lilv_new_uri(world, kPluginUri);
    plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
    lilv_node_free(uri);
  }
  static void TearDownTestSuite() { lilv_world_free(world); }

  void SetUp() override { ASSERT_NE(plugin, nullptr) << "not found on LV2_PATH: " << kPluginUri; }

  LilvInstance* start() {
    LilvInstance* instance = lilv_plugin_instantiate(plugin, 48000, urids.features);
    if (instance) lilv_instance_activate(instance);
    return instance;
  }
  static void stop(LilvInstance* instance) {
    lilv_instance_deactivate(instance);
    lilv_instance_free(instance);
  }
  static const LV2_State_Interface* stateOf(LilvInstance* instance) {
    return static_cast<const LV2_State_Interface*>(
        lilv_instance_get_extension_data(instance, LV2_STATE__interface));
  }
  static Stored save(LilvInstance* instance) {
    Stored stored;
    auto store = [](LV2_State_Handle h, uint32_t key, const void* value, size_t size, uint32_t type,
                    uint32_t flags) -> LV2_State_Status {
      auto* s = static_cast<Stored*>(h);
      ++s->count;
      s->key = key, s->type = type, s->flags = flags;
      s->bytes.assign(static_cast<const uint8_t*>(value), static_cast<const uint8_t*>(value) + size);
      return LV2_STATE_SUCCESS;
    };
    stateOf(instance)->save(lilv_instance_get_handle(instance), store, &stored, 0, nullptr);
    return stored;
  }
  // Restores one property as a host would hand it back.
  static void restore(LilvInstance* instance, const Stored& stored) {
    auto retrieve = [](LV2_State_Handle h, uint32_t key, size_t* size, uint32_t* type,
                       uint32_t* flags) -> const void* {
      const auto* s = static_cast<const Stored*>(h);
      if (s->count == 0 || key != s->key) return nullptr;
      *size = s->bytes.size(), *type = s->type, *flags = s->flags;
      return s->bytes.data();
    };
    stateOf(instance)->restore(lilv_instance_get_handle(instance), retrieve, const_cast<Stored*>(&stored), 0,
                               nullptr);
  }
  Stored chunk(const std::vector<float>& values) {
    Stored s;
    s.count = 1, s.key = urids.id(kChunkUri), s.type = urids.id(LV2_ATOM__Chunk);
    s.flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    s.bytes.resize(values.size() * 4);
    std::memcpy(s.bytes.data(), values.data(), s.bytes.size());
    return s;
  }

  static LilvWorld* world;
  static const LilvPlugin* plugin;
  UridMap urids;
};
LilvWorld* Lv2Host::world = nullptr;
const LilvPlugin* Lv2Host::plugin = nullptr;

TEST_F(Lv2Host, DescribesItsNameClassPortsAndX11Ui) {
  LilvNode* name = lilv_plugin_get_name(plugin);
  EXPECT_STREQ(lilv_node_as_string(name), "QUILLMERE - Brimtrace logarithmic - 20260721");  // whole
  lilv_node_free(name);
  EXPECT_STREQ(lilv_node_as_uri(lilv_plugin_class_get_uri(lilv_plugin_get_class(plugin))),
               "http://lv2plug.in/ns/lv2core#AnalyserPlugin");

  LilvNode* audio = lilv_new_uri(world, LILV_URI_AUDIO_PORT);
  LilvNode* input = lilv_new_uri(world, LILV_URI_INPUT_PORT);
  LilvNode* output = lilv_new_uri(world, LILV_URI_OUTPUT_PORT);
  EXPECT_EQ(lilv_plugin_get_num_ports(plugin), 4u);
  EXPECT_EQ(lilv_plugin_get_num_ports_of_class(plugin, audio, input, nullptr), 2u);
  EXPECT_EQ(lilv_plugin_get_num_ports_of_class(plugin, audio, output, nullptr), 2u);
  LilvNode* hardRt = lilv_new_uri(world, LV2_CORE__hardRTCapable);
  EXPECT_TRUE(lilv_plugin_has_feature(plugin, hardRt));
  lilv_node_free(hardRt);
  lilv_node_free(audio), lilv_node_free(input), lilv_node_free(output);

  LilvUIs* uis = lilv_plugin_get_uis(plugin);
  ASSERT_EQ(lilv_uis_size(uis), 1u);
  const LilvUI* ui = lilv_uis_get(uis, lilv_uis_begin(uis));
  EXPECT_STREQ(lilv_node_as_uri(lilv_ui_get_uri(ui)), "https://quillmere.example/plugins/brimtrace#ui");
  LilvNode* x11 = lilv_new_uri(world, LV2_UI__X11UI);
  EXPECT_TRUE(lilv_ui_is_a(ui, x11));
  lilv_node_free(x11);
  lilv_uis_free(uis);
}

TEST_F(Lv2Host, PassesAudioThroughBitForBitInAnyBlockLengthSeparateAndInPlace) {
  LilvInstance* instance = start();
  ASSERT_NE(instance, nullptr);
  // Extremes included: signed zeros, subnormals, infinities, NaNs with payloads, full scale.
  std::mt19937 random(21);
  auto signal = [&](std::size_t n) {
    std::vector<float> v(n);
    for (auto& x : v) {
      const uint32_t bits = random();
      std::memcpy(&x, &bits, 4);
      if (random() % 4) x = static_cast<float>(static_cast<int32_t>(random())) / 2147483648.0f;
    }
    return v;
  };
  int blocks = 0;
  for (const bool inPlace : {false, true}) {
    for (const uint32_t frames : {0u, 1u, 7u, 511u, 1u, 1023u, 0u, 4096u, 333u}) {
      std::vector<float> left = signal(frames), right = signal(frames);
      const std::vector<float> wantLeft = left, wantRight = right;
      std::vector<float> outLeft(frames, 0.5f), outRight(frames, 0.5f);
      float* outs[2] = {inPlace ? left.data() : outLeft.data(), inPlace ? right.data() : outRight.data()};
      lilv_instance_connect_port(instance, 0, left.data());
      lilv_instance_connect_port(instance, 1, right.data());
      lilv_instance_connect_port(instance, 2, outs[0]);
      lilv_instance_connect_port(instance, 3, outs[1]);
      lilv_instance_run(instance, frames);
      ++blocks;
      if (frames == 0) continue;  // nothing to compare, and no buffers behind the pointers
      EXPECT_EQ(std::memcmp(outs[0], wantLeft.data(), frames * 4), 0)
          << frames << (inPlace ? " in place" : "");
      EXPECT_EQ(std::memcmp(outs[1], wantRight.data(), frames * 4), 0)
          << frames << (inPlace ? " in place" : "");
    }
  }
  EXPECT_EQ(blocks, 18);
  stop(instance);
}

TEST_F(Lv2Host, StateIsTheChunkSavedRestoredAndSavedAgainEqual) {
  LilvInstance* first = start();
  ASSERT_NE(first, nullptr);
  const Stored defaults = save(first);
  ASSERT_EQ(defaults.count, 1);
  EXPECT_EQ(defaults.key, urids.id(kChunkUri));
  EXPECT_EQ(defaults.type, urids.id(LV2_ATOM__Chunk));
  EXPECT_EQ(defaults.flags, static_cast<uint32_t>(LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE));
  ASSERT_EQ(defaults.bytes.size(), 260u);  // the marker and 64 values, as the VST 2.4 chunk

  // Values of its own, a non-finite one among them (which becomes 0).
  std::vector<float> values(65);
  values[0] = -1000.0f;
  for (int k = 1; k <= 64; ++k) values[k] = 0.25f * static_cast<float>(k);
  values[5] = NAN;
  restore(first, chunk(values));
  const Stored saved = save(first);
  values[5] = 0;
  EXPECT_EQ(saved.bytes, chunk(values).bytes);

  LilvInstance* fresh = start();
  ASSERT_NE(fresh, nullptr);
  restore(fresh, saved);
  EXPECT_EQ(save(fresh).bytes, saved.bytes);

  // Through lilv's own state, as hosts keep it in sessions.
  LilvState* kept =
      lilv_state_new_from_instance(plugin, first, &urids.map, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, nullptr);
  ASSERT_NE(kept, nullptr);
  LilvInstance* third = start();
  lilv_state_restore(kept, third, nullptr, nullptr, 0, nullptr);
  EXPECT_EQ(save(third).bytes, saved.bytes);
  lilv_state_free(kept);

  // Missing, short and foreign state leave the defaults.
  for (Stored odd : {Stored{}, chunk({-1000.0f}), chunk(values)}) {
    if (odd.count && odd.bytes.size() > 4) odd.type = urids.id(LV2_ATOM__Int);
    LilvInstance* other = start();
    restore(other, odd);
    EXPECT_EQ(save(other).bytes, defaults.bytes);
    stop(other);
  }
  stop(first), stop(fresh), stop(third);
}

}  // namespace
