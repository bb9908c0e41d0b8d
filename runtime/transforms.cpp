// Split-radix FFT, pointwise complex product and windowed MDCT on effect memory, with
// the process-wide tables they read.
#include "runtime/transforms.h"

#include <algorithm>
#include <bit>
#include <bitset>
#include <cmath>
#include <mutex>
#include <utility>
#include <vector>

#include "runtime/script_memory.h"
#include "runtime/script_value.h"

std::atomic<int32_t> tablesBuilt{0};

namespace {

constexpr int32_t kMinRootTable = 32, kMaxFft = 32768;
constexpr double kPi = 3.14159265358979323846;

int32_t log2Of(int32_t n) { return std::countr_zero(static_cast<uint32_t>(n)); }

constexpr int32_t entriesFor(int32_t n) { return n <= 512 ? n / 4 - 1 : n / 8 - 1; }

// Root tables of sizes 32..32768 one after the other; offsets in complex entries.
constexpr int32_t rootOffset(int32_t n) {
  int32_t offset = 0;
  for (int32_t m = kMinRootTable; m < n; m *= 2) offset += entriesFor(m);
  return offset;
}
constexpr int32_t kRootEntries = rootOffset(2 * kMaxFft);

double constants[6];
double roots[2 * kRootEntries];
int32_t permutations[2 * kMaxFft - 2];  // P_n starts at n - 2
std::once_flag buildOnce;
std::atomic<int32_t> buildCount{0};

bool isPowerOfTwo(int32_t n) { return n > 0 && (n & (n - 1)) == 0; }

// --- FFT ---------------------------------------------------------------------

struct Root {
  double c, s;
};

// (cos(2 pi j / n), sin(2 pi j / n)) for 0 <= j < n/4, from the constants and tables.
inline Root rootOf(int32_t n, int32_t j, const double* table) {
  if (j == 0) return {1.0, 0.0};
  const double half = constants[4];
  if (n == 8) return {half, half};
  if (n == 16) {
    if (j == 2) return {half, half};
    return j == 1 ? Root{constants[0], constants[2]} : Root{constants[2], constants[0]};
  }
  if (n <= 512) return {table[2 * (j - 1)], table[2 * (j - 1) + 1]};
  // Larger tables hold the first eighth of the circle; the second is its mirror.
  const int32_t eighth = n / 8;
  if (j < eighth) return {table[2 * (j - 1)], table[2 * (j - 1) + 1]};
  if (j == eighth) return {half, half};
  const int32_t m = n / 4 - j;
  return {table[2 * (m - 1) + 1], table[2 * (m - 1)]};
}

// The two-point transform in place; it is its own inverse, times 2.
void pairPass(double* z) {
  const double r = z[0] - z[2], i = z[1] - z[3];
  z[0] += z[2];
  z[1] += z[3];
  z[2] = r;
  z[3] = i;
}

// The four complex points that butterfly j of an n-point pass joins (h = n/2, q = n/4).
struct Quad {
  double *a, *b, *c, *d;
};
Quad quadAt(double* z, int32_t j, int32_t h, int32_t q) {
  return {z + 2 * j, z + 2 * (j + q), z + 2 * (j + h), z + 2 * (j + h + q)};
}

// One in-place split-radix decimation-in-frequency pass with positive-exponent roots:
// position a ends up holding sum_m z[m] e^(+2 pi i m s(a, n) / n).
void forwardPass(double* z, int32_t n) {
  if (n < 2) return;
  if (n == 2) return pairPass(z);
  const int32_t h = n / 2, q = n / 4;
  const double* table = n >= kMinRootTable ? rootTable(n) : nullptr;
  for (int32_t j = 0; j < q; ++j) {
    const auto [a, b, c, d] = quadAt(z, j, h, q);
    const double t1r = a[0] - c[0], t1i = a[1] - c[1];
    const double t2r = b[0] - d[0], t2i = b[1] - d[1];
    a[0] += c[0];
    a[1] += c[1];
    b[0] += d[0];
    b[1] += d[1];
    // Frequencies 4k+1 take (t1 + i t2) w^j, frequencies 4k-1 take (t1 - i t2) w^-j.
    const double u1r = t1r - t2i, u1i = t1i + t2r;
    const double u3r = t1r + t2i, u3i = t1i - t2r;
    const Root w = rootOf(n, j, table);
    c[0] = u1r * w.c - u1i * w.s;
    c[1] = u1r * w.s + u1i * w.c;
    d[0] = u3r * w.c + u3i * w.s;
    d[1] = u3i * w.c - u3r * w.s;
  }
  forwardPass(z, h);
  forwardPass(z + 2 * h, q);
  forwardPass(z + 2 * (h + q), q);
}

// The exact inverse of forwardPass, times n.
void inversePass(double* z, int32_t n) {
  if (n < 2) return;
  if (n == 2) return pairPass(z);
  const int32_t h = n / 2, q = n / 4;
  inversePass(z, h);
  inversePass(z + 2 * h, q);
  inversePass(z + 2 * (h + q), q);
  const double* table = n >= kMinRootTable ? rootTable(n) : nullptr;
  for (int32_t j = 0; j < q; ++j) {
    const auto [a, b, c, d] = quadAt(z, j, h, q);
    const Root w = rootOf(n, j, table);
    const double t1r = c[0] * w.c + c[1] * w.s, t1i = c[1] * w.c - c[0] * w.s;
    const double t3r = d[0] * w.c - d[1] * w.s, t3i = d[0] * w.s + d[1] * w.c;
    const double sr = t1r + t3r, si = t1i + t3i;
    const double dr = t1i - t3i, di = t3r - t1r;  // -i (t1 - t3)
    const double er = a[0], ei = a[1], orr = b[0], oi = b[1];
    a[0] = er + sr;
    a[1] = ei + si;
    c[0] = er - sr;
    c[1] = ei - si;
    b[0] = orr + dr;
    b[1] = oi + di;
    d[0] = orr - dr;
    d[1] = oi - di;
  }
}

// Reorders n complex values in place by the cycles of P_n: gather (out[k] = in[P[k]])
// or its inverse (out[P[k]] = in[k]).
void permute(double* z, int32_t n, bool gather) {
  const int32_t* p = permutationTable(n);
  std::bitset<kMaxFft> done;
  for (int32_t start = 0; start < n; ++start) {
    if (done[static_cast<std::size_t>(start)]) continue;
    if (gather) {
      const double r = z[2 * start], i = z[2 * start + 1];
      for (int32_t k = start;;) {
        done[static_cast<std::size_t>(k)] = true;
        const int32_t next = p[k];
        if (next == start) {
          z[2 * k] = r;
          z[2 * k + 1] = i;
          break;
        }
        z[2 * k] = z[2 * next];
        z[2 * k + 1] = z[2 * next + 1];
        k = next;
      }
    } else {
      double r = z[2 * start], i = z[2 * start + 1];
      int32_t k = start;
      do {
        const int32_t to = p[k];
        std::swap(r, z[2 * to]);
        std::swap(i, z[2 * to + 1]);
        done[static_cast<std::size_t>(to)] = true;
        k = to;
      } while (k != start);
    }
  }
}

// --- MDCT --------------------------------------------------------------------

constexpr int32_t kMinMdct = 32, kMaxMdct = 4096;

struct MdctPlan {
  int32_t size = 0;
  std::vector<double> window;  // size/2 values; the second half is the mirror
  std::vector<double> pre;     // size/8 roots e^(-i pi m / (size/2)) of the folding step
  std::vector<double> post;    // size/8 roots e^(-i pi (4k+1) / (2 size)) after the FFT
  double inverseScale = 0;
};

MdctPlan plans[13];  // by log2 of the size; made on first use, never freed
std::once_flag planOnce[13];

const MdctPlan& planFor(int32_t size) {
  const int32_t bits = log2Of(size);
  std::call_once(planOnce[bits], [&] {
    MdctPlan& plan = plans[bits];
    const int32_t half = size / 2, quarter = size / 4;
    plan.window.resize(static_cast<std::size_t>(half));
    for (int32_t i = 0; i < half; ++i) plan.window[i] = std::sin((i + 0.5) * kPi / size);
    plan.pre.resize(2 * static_cast<std::size_t>(quarter));
    plan.post.resize(2 * static_cast<std::size_t>(quarter));
    for (int32_t m = 0; m < quarter; ++m) {
      const double a = -kPi * m / half, b = -kPi * (4 * m + 1) / (2.0 * size);
      plan.pre[2 * m] = std::cos(a);
      plan.pre[2 * m + 1] = std::sin(a);
      plan.post[2 * m] = std::cos(b);
      plan.post[2 * m + 1] = std::sin(b);
    }
    plan.inverseScale = 4.0 / size;
    plan.size = size;
  });
  return plans[bits];
}

inline double windowAt(const MdctPlan& plan, int32_t n) {
  const int32_t half = plan.size / 2;
  return n < half ? plan.window[n] : plan.window[plan.size - 1 - n];
}

// DCT-IV of length M = size/2 through an FFT of length size/4:
// out[k] = sum_n v[n] cos(pi / M (n + 0.5)(k + 0.5)). z is scratch of M doubles.
void dct4(const MdctPlan& plan, const double* v, double* out, double* z) {
  const int32_t m = plan.size / 2, l = plan.size / 4;
  for (int32_t j = 0; j < l; ++j) {
    const double re = v[2 * j], im = v[m - 1 - 2 * j];
    const double pr = plan.pre[2 * j], pi = plan.pre[2 * j + 1];
    z[2 * j] = re * pr - im * pi;
    z[2 * j + 1] = re * pi + im * pr;
  }
  forwardPass(z, l);
  const int32_t* p = permutationTable(l);
  for (int32_t k = 0; k < l; ++k) {
    // Natural order, negative exponent: position P[k].
    const double zr = z[2 * p[k]], zi = z[2 * p[k] + 1];
    const double qr = plan.post[2 * k], qi = plan.post[2 * k + 1];
    out[2 * k] = zr * qr - zi * qi;
    out[m - 1 - 2 * k] = -(zr * qi + zi * qr);
  }
}

}  // namespace

