// The value rules of effect code and the addressing of its sparse memory.
#include <gtest/gtest.h>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

#include <cmath>
#include <limits>

#include "runtime/script_memory.h"
#include "runtime/script_value.h"

namespace {
constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::nan("");
}  // namespace

TEST(ScriptValue, StoreTruthAndEqualityRules) {
  EXPECT_EQ(sanitize(kNaN), 0.0);
  EXPECT_EQ(sanitize(-kInf), 0.0);
  EXPECT_TRUE(std::signbit(sanitize(-0.0)));
  EXPECT_EQ(sanitize(std::numeric_limits<double>::max()), std::numeric_limits<double>::max());
  EXPECT_TRUE(isTrue(0.00001) && isTrue(-0.00001) && isTrue(kNaN));
  EXPECT_FALSE(isTrue(0.0000099));
  EXPECT_TRUE(isEqual(1, 1.000009));
  EXPECT_FALSE(isEqual(1, 1.00002));
}

TEST(ScriptValue, ToIntBiasesAwayFromZeroThenTruncates) {
  const std::pair<double, int32_t> cases[] = {{2.9999, 3},
                                              {2.99995, 3},
                                              {-0.9999, -1},
                                              {2.9998, 2},
                                              {10.5, 10},
                                              {-0.5, 0},
                                              {-1.7, -1},
                                              {2147483647.0, 2147483647},
                                              {-2147483648.0, INT32_MIN},
                                              {3e9, INT32_MIN},
                                              {-3e9, INT32_MIN},
                                              {kNaN, INT32_MIN}};
  for (auto [value, expected] : cases) EXPECT_EQ(toInt(value), expected) << value;
}

TEST(ScriptValue, LoopsStopAtTheLimitEachTimeTheyAreReached) {
  for (int pass = 0; pass < 2; ++pass) {
    int64_t runs = 0;
    loopTestAfter([&] { ++runs; }, [] { return true; });
    EXPECT_EQ(runs, loopLimit);
    runs = 0;
    loopTestFirst([] { return 1.0; }, [&] { ++runs; });
    EXPECT_EQ(runs, loopLimit);
  }
  int runs = 0;
  loopTestAfter([&] { ++runs; }, [] { return false; });  // body runs before the test
  EXPECT_EQ(runs, 1);
  loopTestFirst([] { return 0.0000099; }, [&] { ++runs; });  // false: never runs
  EXPECT_EQ(runs, 1);
}

TEST(ScriptMemory, AddressingAcrossBlocksAndSigns) {
  ScriptMemory m;
  EXPECT_EQ(&m.cell(65535, 1), &m.cell(0, 65536));  // offsets carry into block 1
  EXPECT_EQ(&m.cell(65536, 0), &m.cell(0, 65536));
  EXPECT_NE(&m.cell(-1, 0), &m.cell(65535, 0));
  EXPECT_EQ(&m.cell(-65536, 0) + 65535, &m.cell(-1, 0));  // -1: block -1, entry 65535
  EXPECT_EQ(&m.cell(2.99995, 0), &m.cell(3, 0));
  EXPECT_EQ(&m.cell(2.9998, 0), &m.cell(2, 0));
  EXPECT_EQ(&m.cell(-0.5, 0), &m.cell(0, 0));
  EXPECT_EQ(&m.cell(10, 0.5), &m.cell(10, 0));
  double* lowest = &m.cell(-32768.0 * 65536, 0);  // block -32768, entry 0
  for (double beyond : {3e9, kNaN, kInf, -2147483648.0}) EXPECT_EQ(&m.cell(beyond, 0), lowest);
}

TEST(ScriptMemory, BlocksAreZeroOnFirstTouchAndStayPutUntilClear) {
  ScriptMemory m;
  EXPECT_EQ(m.cell(123456, 0), 0.0);
  EXPECT_EQ(m.blockCount(), 1u);
  double& held = m.cell(5, 0);
  store(held, 4.5);
  for (int b = 1; b < 40; ++b) m.cell(b * 65536.0, 0);
  EXPECT_EQ(&held, &m.cell(5, 0));
  EXPECT_EQ(held, 4.5);
  int32_t room = 0;
  EXPECT_EQ(m.span(65536 + 65530, room), &m.cell(65536 + 65530, 0));
  EXPECT_EQ(room, 6);
  m.clear();
  EXPECT_EQ(m.blockCount(), 0u);
  EXPECT_EQ(m.cell(5, 0), 0.0);
}

#if defined(__linux__)
// A block comes zeroed from the system: only the pages touched become resident.
TEST(ScriptMemory, UntouchedPagesOfABlockAreNotResident) {
  ScriptMemory m;
  for (int i = 0; i < 200; ++i) store(m.cell(0, i), 0);
  EXPECT_EQ(m.cell(0, 65535), 0.0);
  const long page = sysconf(_SC_PAGESIZE);
  unsigned char resident[65536 * 8 / 4096] = {};
  ASSERT_LE(65536 * 8 / page, long(sizeof resident));
  ASSERT_EQ(mincore(&m.cell(0, 0), 65536 * 8, resident), 0);
  int pages = 0;
  for (long p = 0; p < 65536 * 8 / page; ++p) pages += resident[p] & 1;
  EXPECT_LE(pages, 2);
}
#endif
