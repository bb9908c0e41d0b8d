// Transforms that effect code can apply to its memory: a complex split-radix FFT of
// power-of-two size with its reordering step, a pointwise complex product and a windowed
// MDCT. Root and permutation tables are process-wide, built on first use, never freed.
#pragma once
#include <atomic>
#include <cstdint>

class ScriptMemory;

// 1 once the tables are complete (set at the end of the build, so that a thread that
// sees 1 also sees the tables).
extern std::atomic<int32_t> tablesBuilt;

// Builds the root and permutation tables. Safe from any thread; the build runs once per
// process and later calls return at once. The transforms call it themselves.
void buildTransformTables();
// How many times the build has run in this process (1 after the first call).
int32_t transformTableBuildCount();

// s(a, b): the output position a of an in-place split-radix pass of size b holds
// frequency s(a, b).
int32_t splitRadixOrder(int32_t a, int32_t b);

// The six root constants: cos(pi/8) twice, sin(pi/8) in its two roundings, sqrt(1/2) in
// its two roundings.
extern const double* const rootConstants;

// Root table of FFT size n (32..32768): entry k - 1 holds (cos(2 pi k / n), sin(2 pi k / n))
// as two doubles, for k = 1 .. rootTableEntries(n). Null for other sizes.
const double* rootTable(int32_t n);
int32_t rootTableEntries(int32_t n);  // n/4 - 1 up to 512, n/8 - 1 from 1024; 0 otherwise

// Permutation P_n (n = 2, 4, ..., 32768; n entries), null for other sizes.
const int32_t* permutationTable(int32_t n);

// In place on size complex values (interleaved re, im) starting at the cell index; size
// is rounded down to a power of two and must lie in 16..32768.
//   mode 0: forward transform; the result is in split-radix order, and mode 4 then gives
//           X[k] = sum_n x[n] e^(-2 pi i n k / size) in natural order;
//   mode 1: inverse, unscaled: takes split-radix order (a spectrum after mode 5) and
//           gives sum_k X[k] e^(+2 pi i n k / size), that is size times the signal;
//   mode 4: split-radix order to natural order (out[k] = in[P[k]]); mode 5: back.
// Other modes, other sizes, and data that would run past the end of its memory block do
// nothing.
void fftInMemory(ScriptMemory& memory, double index, double size, double mode);

// Multiplies count complex values at the cell destination by those at the cell source,
// pairwise, in place. count is rounded down to an even number (nothing below 2) and cut
// to what fits in both memory blocks.
void complexMultiplyInMemory(ScriptMemory& memory, double destination, double source, double count);

// Windowed MDCT of size N (rounded down to a power of two, 32..4096) at the cell index,
// with the sine window w(n) = sin((n + 0.5) pi / N) and c(n, k) = cos(pi / (N/2) *
// (n + 0.5 + N/4) * (k + 0.5)):
//   direction 0: X[k] = sum_n w(n) x[n] c(n, k), k < N/2, replacing the first N/2 values;
//   direction 1: y[n] = (4 / N) w(n) sum_k X[k] c(n, k) from N/2 values, giving N values.
// Overlap-adding the inverse of frames taken every N/2 samples restores the signal.
// Other directions, other sizes, and data that would run past its block do nothing.
void mdctInMemory(ScriptMemory& memory, double index, double size, double direction);