const double* const rootConstants = constants;

void buildTransformTables() {
  std::call_once(buildOnce, [] {
    constants[0] = 0.9238795325112867;
    constants[1] = 0.9238795325112867;
    constants[2] = 0.3826834323650898;
    constants[3] = 0.38268343236508984;
    constants[4] = 0.7071067811865476;
    constants[5] = 0.7071067811865475;
    for (int32_t n = kMinRootTable; n <= kMaxFft; n *= 2) {
      double* table = roots + 2 * rootOffset(n);
      const double theta = 2 * kPi / n;
      for (int32_t k = 1; k <= entriesFor(n); ++k) {
        table[2 * (k - 1)] = std::cos(k * theta);
        table[2 * (k - 1) + 1] = std::sin(k * theta);
      }
    }
    for (int32_t n = 2; n <= kMaxFft; n *= 2) {
      int32_t* p = permutations + (n - 2);
      p[0] = 0;
      for (int32_t i = 1; i < n; ++i) p[n - splitRadixOrder(i, n)] = i;
    }
    buildCount.fetch_add(1);
    tablesBuilt.store(1, std::memory_order_release);
  });
}

int32_t transformTableBuildCount() { return buildCount.load(); }

int32_t splitRadixOrder(int32_t a, int32_t b) {
  if (b < 3) return a;
  if (a < b / 2) return 2 * splitRadixOrder(a, b / 2);
  a -= b / 2;
  const int32_t c = b / 4;
  if (a < c) return 4 * splitRadixOrder(a, c) + 1;
  return (b - 1) & (4 * splitRadixOrder(a - c, c) - 1);
}

