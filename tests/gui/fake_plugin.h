// A plug-in link for drawing tests: a 400 x 400 editor, a font cache, and a drawing
// context on a recording surface that is "painting" only while paint() is in scope.
#pragma once
#include <memory>
#include <vector>

#include "gui/draw_context.h"
#include "gui/paint_link.h"
#include "tests/gui/recording_surface.h"

namespace brimtrace_test {

class FakePlugin : public PaintLink {
public:
  std::vector<Call> calls;
  Toolkit::CDrawContext* context = nullptr;
  bool painting = true;
  bool hasEditor = true;
  std::vector<Toolkit::CFontDesc*> fonts;

  FakePlugin()
      : context(new Toolkit::CDrawContext(std::make_unique<RecordingSurface>(&calls))) {
    calls.clear();
  }
  ~FakePlugin() {
    context->release();
    for (auto* f : fonts) f->release();
  }

  float storedSampleRate() const override { return 44100; }
  int32_t storedBlockSize() const override { return 1024; }
  int32_t inputCount() const override { return 2; }
  bool hostTime(int32_t, HostTime&) override { return false; }
  void updateDisplay() override {}
  void setInitialDelay(int32_t) override {}
  void repaintEditor() override {}
  Toolkit::CDrawContext* drawContext() const override { return painting ? context : nullptr; }
  bool editorSize(int32_t& w, int32_t& h) const override {
    if (!hasEditor) return false;
    w = 400;
    h = 400;
    return true;
  }
  std::vector<Toolkit::CFontDesc*>& fontCache() override { return fonts; }
};

}  // namespace brimtrace_test
