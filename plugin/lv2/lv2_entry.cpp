// The LV2 binary's exported entries: the plug-in's descriptor and its UI's. One library
// carries both, so the UI reaches the very objects of the instance it shows.
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/ui/ui.h>

#include <cstring>

#include "plugin/lv2/lv2_instance.h"
#include "plugin/lv2/lv2_ui.h"

namespace {
Lv2Instance* self(LV2_Handle handle) { return static_cast<Lv2Instance*>(handle); }

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features) {
  return Lv2Instance::create(rate, features);
}
void connectPort(LV2_Handle h, uint32_t port, void* data) { self(h)->connect(port, data); }
void activate(LV2_Handle h) { self(h)->activate(); }
void run(LV2_Handle h, uint32_t frames) { self(h)->run(frames); }
void deactivate(LV2_Handle h) { self(h)->deactivate(); }
void cleanup(LV2_Handle h) { delete self(h); }

LV2_State_Status save(LV2_Handle h, LV2_State_Store_Function store, LV2_State_Handle handle, uint32_t,
                      const LV2_Feature* const*) {
  return self(h)->save(store, handle);
}
LV2_State_Status restore(LV2_Handle h, LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                         uint32_t, const LV2_Feature* const*) {
  return self(h)->restore(retrieve, handle);
}
const LV2_State_Interface stateInterface{save, restore};

const void* extensionData(const char* uri) {
  if (uri && std::strcmp(uri, LV2_STATE__interface) == 0) return &stateInterface;
  return nullptr;
}

const LV2_Descriptor descriptor{lv2_uris::kPlugin, instantiate, connectPort,  activate, run,
                                deactivate,        cleanup,     extensionData};
}  // namespace

extern "C" {
__attribute__((visibility("default"))) const LV2_Descriptor* lv2_descriptor(uint32_t index) {
  return index == 0 ? &descriptor : nullptr;
}
__attribute__((visibility("default"))) const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
  return index == 0 ? lv2UiDescriptor() : nullptr;
}
}
