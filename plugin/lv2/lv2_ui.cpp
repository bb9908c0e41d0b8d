#include "plugin/lv2/lv2_ui.h"

#include <lv2/atom/atom.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <cstring>
#include <optional>

#include "gui/frame.h"
#include "plugin/lv2/lv2_instance.h"
#include "plugin/shared/display_scale_choice.h"
#include "plugin/shared/effect_view.h"
#include "runtime/fablo.h"

namespace {

const void* feature(const LV2_Feature* const* features, const char* uri) {
  for (; features && *features; ++features)
    if (std::strcmp((*features)->URI, uri) == 0) return (*features)->data;
  return nullptr;
}

class Lv2Editor final : public Toolkit::ToolkitEditorInterface, public EditorSide {
public:
  static Lv2Editor* create(const LV2_Feature* const* features, LV2UI_Widget* widget);
  ~Lv2Editor() override;

  int idle();  // 1 once the window is gone
  uint32_t setOptions(const LV2_Options_Option* options);

  // The window's screen changed resolution: followed unless the override or the host's
  // factor holds the scale.
  bool followScale(Toolkit::DisplayScale scale) override;
  void repaint() override {
    if (view_) view_->invalid();
  }
  void pictureSize(int32_t& width, int32_t& height) const override {
    width = TFablo::kEditorWidth;
    height = TFablo::kEditorHeight;
  }

private:
  Lv2Editor(Lv2Instance& instance, const LV2UI_Resize* resize) : instance_(instance), resize_(resize) {}
  void askSize(Toolkit::DisplayScale scale);

  Lv2Instance& instance_;
  const LV2UI_Resize* resize_;
  Toolkit::CFrame* frame_ = nullptr;
  EffectView* view_ = nullptr;  // owned by the frame
  std::optional<double> hostScale_;
  LV2_URID scaleKey_ = 0, floatType_ = 0;
};

Lv2Editor* Lv2Editor::create(const LV2_Feature* const* features, LV2UI_Widget* widget) {
  auto* instance = static_cast<Lv2Instance*>(const_cast<void*>(feature(features, LV2_INSTANCE_ACCESS_URI)));
  void* parent = const_cast<void*>(feature(features, LV2_UI__parent));
  const auto* map = static_cast<const LV2_URID_Map*>(feature(features, LV2_URID__map));
  if (!instance || !parent) return nullptr;
  auto* editor =
      new Lv2Editor(*instance, static_cast<const LV2UI_Resize*>(feature(features, LV2_UI__resize)));
  if (map) {
    editor->scaleKey_ = map->map(map->handle, LV2_UI__scaleFactor);
    editor->floatType_ = map->map(map->handle, LV2_ATOM__Float);
    editor->setOptions(static_cast<const LV2_Options_Option*>(feature(features, LV2_OPTIONS__options)));
  }
  // BRIMTRACE_SCALE, then the host's factor, then the resolution of the host's window.
  Toolkit::DisplayScale scale = Toolkit::platform::windowScale(parent);
  if (const auto forced = scaleOverride()) {
    scale = Toolkit::DisplayScale(*forced);
  } else if (editor->hostScale_) {
    scale = Toolkit::DisplayScale(*editor->hostScale_);
  }
  const Toolkit::CRect size(0, 0, TFablo::kEditorWidth, TFablo::kEditorHeight);
  editor->frame_ = new Toolkit::CFrame(size, parent, editor, scale);
  if (!editor->frame_->isOpen()) {
    delete editor;
    return nullptr;
  }
  editor->view_ = new EffectView(size, instance->core(), *instance);
  editor->frame_->addView(editor->view_);
  instance->core().attachEditor(editor);
  editor->askSize(scale);
  *widget = editor->frame_->getSystemWindow();
  return editor;
}

Lv2Editor::~Lv2Editor() {
  instance_.core().attachEditor(nullptr);
  view_ = nullptr;
  if (frame_) frame_->release();
}

void Lv2Editor::askSize(Toolkit::DisplayScale scale) {
  if (resize_ && resize_->ui_resize)
    resize_->ui_resize(resize_->handle, scale.deviceLength(TFablo::kEditorWidth),
                       scale.deviceLength(TFablo::kEditorHeight));
}

int Lv2Editor::idle() {
  if (!frame_ || !frame_->isOpen()) return 1;
  instance_.core().idle();  // the effect's repaint pacing
  frame_->idle();
  return 0;
}

uint32_t Lv2Editor::setOptions(const LV2_Options_Option* options) {
  for (; options && options->key; ++options) {
    if (options->key != scaleKey_ || options->type != floatType_ || options->size != sizeof(float) ||
        !options->value)
      continue;
    const float factor = *static_cast<const float*>(options->value);
    if (!Toolkit::DisplayScale::inRange(factor)) continue;
    hostScale_ = factor;
    // An open window follows at once, unless the override holds it.
    if (frame_ && frame_->isOpen() && !scaleOverride()) {
      frame_->setScale(Toolkit::DisplayScale(factor));
      askSize(frame_->getScale());
    }
  }
  return LV2_OPTIONS_SUCCESS;
}

bool Lv2Editor::followScale(Toolkit::DisplayScale scale) {
  if (scaleOverride() || hostScale_) return false;
  askSize(scale);
  return true;
}

Lv2Editor* self(LV2UI_Handle handle) { return static_cast<Lv2Editor*>(handle); }

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*, LV2UI_Write_Function,
                         LV2UI_Controller, LV2UI_Widget* widget, const LV2_Feature* const* features) {
  if (!pluginUri || std::strcmp(pluginUri, lv2_uris::kPlugin) != 0 || !widget) return nullptr;
  try {
    return Lv2Editor::create(features, widget);
  } catch (...) {
    return nullptr;
  }
}
void cleanup(LV2UI_Handle handle) { delete self(handle); }
void portEvent(LV2UI_Handle, uint32_t, uint32_t, uint32_t, const void*) {}

int idle(LV2UI_Handle handle) { return self(handle)->idle(); }
const LV2UI_Idle_Interface idleInterface{idle};

uint32_t getOptions(LV2_Handle, LV2_Options_Option*) { return LV2_OPTIONS_ERR_UNKNOWN; }
uint32_t setOptions(LV2_Handle handle, const LV2_Options_Option* options) {
  return static_cast<Lv2Editor*>(handle)->setOptions(options);
}
const LV2_Options_Interface optionsInterface{getOptions, setOptions};

const void* extensionData(const char* uri) {
  if (!uri) return nullptr;
  if (std::strcmp(uri, LV2_UI__idleInterface) == 0) return &idleInterface;
  if (std::strcmp(uri, LV2_OPTIONS__interface) == 0) return &optionsInterface;
  return nullptr;
}

const LV2UI_Descriptor descriptor{lv2_uris::kUi, instantiate, cleanup, portEvent, extensionData};

}  // namespace

const LV2UI_Descriptor* lv2UiDescriptor() { return &descriptor; }
