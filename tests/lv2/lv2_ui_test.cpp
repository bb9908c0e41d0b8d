// The LV2 UI on a real instance of the built bundle, embedded in a real X11 window and
// idled as hosts idle it: the traces of a known signal lie on the rows the VST 2.4
// editor draws them on (tests/editor/editor_scale_test.cpp), at the host's factors 1
// and 2, and a change of factor while open asks the host for the new size.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/editor/host_window.h"
#include "tests/support/environment.h"
#include "urid_map.h"

using namespace brimtrace_test;

namespace {

constexpr const char* kPluginUri = "https://quillmere.example/plugins/brimtrace";
constexpr int kBlock = 512;

bool reddish(uint32_t p) {  // the red trace at half opacity
  const int r = p >> 16 & 0xFF, g = p >> 8 & 0xFF, b = p & 0xFF;
  return r > 60 && g < 24 && b < 24;
}
bool greyish(uint32_t p) {  // the white trace at half opacity
  const int r = p >> 16 & 0xFF, g = p >> 8 & 0xFF, b = p & 0xFF;
  return r > 60 && std::abs(r - g) < 16 && std::abs(r - b) < 16;
}
std::pair<int, int> rows(const std::vector<uint32_t>& pixels, int side, int x, bool (*test)(uint32_t)) {
  int first = -1, last = -1;
  for (int y = 2; y <= side - 3; ++y)
    if (test(pixels[static_cast<size_t>(y * side + x)])) {
      if (first < 0) first = y;
      last = y;
    }
  return {first, last};
}

struct Lv2Ui : ::testing::Test {
  LilvWorld* world = nullptr;
  const LilvPlugin* plugin = nullptr;
  UridMap urids;
  LV2_Feature mapFeature{LV2_URID__map, &urids.map};
  std::vector<std::pair<int, int>> sizes;  // every ui:resize request
  LV2UI_Resize resize{this, [](LV2UI_Feature_Handle h, int w, int hgt) {
                        static_cast<Lv2Ui*>(h)->sizes.emplace_back(w, hgt);
                        return 0;
                      }};
  void* binary = nullptr;
  const LV2UI_Descriptor* descriptor = nullptr;

  void SetUp() override {
    REQUIRE_WINDOWS();
    setVariable("BRIMTRACE_SCALE", nullptr);
    world = lilv_world_new();
    lilv_world_load_all(world);
    LilvNode* uri = lilv_new_uri(world, kPluginUri);
    plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
    lilv_node_free(uri);
    ASSERT_NE(plugin, nullptr);
    LilvUIs* uis = lilv_plugin_get_uis(plugin);
    ASSERT_EQ(lilv_uis_size(uis), 1u);
    const LilvUI* ui = lilv_uis_get(uis, lilv_uis_begin(uis));
    char* path = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_binary_uri(ui)), nullptr);
    binary = dlopen(path, RTLD_NOW);
    lilv_free(path);
    lilv_uis_free(uis);
    ASSERT_NE(binary, nullptr) << dlerror();
    auto entry = reinterpret_cast<const LV2UI_Descriptor* (*)(uint32_t)>(dlsym(binary, "lv2ui_descriptor"));
    ASSERT_NE(entry, nullptr);
    descriptor = entry(0);
    ASSERT_NE(descriptor, nullptr);
  }
  void TearDown() override {
    if (binary) dlclose(binary);
    if (world) lilv_world_free(world);
  }

  // Opens the UI at the host's factor in a window of its side, plays 50 Hz squares (the
  // left of slew 0.01, the right of slew 1), idling the UI between blocks, and takes
  // the window's pixels; then announces newFactor, if any, while the UI is open.
  std::vector<uint32_t> drawSquares(float factor, float newFactor = 0) {
    const LV2_Feature* features[] = {&mapFeature, nullptr};
    LilvInstance* instance = lilv_plugin_instantiate(plugin, 44100, features);
    EXPECT_NE(instance, nullptr);
    if (!instance) return {};
    lilv_instance_activate(instance);
    const int side = static_cast<int>(std::lround(400 * factor));
    HostWindow window(side, side);
    EXPECT_TRUE(window.ok());

    LV2_Options_Option options[] = {{LV2_OPTIONS_INSTANCE, 0, urids.id(LV2_UI__scaleFactor), sizeof(float),
                                     urids.id(LV2_ATOM__Float), &factor},
                                    {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    LV2_Feature parent{LV2_UI__parent, window.handle()};
    LV2_Feature access{LV2_INSTANCE_ACCESS_URI, lilv_instance_get_handle(instance)};
    LV2_Feature resizeFeature{LV2_UI__resize, &resize};
    LV2_Feature optionsFeature{LV2_OPTIONS__options, options};
    const LV2_Feature* uiFeatures[] = {&mapFeature,    &parent,         &access,
                                       &resizeFeature, &optionsFeature, nullptr};
    LV2UI_Widget widget = nullptr;
    LV2UI_Handle ui =
        descriptor->instantiate(descriptor, kPluginUri, "", nullptr, nullptr, &widget, uiFeatures);
    EXPECT_NE(ui, nullptr);
    EXPECT_NE(widget, nullptr);
    const auto* idle =
        static_cast<const LV2UI_Idle_Interface*>(descriptor->extension_data(LV2_UI__idleInterface));
    EXPECT_NE(idle, nullptr);
    std::vector<uint32_t> pixels;
    if (ui && idle) {
      std::vector<float> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock);
      lilv_instance_connect_port(instance, 0, inL.data());
      lilv_instance_connect_port(instance, 1, inR.data());
      lilv_instance_connect_port(instance, 2, outL.data());
      lilv_instance_connect_port(instance, 3, outR.data());
      int64_t n = 0;
      for (int i = 0; i < 120; ++i) {
        for (int k = 0; k < kBlock; ++k, ++n) {
          const float sign = (n / 441) % 2 ? -0.5f : 0.5f;
          inL[static_cast<size_t>(k)] = sign * 0.01f;
          inR[static_cast<size_t>(k)] = sign;
        }
        lilv_instance_run(instance, kBlock);
        EXPECT_EQ(idle->idle(ui), 0);
        window.pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      pixels = window.grab();
      if (newFactor > 0) {
        const auto* opts =
            static_cast<const LV2_Options_Interface*>(descriptor->extension_data(LV2_OPTIONS__interface));
        EXPECT_NE(opts, nullptr);
        options[0].value = &newFactor;
        if (opts) opts->set(ui, options);
      }
      descriptor->cleanup(ui);
    }
    lilv_instance_deactivate(instance);
    lilv_instance_free(instance);
    return pixels;
  }
};

}  // namespace

