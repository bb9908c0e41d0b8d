#include "plugin/vst2/instance.h"

#include "plugin/shared/brimtrace_effect.h"
#include "plugin/vst2/runtime_hooks.h"
#include "plugin/vst2/zelk.h"

AEffect* createBrimtraceInstance(audioMasterCallback audioMaster) {
  // An exception must not reach the host: a failed allocation refuses the instance.
  try {
    auto effect = makeBrimtraceEffect();

    CZelk* plugin = CZelk::create(effect.get(), effectHooksFor<TFabloEffect>(), audioMaster, 1,
                                  static_cast<int32_t>(effect->sliders.size()));
    if (!plugin) return nullptr;      // the effect is released with its holder
    effect.release()->zelk = plugin;  // the plug-in object owns the effect from here on
    return plugin->getAeffect();
  } catch (...) {
    return nullptr;
  }
}