const double* rootTable(int32_t n) {
  if (!isPowerOfTwo(n) || n < kMinRootTable || n > kMaxFft) return nullptr;
  return roots + 2 * rootOffset(n);
}

int32_t rootTableEntries(int32_t n) { return rootTable(n) != nullptr ? entriesFor(n) : 0; }

const int32_t* permutationTable(int32_t n) {
  if (!isPowerOfTwo(n) || n < 2 || n > kMaxFft) return nullptr;
  return permutations + (n - 2);
}

void fftInMemory(ScriptMemory& memory, double index, double size, double mode) {
  const int32_t wanted = toInt(size);
  if (wanted < 16) return;
  const int32_t n = static_cast<int32_t>(std::bit_floor(static_cast<uint32_t>(wanted)));
  const int32_t how = toInt(mode);
  if (n > kMaxFft || (how != 0 && how != 1 && how != 4 && how != 5)) return;
  buildTransformTables();
  int32_t room = 0;
  double* z = memory.span(index, room);
  if (z == nullptr || room < 2 * n) return;  // would run past the end of its block
  switch (how) {
    case 0:
      forwardPass(z, n);
      break;
    case 1:
      inversePass(z, n);
      break;
    case 4:
      permute(z, n, true);
      break;
    case 5:
      permute(z, n, false);
      break;
  }
}

