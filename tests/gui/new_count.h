// Counts operator new calls in this test executable between start() and stop().
#pragma once

namespace new_count {
void start();
long stop();
}  // namespace new_count
