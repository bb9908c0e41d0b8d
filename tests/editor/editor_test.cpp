// The editor of a whole Brimtrace instance (effect, plug-in object, editor) in a real
// window: paints with the drawing context set, repaint pacing by redrawRate, mouse
// input reaching the effect, and the editor's lifecycle as hosts drive it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <thread>

#include "effect/fablo_effect.h"
#include "plugin/vst2/runtime_hooks.h"
#include "plugin/vst2/zelk.h"
#include "plugin/vst2/zelk_editor.h"
#include "runtime/transforms.h"
#include "tests/editor/host_window.h"
#include "tests/support/test_host.h"

using namespace brimtrace_test;

namespace {

struct PaintLog {
  int passes = 0;
  int withContext = 0;
  double width = 0, height = 0;
};
std::map<const CZelk*, PaintLog> paintLogs;

// The effect's draw hook, counting passes and whether drawContext is set during them.
void countingDraw(CZelk* z, double width, double height) {
  PaintLog& log = paintLogs[z];
  ++log.passes;
  if (z->drawContext()) ++log.withContext;
  log.width = width;
  log.height = height;
  runtime_hooks::draw(z, width, height);
}

int64_t fakeNow = 100000;
int64_t fakeClock() { return fakeNow; }

// One instance as the entry point makes it, with the counting draw hook.
class Plugin {
public:
  Plugin() {
    buildTransformTables();
    effect = new TFabloEffect;
    EffectHooks hooks = effectHooksFor<TFabloEffect>();
    hooks.draw = countingDraw;
    zelk = CZelk::create(effect, hooks, TestHost::callback(), 1, 0);
    effect->zelk = zelk;
    record = zelk->getAeffect();
    paintLogs[zelk] = {};
  }
  ~Plugin() { close(); }

  intptr_t dispatch(int32_t op, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0) {
    return record->dispatcher(record, op, index, value, ptr, opt);
  }
  void start() {
    dispatch(effOpen);
    dispatch(effSetSampleRate, 0, 0, nullptr, 44100);
    dispatch(effSetBlockSize, 0, 512);
    dispatch(effMainsChanged, 0, 1);
  }
  void close() {
    if (!record) return;
    paintLogs.erase(zelk);
    dispatch(effClose);  // deletes the plug-in object, the effect and the editor
    record = nullptr;
  }
  CZelkEditor* editor() const { return static_cast<CZelkEditor*>(zelk->getEditor()); }
  int passes() const { return paintLogs[zelk].passes; }

  TFabloEffect* effect = nullptr;
  CZelk* zelk = nullptr;
  AEffect* record = nullptr;
};

struct EditorTest : ::testing::Test {
  TestHost hostCallbacks;
  HostWindow host;
  std::unique_ptr<Plugin> plugin = std::make_unique<Plugin>();

  void SetUp() override {
    REQUIRE_WINDOWS();
    ASSERT_TRUE(host.ok());
    fakeNow = 100000;
  }
  void idle(Plugin& p) {
    p.dispatch(effEditIdle);
    host.pump();
  }
  void idle() { idle(*plugin); }
  bool open(Plugin& p, HostWindow& w) { return p.dispatch(effEditOpen, 0, 0, w.handle()) == 1; }
  // Opens and idles until the first pass (the window system's first paint) is drawn and
  // no further one follows.
  void openAndSettle(Plugin& p) {
    ASSERT_TRUE(open(p, host));
    ASSERT_TRUE(waitFor([&] { return p.passes() > 0; }, [&] { idle(p); }));
    for (int i = 0; i < 10; ++i) idle(p);
  }
  // Idles `count` times, the fake clock advancing 10 ms before each.
  int passesOver(Plugin& p, int count) {
    const int before = p.passes();
    for (int i = 0; i < count; ++i) {
      fakeNow += 10;
      idle(p);
    }
    return p.passes() - before;
  }
  // Idles until the effect's mouse slots satisfy done.
  bool waitMouse(const std::function<bool()>& done) {
    return waitFor(done, [&] { idle(); });
  }
};

}  // namespace

