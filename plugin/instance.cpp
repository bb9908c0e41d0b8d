#include "plugin/instance.h"

#include <memory>

#include "effect/fablo_effect.h"
#include "plugin/runtime_hooks.h"
#include "plugin/zelk.h"

AEffect* createBrimtraceInstance(audioMasterCallback audioMaster) {
  // An exception must not reach the host: a failed allocation refuses the instance.
  try {
    auto effect = std::make_unique<TFabloEffect>();
    const char* name = "QUILLMERE - Brimtrace logarithmic - 20260721";
    effect->effectName = name;
    effect->productName = name;
    effect->programName = name;
    effect->vendorName = "QUILLMERE";
    effect->vendorVersion = 1000;
    effect->uniqueId = 6248;
    effect->ioChannels = 2;

    CZelk* plugin = CZelk::create(effect.get(), effectHooksFor<TFabloEffect>(), audioMaster, 1,
                                  static_cast<int32_t>(effect->sliders.size()));
    if (!plugin) return nullptr;      // the effect is released with its holder
    effect.release()->zelk = plugin;  // the plug-in object owns the effect from here on
    return plugin->getAeffect();
  } catch (...) {
    return nullptr;
  }
}
