// The Brimtrace effect as every format's adapter makes it: the analyzer with its names,
// vendor and channels.
#pragma once
#include <memory>

#include "effect/fablo_effect.h"

std::unique_ptr<TFabloEffect> makeBrimtraceEffect();  // throws std::bad_alloc
