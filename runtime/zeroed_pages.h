// Memory taken zeroed straight from the system: its pages read as zeros and become
// resident only when first written, so storage that is seldom or never used costs
// neither the time to clear it nor resident memory.
#pragma once
#include <cstddef>

// Null when the system refuses.
void* takeZeroedPages(std::size_t bytes);
void releaseZeroedPages(void* pages, std::size_t bytes);
