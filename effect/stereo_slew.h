// The analyzer's per-block slew measurement in vector lanes: the largest slew of one
// channel over a block, computed with independent lanes and accumulators on the baseline
// x86-64 instruction set (SSE2) or, where the processor offers it, AVX2, chosen at run time.
#pragma once
#include <cstddef>
#include <cstdint>

// Largest |x[i] - x[i-1]| for i = 1 .. n-1, each difference in double precision, when every
// sample and every difference is finite (then it equals what the per-frame computation
// finds); false otherwise, and the caller measures the block frame by frame instead.
// With an output (never an input of either channel), the samples are also copied there,
// whatever the answer. Nothing allocated.
struct SlewKernels {
  // Single-precision samples: slews found in single precision, the exact double re-derived
  // where the single-precision maximum occurs. Needs IEEE subnormals (no flush-to-zero and
  // no denormals-are-zero in the caller's MXCSR).
  bool (*floatPeak)(const float* x, float* out, int32_t n, double& peak);
  // Single-precision samples widened to double in the lanes: any MXCSR.
  bool (*floatPeakWide)(const float* x, float* out, int32_t n, double& peak);
  bool (*doublePeak)(const double* x, double* out, int32_t n, double& peak);
};

enum class StereoPath { kSse2, kAvx2 };

// The kernels of a path, or null when this processor lacks it.
const SlewKernels* slewKernels(StereoPath path);

// The path instances take: AVX2 where offered, else SSE2. BRIMTRACE_AUDIO_PATH=sse2 (or
// avx2) forces one for measurements; read once per process, at the first instance.
StereoPath defaultStereoPath();

// True when the calling thread's MXCSR flushes subnormal results or reads subnormal
// inputs as zero (hosts often set both on their audio threads).
bool flushesSubnormals();