void complexMultiplyInMemory(ScriptMemory& memory, double destination, double source, double count) {
  int32_t values = toInt(count);
  if (values < 2) return;
  int32_t destinationRoom = 0, sourceRoom = 0;
  double* d = memory.span(destination, destinationRoom);
  const double* s = memory.span(source, sourceRoom);
  if (d == nullptr || s == nullptr) return;
  // Only as many values as both blocks hold from their starts.
  values = std::min({values, destinationRoom / 2, sourceRoom / 2}) & ~1;
  for (int32_t i = 0; i < values; ++i) {
    const double a = d[2 * i], b = d[2 * i + 1], c = s[2 * i], e = s[2 * i + 1];
    d[2 * i] = a * c - b * e;
    d[2 * i + 1] = a * e + b * c;
  }
}

void mdctInMemory(ScriptMemory& memory, double index, double size, double direction) {
  const int32_t wanted = toInt(size);
  if (wanted < kMinMdct) return;
  const int32_t n = static_cast<int32_t>(std::bit_floor(static_cast<uint32_t>(wanted)));
  const int32_t how = toInt(direction);
  if (n > kMaxMdct || (how != 0 && how != 1)) return;
  buildTransformTables();
  int32_t room = 0;
  double* x = memory.span(index, room);
  if (x == nullptr || room < n) return;  // would run past the end of its block
  const MdctPlan& plan = planFor(n);
  const int32_t m = n / 2, l = n / 4;
  double v[kMaxMdct / 2], out[kMaxMdct / 2];
  if (how == 0) {
    // Fold the windowed frame (a, b, c, d) into (-c reversed - d, a - b reversed).
    auto xw = [&](int32_t i) { return x[i] * windowAt(plan, i); };
    for (int32_t i = 0; i < l; ++i) {
      v[i] = -xw(3 * l - 1 - i) - xw(3 * l + i);
      v[l + i] = xw(i) - xw(2 * l - 1 - i);
    }
    double scratch[kMaxMdct / 2];
    dct4(plan, v, out, scratch);
    std::copy(out, out + m, x);
  } else {
    std::copy(x, x + m, v);
    double scratch[kMaxMdct / 2];
    dct4(plan, v, out, scratch);
    // Unfold: the transpose of the folding above.
    for (int32_t i = 0; i < n; ++i) {
      double y;
      if (i < l)
        y = out[l + i];
      else if (i < 3 * l)
        y = -out[3 * l - 1 - i];
      else
        y = -out[i - 3 * l];
      x[i] = y * plan.inverseScale * windowAt(plan, i);
    }
  }
}
