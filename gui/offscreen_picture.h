// Draws an effect's picture into a bitmap instead of a window: the editor's paint
// without an editor, for tools, benchmarks and pixel tests.
#pragma once
#include <cstdint>
#include <vector>

#include "gui/bitmap.h"
#include "gui/draw_context.h"
#include "gui/paint_link.h"
#include "runtime/fablo.h"

class OffscreenPicture final : public PaintLink {
public:
  explicit OffscreenPicture(int32_t width = TFablo::kEditorWidth, int32_t height = TFablo::kEditorHeight);
  ~OffscreenPicture();

  // One paint: a new context on the picture (so the drawing state starts from its
  // defaults), the picture cleared to opaque black as the frame's background is, then
  // the effect's drawing section with this object as its plug-in link.
  void drawPass(TFablo& effect);
  bool writePng(const char* path) const;
  Toolkit::CBitmap* bitmap() const { return bitmap_; }

  // A host that answers with fixed values and has an editor of the picture's size.
  float storedSampleRate() const override { return 44100; }
  int32_t storedBlockSize() const override { return 1024; }
  int32_t inputCount() const override { return 2; }
  bool hostTime(int32_t, HostTime&) override { return false; }
  void updateDisplay() override {}
  void setInitialDelay(int32_t) override {}
  void repaintEditor() override {}
  bool editorSize(int32_t& width, int32_t& height) const override;
  Toolkit::CDrawContext* drawContext() const override { return painting_; }
  std::vector<Toolkit::CFontDesc*>& fontCache() override { return fonts_; }

private:
  int32_t width_, height_;
  Toolkit::CBitmap* bitmap_;  // one reference
  Toolkit::CDrawContext* painting_ = nullptr;
  std::vector<Toolkit::CFontDesc*> fonts_;
};

// One drawing pass of the effect into a 400 x 400 picture, written as PNG.
bool renderPicture(TFablo& effect, const char* pngPath);
