// What the benchmarks add to the test support's playing host and process measures
// (tests/support): the machine the figures come from.
#pragma once
#include "tests/support/in_process.h"
#include "tests/support/measure.h"

namespace bench {

// One line naming the machine: cores and processor model.
const char* machine();

}  // namespace bench
