// Counts heap allocations in a window: operator new in the test executable and the C
// heap (malloc, calloc, realloc), for the executable and a loaded plug-in. One
// allocation counts once.
#pragma once

namespace alloc_count {
// Routes the module's own heap calls through the counter where the platform needs it
// (Windows: the library carries its own C++ runtime and imports the C heap).
void watchModule(void* module);
void start();
long long stop();  // allocations since start()
}  // namespace alloc_count
