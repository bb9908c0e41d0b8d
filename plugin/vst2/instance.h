// Making one complete Brimtrace instance for a host: effect, plug-in object and editor.
#pragma once
#include "plugin/vst2/vst2.h"

// The instance's effect record, or null when the host refuses (no callback, or 0 to its
// version query) or the instance cannot be made; nothing is left behind then.
AEffect* createBrimtraceInstance(audioMasterCallback audioMaster);
