// Paints a plug-in's picture into an offscreen bitmap the way the editor's view does:
// a fresh drawing context per paint, the plug-in's drawContext set around the effect's
// draw hook. Used where no window can be opened (benchmarks, soak and thread tests).
#pragma once
#include "gui/bitmap.h"
#include "gui/offscreen_context.h"
#include "plugin/vst2.h"
#include "plugin/zelk.h"

class EditorPaint {
public:
  explicit EditorPaint(AEffect* effect, int32_t width = 400, int32_t height = 400)
      : plugin_(static_cast<CZelk*>(static_cast<AudioEffect*>(effect->object))),
        width_(width),
        height_(height),
        bitmap_(new VSTGUI::CBitmap(width, height)) {}
  ~EditorPaint() { bitmap_->release(); }
  EditorPaint(const EditorPaint&) = delete;
  EditorPaint& operator=(const EditorPaint&) = delete;

  void paint() {
    auto* context = new VSTGUI::COffscreenContext(bitmap_);
    context->drawRect(VSTGUI::CRect(0, 0, width_, height_), VSTGUI::kDrawFilled);
    if (plugin_->getHooks().draw) {
      plugin_->setDrawContext(context);
      plugin_->getHooks().draw(plugin_, width_, height_);
      plugin_->setDrawContext(nullptr);
    }
    context->release();
  }

  VSTGUI::CBitmap* bitmap() const { return bitmap_; }
  CZelk* plugin() const { return plugin_; }

private:
  CZelk* plugin_;
  int32_t width_, height_;
  VSTGUI::CBitmap* bitmap_;
};
