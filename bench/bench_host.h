// The host side of the benchmarks, beside the robustness tests' playing host
// (robust::startInstance) and process measures (robust::residentBytes): closing an
// instance, and the machine the figures come from.
#pragma once
#include <cstdint>

#include "plugin/vst2.h"
#include "tests/robust/measure.h"
#include "tests/robust/plugin_host.h"

namespace bench {

// Suspend and effClose.
void closeInstance(AEffect* effect);

// One line naming the machine: cores and processor model.
const char* machine();

}  // namespace bench
