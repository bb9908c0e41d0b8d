// The transform tables, and the in-memory transforms against direct evaluation of their
// defining sums on random data.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include "runtime/script_memory.h"
#include "runtime/transforms.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
using Complex = std::complex<double>;

std::vector<double> randomValues(std::size_t count, unsigned seed) {
  std::mt19937 generator(seed);
  std::uniform_real_distribution<double> uniform(-1, 1);
  std::vector<double> values(count);
  for (double& v : values) v = uniform(generator);
  return values;
}

void put(ScriptMemory& m, double index, const std::vector<double>& values) {
  for (std::size_t i = 0; i < values.size(); ++i) m.cell(index, double(i)) = values[i];
}

std::vector<double> get(ScriptMemory& m, double index, std::size_t count) {
  std::vector<double> values(count);
  for (std::size_t i = 0; i < count; ++i) values[i] = m.cell(index, double(i));
  return values;
}

// sum_n x[n] e^(sign 2 pi i n k / N) for one k.
Complex dftBin(const std::vector<double>& interleaved, int k, int sign) {
  const std::size_t n = interleaved.size() / 2;
  Complex sum = 0;
  for (std::size_t j = 0; j < n; ++j) {
    const double angle = sign * 2 * kPi * double((j * std::size_t(k)) % n) / double(n);
    sum += Complex(interleaved[2 * j], interleaved[2 * j + 1]) * std::polar(1.0, angle);
  }
  return sum;
}

}  // namespace

TEST(TransformTables, BuildOnceAndHoldTheDocumentedContents) {
  buildTransformTables();
  buildTransformTables();
  EXPECT_EQ(tablesBuilt.load(), 1);
  EXPECT_EQ(transformTableBuildCount(), 1);

  EXPECT_EQ(rootConstants[0], 0.9238795325112867);
  EXPECT_EQ(rootConstants[1], 0.9238795325112867);
  EXPECT_EQ(rootConstants[2], 0.3826834323650898);
  EXPECT_EQ(rootConstants[3], 0.38268343236508984);
  EXPECT_EQ(rootConstants[4], 0.7071067811865476);
  EXPECT_EQ(rootConstants[5], 0.7071067811865475);

  EXPECT_EQ(rootTable(32)[0], 0.9807852804032304);
  EXPECT_EQ(rootTable(32)[1], 0.19509032201612825);
  const int expectedEntries[] = {7, 15, 31, 63, 127, 127, 255, 511, 1023, 2047, 4095};
  int slot = 0;
  for (int n = 32; n <= 32768; n *= 2) {
    EXPECT_EQ(rootTableEntries(n), expectedEntries[slot++]) << n;
    const double* table = rootTable(n);
    for (int k = 1; k <= rootTableEntries(n); ++k) {
      ASSERT_EQ(table[2 * (k - 1)], std::cos(k * (2 * kPi / n))) << n << " " << k;
      ASSERT_EQ(table[2 * (k - 1) + 1], std::sin(k * (2 * kPi / n))) << n << " " << k;
    }
  }
  EXPECT_EQ(rootTable(16), nullptr);
  EXPECT_EQ(rootTable(65536), nullptr);
  EXPECT_EQ(rootTable(48), nullptr);
}

