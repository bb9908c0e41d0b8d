// Paints a plug-in's picture into an offscreen bitmap the way the editor's view does:
// a fresh drawing context per paint, the plug-in's drawContext set around the effect's
// draw hook. Used where no window can be opened (benchmarks, soak and thread tests).
#pragma once
#include "gui/bitmap.h"
#include "gui/offscreen_context.h"
#include "plugin/vst2/vst2.h"
#include "plugin/vst2/zelk.h"

class EditorPaint {
public:
  explicit EditorPaint(AEffect* effect, int32_t width = 400, int32_t height = 400)
      : plugin_(pluginOf(effect)), bitmap_(new Toolkit::CBitmap(width, height)) {}
  ~EditorPaint() { bitmap_->release(); }
  EditorPaint(const EditorPaint&) = delete;
  EditorPaint& operator=(const EditorPaint&) = delete;

  void paint() { paintInto(plugin_, bitmap_); }

  // One paint of plugin's picture into bitmap, over what the last paint left there: the
  // view paints nothing of its own, and no background is filled (as on Windows, where the
  // editor draws straight into its window).
  static void paintInto(CZelk* plugin, Toolkit::CBitmap* bitmap) {
    auto* context = new Toolkit::COffscreenContext(bitmap);
    if (plugin->getHooks().draw) {
      plugin->setDrawContext(context);
      plugin->getHooks().draw(plugin, bitmap->getWidth(), bitmap->getHeight());
      plugin->setDrawContext(nullptr);
    }
    context->release();
  }
  static CZelk* pluginOf(AEffect* effect) {
    return static_cast<CZelk*>(static_cast<AudioEffect*>(effect->object));
  }

  Toolkit::CBitmap* bitmap() const { return bitmap_; }
  CZelk* plugin() const { return plugin_; }

private:
  CZelk* plugin_;
  Toolkit::CBitmap* bitmap_;
};
