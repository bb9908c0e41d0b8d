// The transform tables, and the in-memory transforms against direct evaluation of their
// defining sums on random data.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <thread>
#include <vector>

#include "runtime/script_memory.h"
#include "runtime/transforms.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
using Complex = std::complex<double>;
using Values = std::vector<double>;

Values randomValues(std::size_t count, unsigned seed) {
  std::mt19937 generator(seed);
  std::uniform_real_distribution<double> uniform(-1, 1);
  Values values(count);
  for (double& v : values) v = uniform(generator);
  return values;
}

void put(ScriptMemory& m, double index, const Values& values) {
  for (std::size_t i = 0; i < values.size(); ++i) m.cell(index, double(i)) = values[i];
}

Values get(ScriptMemory& m, double index, std::size_t count) {
  Values values(count);
  for (std::size_t i = 0; i < count; ++i) values[i] = m.cell(index, double(i));
  return values;
}

// sum_j z[j] e^(sign 2 pi i j k / n) over interleaved complex values.
Complex dftBin(const Values& z, std::size_t k, int sign) {
  const std::size_t n = z.size() / 2;
  Complex sum = 0;
  for (std::size_t j = 0; j < n; ++j)
    sum += Complex(z[2 * j], z[2 * j + 1]) * std::polar(1.0, sign * 2 * kPi * double(j * k % n) / double(n));
  return sum;
}

void expectDft(const Values& actual, const Values& input, int sign, double tolerance) {
  for (std::size_t k = 0; k < input.size() / 2; ++k) {
    const Complex expected = dftBin(input, k, sign);
    ASSERT_NEAR(actual[2 * k], expected.real(), tolerance) << "n " << input.size() / 2 << " k " << k;
    ASSERT_NEAR(actual[2 * k + 1], expected.imag(), tolerance) << "n " << input.size() / 2 << " k " << k;
  }
}

}  // namespace

// First in this file: nothing has used a transform yet.
TEST(TransformTables, BuiltOnFirstUseOnceWhenTwoThreadsStartAtOnce) {
  ASSERT_EQ(transformTableBuildCount(), 0);

  const Values input = randomValues(2 * 64, 5);
  ScriptMemory one, two;
  put(one, 0, input);
  put(two, 0, input);
  std::thread first([&] { fftInMemory(one, 0, 64, 0); });
  std::thread second([&] { fftInMemory(two, 0, 64, 0); });
  first.join();
  second.join();
  EXPECT_EQ(transformTableBuildCount(), 1);
  EXPECT_EQ(get(one, 0, input.size()), get(two, 0, input.size()));
}