TEST(TransformTables, PermutationsFollowTheSplitRadixOrder) {
  buildTransformTables();
  const int s8[] = {0, 4, 2, 6, 1, 5, 7, 3};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(splitRadixOrder(i, 8), s8[i]);
  EXPECT_EQ(std::vector<int32_t>(permutationTable(2), permutationTable(2) + 2),
            (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(std::vector<int32_t>(permutationTable(4), permutationTable(4) + 4),
            (std::vector<int32_t>{0, 3, 1, 2}));
  EXPECT_EQ(std::vector<int32_t>(permutationTable(8), permutationTable(8) + 8),
            (std::vector<int32_t>{0, 6, 3, 5, 1, 7, 2, 4}));
  // Each P_n is a permutation, stored right after the previous one.
  for (int n = 2; n <= 32768; n *= 2) {
    const int32_t* p = permutationTable(n);
    if (n > 2) {
      EXPECT_EQ(p, permutationTable(n / 2) + n / 2);
    }
    std::vector<bool> seen(std::size_t(n), false);
    for (int i = 0; i < n; ++i) {
      ASSERT_TRUE(p[i] >= 0 && p[i] < n);
      ASSERT_FALSE(seen[std::size_t(p[i])]);
      seen[std::size_t(p[i])] = true;
    }
  }
  EXPECT_EQ(permutationTable(1), nullptr);
  EXPECT_EQ(permutationTable(65536), nullptr);
}

TEST(Fft, ForwardThenReorderIsTheDftWithNegativeExponent) {
  for (int n = 16; n <= 2048; n *= 2) {
    ScriptMemory m;
    const std::vector<double> x = randomValues(2 * std::size_t(n), unsigned(n));
    put(m, 70000, x);  // entry 4464 of block 1
    fftInMemory(m, 70000, n, 0);
    fftInMemory(m, 70000, n, 4);
    const std::vector<double> y = get(m, 70000, 2 * std::size_t(n));
    for (int k = 0; k < n; ++k) {
      const Complex expected = dftBin(x, k, -1);
      ASSERT_NEAR(y[2 * k], expected.real(), 1e-11 * n) << n << " bin " << k;
      ASSERT_NEAR(y[2 * k + 1], expected.imag(), 1e-11 * n) << n << " bin " << k;
    }
  }
}

TEST(Fft, InverseTakesTheReorderedSpectrumAndIsUnscaled) {
  for (int n = 16; n <= 2048; n *= 4) {
    ScriptMemory m;
    const std::vector<double> spectrum = randomValues(2 * std::size_t(n), unsigned(n + 1));
    put(m, 0, spectrum);
    fftInMemory(m, 0, n, 5);
    fftInMemory(m, 0, n, 1);
    const std::vector<double> y = get(m, 0, 2 * std::size_t(n));
    for (int k = 0; k < n; ++k) {
      const Complex expected = dftBin(spectrum, k, +1);
      ASSERT_NEAR(y[2 * k], expected.real(), 1e-11 * n) << n << " at " << k;
      ASSERT_NEAR(y[2 * k + 1], expected.imag(), 1e-11 * n) << n << " at " << k;
    }
  }
}

TEST(Fft, LargestSizeRoundTripsAndMatchesSampledBins) {
  const int n = 32768;
  ScriptMemory m;
  const std::vector<double> x = randomValues(2 * std::size_t(n), 7);
  put(m, 0, x);
  fftInMemory(m, 0, n, 0);
  fftInMemory(m, 0, n, 4);
  std::vector<double> y = get(m, 0, 2 * std::size_t(n));
  for (int k : {0, 1, 2, 1000, 4095, 4096, 4097, 8191, 8192, 16384, 20000, 32767}) {
    const Complex expected = dftBin(x, k, -1);
    EXPECT_NEAR(y[2 * k], expected.real(), 1e-9) << k;
    EXPECT_NEAR(y[2 * k + 1], expected.imag(), 1e-9) << k;
  }
  fftInMemory(m, 0, n, 5);
  fftInMemory(m, 0, n, 1);
  y = get(m, 0, 2 * std::size_t(n));
  for (std::size_t i = 0; i < y.size(); ++i) ASSERT_NEAR(y[i] / n, x[i], 1e-12) << i;
}

TEST(Fft, SizesAndModesOutsideTheRangeDoNothing) {
  ScriptMemory m;
  const std::vector<double> x = randomValues(256, 3);
  put(m, 0, x);
  fftInMemory(m, 0, 8, 0);     // too small
  fftInMemory(m, 0, 15.9, 0);  // toInt 15
  fftInMemory(m, 0, 65536, 0);
  fftInMemory(m, 0, 16, 2);
  fftInMemory(m, 0, 16, 3);
  fftInMemory(m, 0, 16, -1);
  EXPECT_EQ(get(m, 0, 256), x);

  // 100 rounds down to 64: values past 128 doubles are untouched.
  fftInMemory(m, 0, 100, 0);
  const std::vector<double> after = get(m, 0, 256);
  EXPECT_NE(std::vector<double>(after.begin(), after.begin() + 128),
            std::vector<double>(x.begin(), x.begin() + 128));
  EXPECT_EQ(std::vector<double>(after.begin() + 128, after.end()),
            std::vector<double>(x.begin() + 128, x.end()));
}

TEST(Fft, DataRunningPastItsBlockIsRefused) {
  ScriptMemory m;
  const double index = 65536 - 63;  // 63 doubles left in block 0
  const std::vector<double> x = randomValues(63, 4);
  put(m, index, x);
  fftInMemory(m, index, 32, 0);  // needs 64 doubles
  EXPECT_EQ(get(m, index, 63), x);
  EXPECT_EQ(m.cell(65536, 0), 0.0);  // block 1 untouched
  fftInMemory(m, index, 16, 4);  // 32 doubles fit
  EXPECT_NE(get(m, index, 63), x);
}

TEST(ComplexMultiply, PairwiseProductsInPlace) {
  ScriptMemory m;
  const std::vector<double> a = randomValues(12, 5), b = randomValues(12, 6);
  put(m, 1000, a);
  put(m, 200000, b);  // another block
  complexMultiplyInMemory(m, 1000, 200000, 5);  // rounds down to 4
  const std::vector<double> y = get(m, 1000, 12);
  for (int i = 0; i < 4; ++i) {
    const Complex expected = Complex(a[2 * i], a[2 * i + 1]) * Complex(b[2 * i], b[2 * i + 1]);
    EXPECT_DOUBLE_EQ(y[2 * i], expected.real());
    EXPECT_DOUBLE_EQ(y[2 * i + 1], expected.imag());
  }
  EXPECT_EQ(std::vector<double>(y.begin() + 8, y.end()),
            std::vector<double>(a.begin() + 8, a.end()));
  EXPECT_EQ(get(m, 200000, 12), b);

  // Squares when source and destination are the same.
  put(m, 0, {3, 4, 0, 1});
  complexMultiplyInMemory(m, 0, 0, 2);
  EXPECT_EQ(get(m, 0, 4), (std::vector<double>{-7, 24, -1, 0}));

  put(m, 0, {3, 4});
  complexMultiplyInMemory(m, 0, 0, 1);  // below 2: nothing
  EXPECT_EQ(get(m, 0, 2), (std::vector<double>{3, 4}));
}

TEST(ComplexMultiply, StopsAtTheEndOfEitherBlock) {
  ScriptMemory m;
  const double destination = 65536 - 6;  // room for 3 values, so 2 are multiplied
  put(m, destination, {1, 1, 1, 1, 1, 1});
  put(m, 0, {2, 0, 2, 0, 2, 0, 2, 0});
  complexMultiplyInMemory(m, destination, 0, 4);
  EXPECT_EQ(get(m, destination, 6), (std::vector<double>{2, 2, 2, 2, 1, 1}));
  EXPECT_EQ(m.cell(65536, 0), 0.0);
}

namespace {

double window(int n, int size) { return std::sin((n + 0.5) * kPi / size); }
double kernel(int n, int k, int size) {
  const double half = size / 2.0;
  return std::cos(kPi / half * (n + 0.5 + half / 2) * (k + 0.5));
}

}  // namespace

TEST(Mdct, ForwardAndInverseMatchTheirDefiningSums) {
  for (int size : {32, 64, 256, 4096}) {
    ScriptMemory m;
    const std::vector<double> x = randomValues(std::size_t(size), unsigned(size));
    put(m, 5, x);
    mdctInMemory(m, 5, size, 0);
    const std::vector<double> coefficients = get(m, 5, std::size_t(size));
    for (int k = 0; k < size / 2; ++k) {
      double expected = 0;
      for (int n = 0; n < size; ++n) expected += window(n, size) * x[n] * kernel(n, k, size);
      ASSERT_NEAR(coefficients[k], expected, 1e-12 * size) << size << " coefficient " << k;
    }
    // The second half is left as it was.
    EXPECT_EQ(coefficients[size / 2], x[size / 2]);

    const std::vector<double> spectrum = randomValues(std::size_t(size / 2), unsigned(size + 9));
    put(m, 5, spectrum);
    mdctInMemory(m, 5, size, 1);
    const std::vector<double> y = get(m, 5, std::size_t(size));
    for (int n = 0; n < size; ++n) {
      double expected = 0;
      for (int k = 0; k < size / 2; ++k) expected += spectrum[k] * kernel(n, k, size);
      expected *= 4.0 / size * window(n, size);
      ASSERT_NEAR(y[n], expected, 1e-12 * size) << size << " sample " << n;
    }
  }
}

TEST(Mdct, OverlapAddOfHalfOverlappingFramesRestoresTheSignal) {
  const int size = 128, hop = size / 2;
  const std::vector<double> signal = randomValues(std::size_t(hop * 6), 11);
  std::vector<double> rebuilt(signal.size(), 0.0);
  ScriptMemory m;
  for (int start = 0; start + size <= int(signal.size()); start += hop) {
    put(m, 0, std::vector<double>(signal.begin() + start, signal.begin() + start + size));
    mdctInMemory(m, 0, size, 0);
    mdctInMemory(m, 0, size, 1);
    const std::vector<double> frame = get(m, 0, std::size_t(size));
    for (int i = 0; i < size; ++i) rebuilt[std::size_t(start + i)] += frame[std::size_t(i)];
  }
  // Every sample covered by two frames comes back.
  for (std::size_t i = hop; i + hop < signal.size(); ++i) {
    ASSERT_NEAR(rebuilt[i], signal[i], 1e-12) << i;
  }
}

TEST(Mdct, OtherSizesDirectionsAndOverrunsDoNothing) {
  ScriptMemory m;
  const std::vector<double> x = randomValues(64, 12);
  put(m, 0, x);
  mdctInMemory(m, 0, 16, 0);
  mdctInMemory(m, 0, 8192, 0);
  mdctInMemory(m, 0, 64, 2);
  mdctInMemory(m, 0, 64, -1);
  EXPECT_EQ(get(m, 0, 64), x);
  mdctInMemory(m, 65536 - 63, 64, 0);  // 64 values would run past block 0
  EXPECT_EQ(m.cell(65536, 0), 0.0);
  put(m, 0, x);
  mdctInMemory(m, 0, 100, 0);  // rounds down to 64
  EXPECT_NE(get(m, 0, 32), std::vector<double>(x.begin(), x.begin() + 32));
  EXPECT_EQ(get(m, 0, 64)[40], x[40]);
}
