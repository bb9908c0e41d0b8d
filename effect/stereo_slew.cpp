// Lane kernels of the analyzer's slew measurement, and the choice between them.
#include "effect/stereo_slew.h"

#include <immintrin.h>

#include <cstdlib>
#include <cstring>

namespace sse2 {
namespace {

struct Lanes {
  using Doubles = __m128d;
  using Floats = __m128;
  static constexpr int32_t kDoubles = 2, kFloats = 4;
  static Doubles splat(double v) { return _mm_set1_pd(v); }
  static Doubles load(const double* p) { return _mm_loadu_pd(p); }
  static Doubles load(const float* p) {
    return _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))));
  }
  // Stores the two vectors at out + i when there is an output; doubles only (widened
  // floats are copied whole beforehand).
  static void copy(double* out, int32_t i, Doubles a, Doubles b) {
    if (out == nullptr) return;
    _mm_storeu_pd(out + i, a);
    _mm_storeu_pd(out + i + kDoubles, b);
  }
  static void copy(float*, int32_t, Doubles, Doubles) {}
  static Doubles sub(Doubles a, Doubles b) { return _mm_sub_pd(a, b); }
  static Doubles add(Doubles a, Doubles b) { return _mm_add_pd(a, b); }
  static Doubles max(Doubles a, Doubles b) { return _mm_max_pd(a, b); }
  static Doubles andNot(Doubles a, Doubles b) { return _mm_andnot_pd(a, b); }
  static double sumOf(Doubles a) { return _mm_cvtsd_f64(_mm_add_sd(a, _mm_unpackhi_pd(a, a))); }
  static double maxOf(Doubles a) { return _mm_cvtsd_f64(_mm_max_sd(a, _mm_unpackhi_pd(a, a))); }

  static Floats zeroFloats() { return _mm_setzero_ps(); }
  // |x[i] - x[i-1]| for the four frames from p; the samples also stored at out, if any.
  static Floats slews(const float* p, float* out) {
    const __m128 x = _mm_loadu_ps(p);
    if (out != nullptr) _mm_storeu_ps(out, x);
    return _mm_andnot_ps(_mm_set1_ps(-0.0f), _mm_sub_ps(x, _mm_loadu_ps(p - 1)));
  }
  static Floats maxF(Floats a, Floats b) { return _mm_max_ps(a, b); }
  // SSE2 has no 32-bit integer maximum: a sum of the slews carries NaN and infinity.
  static Floats checkF(Floats sum, Floats a, Floats b, Floats c, Floats d) {
    return _mm_add_ps(sum, _mm_add_ps(_mm_add_ps(a, b), _mm_add_ps(c, d)));
  }
  static bool finiteRun(Floats all, Floats sum, float& top) {
    const __m128 big = _mm_set1_ps(3.4028234663852886e38f);
    if (_mm_movemask_ps(_mm_cmple_ps(sum, big)) != 0xF) return false;
    __m128 m = _mm_max_ps(all, _mm_movehl_ps(all, all));
    m = _mm_max_ss(m, _mm_shuffle_ps(m, m, 1));
    top = _mm_cvtss_f32(m);
    return true;
  }
  static unsigned equalLanes(Floats m, float top) {
    return static_cast<unsigned>(_mm_movemask_ps(_mm_cmpeq_ps(m, _mm_set1_ps(top))));
  }
};

#include "effect/stereo_slew_lanes.inc"

}  // namespace
}  // namespace sse2