TEST_F(Lv2Ui, TracesLieOnTheVst2EditorsRowsAtTheHostsFactors) {
  for (const float factor : {1.0f, 2.0f}) {
    SCOPED_TRACE(factor);
    sizes.clear();
    const std::vector<uint32_t> pixels = drawSquares(factor);
    const int side = static_cast<int>(400 * factor);
    ASSERT_EQ(pixels.size(), static_cast<size_t>(side * side));
    ASSERT_FALSE(sizes.empty());
    EXPECT_EQ(sizes.front(), std::make_pair(side, side));  // asked for through ui:resize
    // The newest entries: the right trace where the scale puts 1 (row 38.4 of the
    // picture), the left one where it puts 0.01 (183.1).
    for (const int x : {static_cast<int>(340 * factor), static_cast<int>(380 * factor)}) {
      SCOPED_TRACE(x);
      const auto red = rows(pixels, side, x, reddish);
      EXPECT_NEAR(red.first, 38.43 * factor, 2);
      EXPECT_NEAR(red.second - red.first + 1, factor, 1);
      const auto white = rows(pixels, side, x, greyish);
      EXPECT_NEAR(white.first, 183.06 * factor, 2);
      EXPECT_NEAR(white.second - white.first + 1, factor, 1);
    }
    // The red frame fills the outermost rows and columns.
    for (const int k : {side / 4, side / 2}) {
      EXPECT_EQ(pixels[static_cast<size_t>(k)], 0xFF0000u) << k;
      EXPECT_EQ(pixels[static_cast<size_t>(k * side)], 0xFF0000u) << k;
    }
  }
}

TEST_F(Lv2Ui, AChangeOfFactorWhileOpenResizesAndTheVariableOverridesTheHost) {
  drawSquares(1.0f, 2.0f);
  ASSERT_GE(sizes.size(), 2u);
  EXPECT_EQ(sizes.front(), std::make_pair(400, 400));
  EXPECT_EQ(sizes.back(), std::make_pair(800, 800));

  sizes.clear();
  const ScopedVariable variable("BRIMTRACE_SCALE", "2");
  const std::vector<uint32_t> pixels = drawSquares(1.0f, 1.5f);
  ASSERT_EQ(sizes.size(), 1u);  // the variable holds the scale: no resize on the host's change
  EXPECT_EQ(sizes.front(), std::make_pair(800, 800));
}
