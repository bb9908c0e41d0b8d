// The value rules of effect code and the addressing of its sparse memory.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "runtime/script_memory.h"
#include "runtime/script_value.h"

namespace {
constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::nan("");
}  // namespace

TEST(ScriptValue, SanitizeZeroesOnlyNonFiniteValues) {
  EXPECT_EQ(sanitize(kNaN), 0.0);
  EXPECT_EQ(sanitize(kInf), 0.0);
  EXPECT_EQ(sanitize(-kInf), 0.0);
  EXPECT_TRUE(std::signbit(sanitize(-0.0)));
  EXPECT_EQ(sanitize(std::numeric_limits<double>::max()), std::numeric_limits<double>::max());
  EXPECT_EQ(sanitize(std::numeric_limits<double>::denorm_min()),
            std::numeric_limits<double>::denorm_min());
}

TEST(ScriptValue, ToIntBiasesAwayFromZeroThenTruncates) {
  EXPECT_EQ(toInt(2.9999), 3);
  EXPECT_EQ(toInt(2.99995), 3);
  EXPECT_EQ(toInt(-0.9999), -1);
  EXPECT_EQ(toInt(2.9998), 2);
  EXPECT_EQ(toInt(10.5), 10);
  EXPECT_EQ(toInt(-0.5), 0);
  EXPECT_EQ(toInt(-1.7), -1);
  EXPECT_EQ(toInt(-0.0), 0);
  EXPECT_EQ(toInt(2147483647.0), 2147483647);
  EXPECT_EQ(toInt(-2147483648.0), INT32_MIN);
  EXPECT_EQ(toInt(3000000000.0), INT32_MIN);
  EXPECT_EQ(toInt(-3000000000.0), INT32_MIN);
  EXPECT_EQ(toInt(kNaN), INT32_MIN);
  EXPECT_EQ(toInt(kInf), INT32_MIN);
}

TEST(ScriptValue, TruthAndEqualityUseTheEpsilon) {
  EXPECT_TRUE(isTrue(0.00001));
  EXPECT_FALSE(isTrue(0.0000099));
  EXPECT_TRUE(isTrue(-0.00001));
  EXPECT_FALSE(isTrue(0.0));
  EXPECT_TRUE(isTrue(kNaN));
  EXPECT_TRUE(isEqual(1, 1.000009));
  EXPECT_FALSE(isEqual(1, 1.00002));
  EXPECT_FALSE(isEqual(kNaN, kNaN));
}

TEST(ScriptValue, LoopsStopAtTheLimitAndRestartTheirCount) {
  int64_t runs = 0;
  loopTestAfter([&] { ++runs; }, [] { return true; });
  EXPECT_EQ(runs, loopLimit);
  runs = 0;
  loopTestFirst([] { return 1.0; }, [&] { ++runs; });
  EXPECT_EQ(runs, loopLimit);
  // The count is local to one execution of the loop.
  runs = 0;
  loopTestFirst([] { return 1.0; }, [&] { ++runs; });
  EXPECT_EQ(runs, loopLimit);

  // Test-after runs its body before the first test; test-first does not.
  runs = 0;
  loopTestAfter([&] { ++runs; }, [] { return false; });
  EXPECT_EQ(runs, 1);
  runs = 0;
  loopTestFirst([] { return 0.0000099; }, [&] { ++runs; });
  EXPECT_EQ(runs, 0);
  // An early end by the condition is unaffected.
  double i = 0;
  loopTestFirst([&] { return i < 10; }, [&] { i = i + 1; });
  EXPECT_EQ(i, 10);
}

TEST(ScriptMemory, OffsetsCarryIntoTheNextBlock) {
  ScriptMemory m;
  m.cell(65535, 1) = 7;
  EXPECT_EQ(m.cell(0, 65536), 7);
  EXPECT_EQ(m.cell(65536, 0), 7);
  EXPECT_EQ(&m.cell(65535, 1), &m.cell(65536, 0));
  EXPECT_EQ(m.blockCount(), 1u);
}

TEST(ScriptMemory, NegativeIndicesHaveCellsOfTheirOwn) {
  ScriptMemory m;
  m.cell(-1, 0) = 1;
  m.cell(65535, 0) = 2;
  EXPECT_EQ(m.cell(-1, 0), 1);
  EXPECT_EQ(m.cell(65535, 0), 2);
  EXPECT_EQ(m.blockCount(), 2u);
  // Index -1 is the last entry of block -1: one below index 0 is 65536 doubles away
  // from entry 0 of block -1.
  EXPECT_EQ(&m.cell(-65536, 0) + 65535, &m.cell(-1, 0));
}

TEST(ScriptMemory, IndicesConvertWithToInt) {
  ScriptMemory m;
  EXPECT_EQ(&m.cell(2.99995, 0), &m.cell(3, 0));
  EXPECT_EQ(&m.cell(2.9998, 0), &m.cell(2, 0));
  EXPECT_EQ(&m.cell(-0.5, 0), &m.cell(0, 0));
  EXPECT_EQ(&m.cell(10, 0.5), &m.cell(10, 0));
  double* lowest = &m.cell(-2147483648.0, 0);
  EXPECT_EQ(&m.cell(3000000000.0, 0), lowest);
  EXPECT_EQ(&m.cell(kNaN, 0), lowest);
  EXPECT_EQ(&m.cell(kInf, 0), lowest);
  EXPECT_EQ(&m.cell(-32768.0 * 65536, 0), lowest);  // block -32768, entry 0
}

TEST(ScriptMemory, ReadsCreateZeroBlocksThatStayPutUntilClear) {
  ScriptMemory m;
  EXPECT_EQ(m.cell(123456, 0), 0.0);
  EXPECT_EQ(m.blockCount(), 1u);
  double& held = m.cell(5, 0);
  store(held, 4.5);
  for (int b = 1; b < 40; ++b) m.cell(b * 65536.0, 0);  // many new blocks
  EXPECT_EQ(&held, &m.cell(5, 0));
  EXPECT_EQ(held, 4.5);

  store(m.cell(6, 0), kNaN);
  store(m.cell(7, 0), -kInf);
  store(m.cell(8, 0), -0.0);
  EXPECT_EQ(m.cell(6, 0), 0.0);
  EXPECT_EQ(m.cell(7, 0), 0.0);
  EXPECT_TRUE(std::signbit(m.cell(8, 0)));

  m.clear();
  EXPECT_EQ(m.blockCount(), 0u);
  EXPECT_EQ(m.cell(5, 0), 0.0);
}

TEST(ScriptMemory, SpanReportsTheRoomLeftInTheBlock) {
  ScriptMemory m;
  int32_t room = 0;
  double* start = m.span(65536 + 65530, room);
  EXPECT_EQ(room, 6);
  EXPECT_EQ(start, &m.cell(65536 + 65530, 0));
  m.span(-1, room);
  EXPECT_EQ(room, 1);
  m.span(0, room);
  EXPECT_EQ(room, 65536);
}