// Compiled for AVX2 and called only where the processor has it.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif
namespace avx2 {
namespace {

struct Lanes {
  using Doubles = __m256d;
  using Floats = __m256i;  // slews as bit patterns: non-negative floats order as integers
  static constexpr int32_t kDoubles = 4, kFloats = 8;
  static Doubles splat(double v) { return _mm256_set1_pd(v); }
  static Doubles load(const double* p) { return _mm256_loadu_pd(p); }
  static Doubles load(const float* p) { return _mm256_cvtps_pd(_mm_loadu_ps(p)); }
  static void copy(double* out, int32_t i, Doubles a, Doubles b) {
    if (out == nullptr) return;
    _mm256_storeu_pd(out + i, a);
    _mm256_storeu_pd(out + i + kDoubles, b);
  }
  static void copy(float*, int32_t, Doubles, Doubles) {}
  static Doubles sub(Doubles a, Doubles b) { return _mm256_sub_pd(a, b); }
  static Doubles add(Doubles a, Doubles b) { return _mm256_add_pd(a, b); }
  static Doubles max(Doubles a, Doubles b) { return _mm256_max_pd(a, b); }
  static Doubles andNot(Doubles a, Doubles b) { return _mm256_andnot_pd(a, b); }
  static __m128d half(Doubles a) {
    return _mm_add_pd(_mm256_castpd256_pd128(a), _mm256_extractf128_pd(a, 1));
  }
  static double sumOf(Doubles a) {
    const __m128d h = half(a);
    return _mm_cvtsd_f64(_mm_add_sd(h, _mm_unpackhi_pd(h, h)));
  }
  static double maxOf(Doubles a) {
    const __m128d h = _mm_max_pd(_mm256_castpd256_pd128(a), _mm256_extractf128_pd(a, 1));
    return _mm_cvtsd_f64(_mm_max_sd(h, _mm_unpackhi_pd(h, h)));
  }

  static Floats zeroFloats() { return _mm256_setzero_si256(); }
  static Floats slews(const float* p, float* out) {
    const __m256 x = _mm256_loadu_ps(p);
    if (out != nullptr) _mm256_storeu_ps(out, x);
    const __m256 d = _mm256_sub_ps(x, _mm256_loadu_ps(p - 1));
    return _mm256_and_si256(_mm256_castps_si256(d), _mm256_set1_epi32(0x7FFFFFFF));
  }
  // NaN and infinity have the largest patterns, so the maximum also finds them.
  static Floats maxF(Floats a, Floats b) { return _mm256_max_epi32(a, b); }
  static Floats checkF(Floats sum, Floats, Floats, Floats, Floats) { return sum; }
  static bool finiteRun(Floats all, Floats, float& top) {
    __m128i m = _mm_max_epi32(_mm256_castsi256_si128(all), _mm256_extracti128_si256(all, 1));
    m = _mm_max_epi32(m, _mm_shuffle_epi32(m, 0x4E));
    m = _mm_max_epi32(m, _mm_shuffle_epi32(m, 0xB1));
    const int bits = _mm_cvtsi128_si32(m);
    if (bits >= 0x7F800000) return false;
    top = _mm_cvtss_f32(_mm_castsi128_ps(m));
    return true;
  }
  static unsigned equalLanes(Floats m, float top) {
    const __m256i t = _mm256_set1_epi32(_mm_cvtsi128_si32(_mm_castps_si128(_mm_set_ss(top))));
    return static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(m, t))));
  }
};

#include "effect/stereo_slew_lanes.inc"

}  // namespace
}  // namespace avx2
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

namespace {

constexpr SlewKernels kSse2Kernels{&sse2::floatPeak, &sse2::floatPeakWide, &sse2::doublePeak};
constexpr SlewKernels kAvx2Kernels{&avx2::floatPeak, &avx2::floatPeakWide, &avx2::doublePeak};

bool offersAvx2() {
  __builtin_cpu_init();  // may run before the library's constructors
  return __builtin_cpu_supports("avx2");
}

}  // namespace

const SlewKernels* slewKernels(StereoPath path) {
  if (path == StereoPath::kSse2) return &kSse2Kernels;
  static const bool avx2 = offersAvx2();
  return avx2 ? &kAvx2Kernels : nullptr;
}

StereoPath defaultStereoPath() {
  static const StereoPath path = [] {
    const char* forced = std::getenv("BRIMTRACE_AUDIO_PATH");
    if (forced != nullptr && std::strcmp(forced, "sse2") == 0) return StereoPath::kSse2;
    return slewKernels(StereoPath::kAvx2) != nullptr ? StereoPath::kAvx2 : StereoPath::kSse2;
  }();
  return path;
}

bool flushesSubnormals() {
  constexpr unsigned kDenormalsAreZero = 0x0040, kFlushToZero = 0x8000;
  return (_mm_getcsr() & (kDenormalsAreZero | kFlushToZero)) != 0;
}
