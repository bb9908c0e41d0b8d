// A plug-in link for drawing tests: a 400 x 400 editor, a font cache, and a drawing
// context on a recording surface that is "painting" only while paint() is in scope.
#pragma once
#include <memory>
#include <vector>

#include "gui/draw_context.h"
#include "gui/paint_link.h"
#include "tests/support/recording_link.h"
#include "tests/support/recording_surface.h"

namespace brimtrace_test {

// The recording link's host, without time information, with a paint.
class FakePlugin : public RecordingLinkOf<PaintLink> {
public:
  std::vector<Call> calls;  // the drawing calls (the link's own requests: RecordingLinkOf::calls)
  Toolkit::CDrawContext* context = nullptr;
  bool painting = true;
  bool hasEditor = true;
  std::vector<Toolkit::CFontDesc*> fonts;

  FakePlugin() : context(new Toolkit::CDrawContext(std::make_unique<RecordingSurface>(&calls))) {
    calls.clear();
    answersTime = false;
  }
  ~FakePlugin() {
    context->release();
    for (auto* f : fonts) f->release();
  }

  Toolkit::CDrawContext* drawContext() const override { return painting ? context : nullptr; }
  bool editorSize(int32_t& w, int32_t& h) const override {
    if (!hasEditor) return false;
    w = 400;
    h = 400;
    return true;
  }
  std::vector<Toolkit::CFontDesc*>& fontCache() override { return fonts; }
};

// An effect of type Effect on a FakePlugin, for fixtures.
template <class Effect>
struct EffectOnFakePlugin {
  FakePlugin plugin;
  Effect* fx = new Effect;
  EffectOnFakePlugin() { fx->zelk = &plugin; }
  ~EffectOnFakePlugin() { delete fx; }
};

}  // namespace brimtrace_test