TEST(TransformTables, BuiltOnceWithTheDocumentedContents) {
  buildTransformTables();
  buildTransformTables();
  EXPECT_EQ(tablesBuilt.load(), 1);
  EXPECT_EQ(transformTableBuildCount(), 1);
  EXPECT_EQ(rootConstants[3], 0.38268343236508984);
  EXPECT_EQ(rootConstants[5], 0.7071067811865475);
  EXPECT_EQ(rootTable(32)[0], 0.9807852804032304);
  EXPECT_EQ(rootTable(32)[1], 0.19509032201612825);
  const int expectedEntries[] = {7, 15, 31, 63, 127, 127, 255, 511, 1023, 2047, 4095};
  for (int n = 32, slot = 0; n <= 32768; n *= 2, ++slot) {
    ASSERT_EQ(rootTableEntries(n), expectedEntries[slot]) << n;
    const int k = rootTableEntries(n);  // the last entry
    EXPECT_EQ(rootTable(n)[2 * (k - 1)], std::cos(k * (2 * kPi / n))) << n;
    EXPECT_EQ(rootTable(n)[2 * (k - 1) + 1], std::sin(k * (2 * kPi / n))) << n;
  }
  EXPECT_EQ(rootTable(16), nullptr);

  const int s8[] = {0, 4, 2, 6, 1, 5, 7, 3};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(splitRadixOrder(i, 8), s8[i]);
  auto table = [](int n) { return std::vector<int32_t>(permutationTable(n), permutationTable(n) + n); };
  EXPECT_EQ(table(2), (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(table(4), (std::vector<int32_t>{0, 3, 1, 2}));
  EXPECT_EQ(table(8), (std::vector<int32_t>{0, 6, 3, 5, 1, 7, 2, 4}));
  EXPECT_EQ(permutationTable(32768), permutationTable(16384) + 16384);
}

TEST(Fft, ForwardAndInverseMatchTheDftAtEverySize) {
  for (std::size_t n = 16; n <= 2048; n *= 2) {
    ScriptMemory m;
    // Forward, then natural order: the DFT with negative exponent.
    const Values x = randomValues(2 * n, unsigned(n));
    put(m, 70000, x);  // inside block 1
    fftInMemory(m, 70000, double(n), 0);
    fftInMemory(m, 70000, double(n), 4);
    expectDft(get(m, 70000, 2 * n), x, -1, 1e-11 * double(n));
    // Split-radix order, then inverse: the unscaled DFT with positive exponent.
    const Values spectrum = randomValues(2 * n, unsigned(n + 1));
    put(m, 0, spectrum);
    fftInMemory(m, 0, double(n), 5);
    fftInMemory(m, 0, double(n), 1);
    expectDft(get(m, 0, 2 * n), spectrum, +1, 1e-11 * double(n));
  }
}

TEST(Fft, OutsideSizesModesAndBlockEndsDoNothing) {
  ScriptMemory m;
  const Values x = randomValues(256, 3);
  put(m, 0, x);
  for (double size : {8.0, 15.9, 65536.0}) fftInMemory(m, 0, size, 0);
  for (double mode : {2.0, 3.0, -1.0}) fftInMemory(m, 0, 16, mode);
  EXPECT_EQ(get(m, 0, 256), x);
  fftInMemory(m, 0, 100, 0);  // rounds down to 64 values: 128 doubles
  const Values after = get(m, 0, 256);
  EXPECT_NE(after[0], x[0]);
  EXPECT_EQ(Values(after.begin() + 128, after.end()), Values(x.begin() + 128, x.end()));

  const double nearEnd = 65536 - 63;  // 63 doubles left in block 0
  put(m, nearEnd, Values(63, 1.0));
  fftInMemory(m, nearEnd, 32, 0);  // needs 64
  EXPECT_EQ(get(m, nearEnd, 63), Values(63, 1.0));
  EXPECT_EQ(m.cell(65536, 0), 0.0);
}

TEST(ComplexMultiply, PairwiseInPlaceUpToAnEvenCountThatFits) {
  ScriptMemory m;
  const Values a = randomValues(12, 5), b = randomValues(12, 6);
  put(m, 1000, a);
  put(m, 200000, b);                            // another block
  complexMultiplyInMemory(m, 1000, 200000, 5);  // rounds down to 4
  const Values y = get(m, 1000, 12);
  for (int i = 0; i < 4; ++i) {
    const Complex expected = Complex(a[2 * i], a[2 * i + 1]) * Complex(b[2 * i], b[2 * i + 1]);
    EXPECT_DOUBLE_EQ(y[2 * i], expected.real());
    EXPECT_DOUBLE_EQ(y[2 * i + 1], expected.imag());
  }
  EXPECT_EQ(Values(y.begin() + 8, y.end()), Values(a.begin() + 8, a.end()));

  put(m, 0, {3, 4, 0, 1});
  complexMultiplyInMemory(m, 0, 0, 2);  // the same values: squares
  EXPECT_EQ(get(m, 0, 4), (Values{-7, 24, -1, 0}));
  complexMultiplyInMemory(m, 0, 0, 1);  // below 2: nothing
  EXPECT_EQ(get(m, 0, 2), (Values{-7, 24}));

  const double nearEnd = 65536 - 6;  // room for 3 values: 2 are multiplied
  put(m, nearEnd, Values(6, 1.0));
  put(m, 0, {2, 0, 2, 0, 2, 0, 2, 0});
  complexMultiplyInMemory(m, nearEnd, 0, 4);
  EXPECT_EQ(get(m, nearEnd, 6), (Values{2, 2, 2, 2, 1, 1}));
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
    const Values x = randomValues(std::size_t(size), unsigned(size));
    put(m, 5, x);
    mdctInMemory(m, 5, size, 0);
    const Values coefficients = get(m, 5, std::size_t(size));
    for (int k = 0; k < size / 2; ++k) {
      double expected = 0;
      for (int n = 0; n < size; ++n) expected += window(n, size) * x[n] * kernel(n, k, size);
      ASSERT_NEAR(coefficients[k], expected, 1e-12 * size) << size << " coefficient " << k;
    }
    EXPECT_EQ(coefficients[size / 2], x[size / 2]);  // the second half is left alone

    const Values spectrum = randomValues(std::size_t(size / 2), unsigned(size + 9));
    put(m, 5, spectrum);
    mdctInMemory(m, 5, size, 1);
    const Values y = get(m, 5, std::size_t(size));
    for (int n = 0; n < size; ++n) {
      double expected = 0;
      for (int k = 0; k < size / 2; ++k) expected += spectrum[k] * kernel(n, k, size);
      ASSERT_NEAR(y[n], expected * 4.0 / size * window(n, size), 1e-12 * size) << size << " " << n;
    }
  }
}

TEST(Mdct, OverlapAddOfHalfOverlappingFramesRestoresTheSignal) {
  const int size = 128, hop = size / 2;
  const Values signal = randomValues(std::size_t(hop * 6), 11);
  Values rebuilt(signal.size(), 0.0);
  ScriptMemory m;
  for (int start = 0; start + size <= int(signal.size()); start += hop) {
    put(m, 0, Values(signal.begin() + start, signal.begin() + start + size));
    mdctInMemory(m, 0, size, 0);
    mdctInMemory(m, 0, size, 1);
    const Values frame = get(m, 0, std::size_t(size));
    for (int i = 0; i < size; ++i) rebuilt[std::size_t(start + i)] += frame[std::size_t(i)];
  }
  for (std::size_t i = hop; i + hop < signal.size(); ++i) {  // samples covered twice
    ASSERT_NEAR(rebuilt[i], signal[i], 1e-12) << i;
  }
}

TEST(Mdct, OutsideSizesDirectionsAndBlockEndsDoNothing) {
  ScriptMemory m;
  const Values x = randomValues(64, 12);
  put(m, 0, x);
  for (double size : {16.0, 8192.0}) mdctInMemory(m, 0, size, 0);
  for (double direction : {2.0, -1.0}) mdctInMemory(m, 0, 64, direction);
  EXPECT_EQ(get(m, 0, 64), x);
  mdctInMemory(m, 65536 - 63, 64, 1);  // 64 values would run past block 0
  EXPECT_EQ(m.cell(65536, 0), 0.0);
  mdctInMemory(m, 0, 100, 0);  // rounds down to 64
  EXPECT_NE(m.cell(0, 0), x[0]);
  EXPECT_EQ(m.cell(40, 0), x[40]);
}