TEST_F(EditorTest, RectangleBeforeOpenAndPassesDrawWithTheContextSetOnlyDuringThem) {
  ERect* rect = nullptr;
  EXPECT_EQ(plugin->dispatch(effEditGetRect, 0, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->top, 0);
  EXPECT_EQ(rect->left, 0);
  EXPECT_EQ(rect->bottom, 400);
  EXPECT_EQ(rect->right, 400);

  plugin->start();
  openAndSettle(*plugin);
  const PaintLog& log = paintLogs[plugin->zelk];
  EXPECT_EQ(log.withContext, log.passes);
  EXPECT_EQ(log.width, 400);
  EXPECT_EQ(log.height, 400);
  EXPECT_EQ(plugin->zelk->drawContext(), nullptr);
  EXPECT_EQ(host.childCount(), 1);
}

TEST_F(EditorTest, RateThirtyWithIdlesEvery10msRepaintsEvery40ms) {
  plugin->effect->millisClock = fakeClock;
  plugin->start();
  EXPECT_EQ(plugin->effect->redrawRate, 30);
  openAndSettle(*plugin);
  // The first idle after more than 33.3 ms repaints: every fourth one.
  EXPECT_EQ(passesOver(*plugin, 40), 10);
}

TEST_F(EditorTest, RateZeroPaintsNothingUntilAMousePressRaisesIt) {
  plugin->effect->millisClock = fakeClock;
  plugin->dispatch(effOpen);  // no resume yet: onInit has not set the rate
  EXPECT_EQ(plugin->effect->redrawRate, 0);
  openAndSettle(*plugin);
  EXPECT_EQ(passesOver(*plugin, 40), 0);

  host.moveTo(200, 200);
  host.press(Button::Left);
  ASSERT_TRUE(waitMouse([&] { return plugin->effect->mouseButtonsSlot == 1; }));
  host.release(Button::Left);
  ASSERT_TRUE(waitMouse([&] { return plugin->effect->mouseButtonsSlot == 0; }));
  EXPECT_EQ(plugin->effect->redrawRate, 30);
  EXPECT_NEAR(passesOver(*plugin, 40), 10, 1);
}

TEST_F(EditorTest, MouseReachesTheEffectWithItsBitsAndAPressHoldsTheMouse) {
  plugin->start();
  openAndSettle(*plugin);
  TFabloEffect& fx = *plugin->effect;

  host.moveTo(90, 110);  // the view under the pointer is entered; moves follow
  host.moveTo(100, 120);
  ASSERT_TRUE(waitMouse([&] { return fx.mouseXSlot == 100 && fx.mouseYSlot == 120; }));
  host.press(Button::Left, kShiftKey);
  ASSERT_TRUE(waitMouse([&] { return fx.mouseButtonsSlot == 9; }));
  EXPECT_TRUE(host.editorHoldsMouse());
  host.moveTo(450, 130);  // outside: still reaches the view that holds the mouse
  ASSERT_TRUE(waitMouse([&] { return fx.mouseXSlot == 450; }));
  host.release(Button::Left);
  ASSERT_TRUE(waitMouse([&] { return fx.mouseButtonsSlot == 0; }));
  EXPECT_FALSE(host.editorHoldsMouse());

  host.moveTo(200, 50);
  host.press(Button::Right);
  ASSERT_TRUE(waitMouse([&] { return fx.mouseButtonsSlot == 2; }));
  EXPECT_EQ(fx.mouseXSlot, 200);
  EXPECT_EQ(fx.mouseYSlot, 50);
  host.release(Button::Right);
  ASSERT_TRUE(waitMouse([&] { return fx.mouseButtonsSlot == 0; }));
  host.press(Button::Middle, kControlKey);
  ASSERT_TRUE(waitMouse([&] { return fx.mouseButtonsSlot == 64 + 4; }));
  host.release(Button::Middle);
  ASSERT_TRUE(waitMouse([&] { return fx.mouseButtonsSlot == 0; }));
}

TEST_F(EditorTest, KeysFindNoFocusedViewAndTabIsTakenByTheFrame) {
  plugin->start();
  openAndSettle(*plugin);
  EXPECT_EQ(plugin->dispatch(effEditKeyDown, 'a', 0, nullptr, 0), 0);
  EXPECT_EQ(plugin->dispatch(effEditKeyUp, 'a', 0, nullptr, 0), 0);
  EXPECT_EQ(plugin->dispatch(effEditKeyDown, 0, 2 /* tab */, nullptr, 0), 1);
  EXPECT_EQ(plugin->dispatch(effSetEditKnobMode, 0, 2), 1);
}

TEST_F(EditorTest, WaitStepGivesTheHostIdleTimeAtMostTwentyTimesASecond) {
  plugin->start();
  openAndSettle(*plugin);
  hostCallbacks.clear();
  const uint32_t first = editor_platform::tickCount();
  plugin->editor()->doIdleStuff();
  EXPECT_EQ(hostCallbacks.count(audioMasterIdle), 1u);
  const uint32_t second = editor_platform::tickCount();
  plugin->editor()->doIdleStuff();
  // Within about 50 ms of the last step the next one does nothing (a slow machine may
  // have let that time pass already).
  if (second - first < 40) {
    EXPECT_EQ(hostCallbacks.count(audioMasterIdle), 1u);
  }
  for (int i = 0; i < 100 && hostCallbacks.count(audioMasterIdle) < 2; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    plugin->editor()->doIdleStuff();
  }
  EXPECT_EQ(hostCallbacks.count(audioMasterIdle), 2u);  // and later it works again
}

TEST_F(EditorTest, OpenCloseOpenAndIdleAfterClose) {
  plugin->effect->millisClock = fakeClock;
  plugin->start();
  openAndSettle(*plugin);
  plugin->dispatch(effEditClose);
  EXPECT_EQ(host.childCount(), 0);
  EXPECT_EQ(plugin->editor()->getView(), nullptr);
  const int64_t lastRepaint = plugin->effect->lastRedrawTick;
  EXPECT_EQ(passesOver(*plugin, 20), 0);
  EXPECT_EQ(plugin->effect->lastRedrawTick, lastRepaint);  // no repaint was even asked for

  openAndSettle(*plugin);
  EXPECT_EQ(host.childCount(), 1);
  EXPECT_EQ(passesOver(*plugin, 8), 2);
}

TEST_F(EditorTest, ASecondOpenWithoutCloseReplacesTheFirstWindow) {
  plugin->start();
  openAndSettle(*plugin);
  openAndSettle(*plugin);
  EXPECT_EQ(host.childCount(), 1);
  plugin->dispatch(effEditClose);
  EXPECT_EQ(host.childCount(), 0);
}

TEST_F(EditorTest, OpenWithoutAParentWindowFails) {
  EXPECT_EQ(plugin->dispatch(effEditOpen, 0, 0, nullptr), 0);
  EXPECT_EQ(plugin->editor()->getFrame(), nullptr);
  plugin->dispatch(effEditIdle);
}

TEST_F(EditorTest, ClosingThePluginWithItsEditorOpenRemovesTheWindow) {
  plugin->start();
  openAndSettle(*plugin);
  plugin->close();
  EXPECT_EQ(host.childCount(), 0);
  host.pump();
}

TEST_F(EditorTest, HostWindowDestroyedBeforeCloseIsSurvived) {
  plugin->start();
  openAndSettle(*plugin);
  host.destroy();
  for (int i = 0; i < 5; ++i) idle();
  plugin->dispatch(effEditClose);
  idle();
}

TEST_F(EditorTest, TwoInstancesShowTheirEditorsAtOnce) {
  HostWindow secondHost;
  ASSERT_TRUE(secondHost.ok());
  Plugin second;
  plugin->start();
  second.start();
  ASSERT_TRUE(open(*plugin, host));
  ASSERT_TRUE(open(second, secondHost));
  ASSERT_TRUE(waitFor([&] { return plugin->passes() > 0 && second.passes() > 0; },
                      [&] {
                        idle(*plugin);
                        idle(second);
                        secondHost.pump();
                      }));
  EXPECT_EQ(host.childCount(), 1);
  EXPECT_EQ(secondHost.childCount(), 1);
  second.dispatch(effEditClose);
  EXPECT_EQ(secondHost.childCount(), 0);
  EXPECT_EQ(host.childCount(), 1);
}

TEST_F(EditorTest, ManyOpenCloseCyclesLeaveNothingBehind) {
  plugin->start();
  auto cycle = [&] {
    ASSERT_TRUE(open(*plugin, host));
    idle();
    plugin->dispatch(effEditClose);
  };
  for (int i = 0; i < 20; ++i) cycle();  // library caches settle
  const ResourceCounts before = resourceCounts();
  constexpr int kCycles = 200;
  for (int i = 0; i < kCycles; ++i) cycle();
  const ResourceCounts after = resourceCounts();
  EXPECT_EQ(host.childCount(), 0);
  EXPECT_EQ(after.handles, before.handles);
  EXPECT_EQ(after.windowObjects, before.windowObjects);
  // Less than 100 bytes a cycle: nothing of a window (its back buffer alone is 640 KB).
  EXPECT_LT(after.heapBytes, before.heapBytes + 100 * kCycles);
}
