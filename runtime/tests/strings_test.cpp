// Numbered texts and the number formatting of drawNumber.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/fablo.h"
#include "runtime/strings.h"

TEST(StringTables, LookupCreatesEmptyEntriesThatResetDrops) {
  TFablo fx;
  EXPECT_EQ(fx.stringAt(5), "");
  EXPECT_EQ(fx.stringTable.size(), 1u);
  fx.fileNameAt(0) = "a.png";
  fx.reset();
  EXPECT_TRUE(fx.stringTable.empty());
  EXPECT_EQ(fx.fileNameAt(0), "a.png");  // file names live as long as the instance
}

TEST(FormatNumber, FixedNotationWithThePrecisionOfToInt) {
  EXPECT_EQ(formatNumber(3.14159, 2), "3.14");
  EXPECT_EQ(formatNumber(7, 0), "7");
  EXPECT_EQ(formatNumber(1, -1), "1.000000");
  EXPECT_EQ(formatNumber(2, 0.9999), "2.0");
  EXPECT_EQ(formatNumber(-2.5, 1), "-2.5");
  EXPECT_EQ(formatNumber(1, std::nan("")), "1.000000");  // toInt(NaN) is negative
}

TEST(FormatNumber, LongTextsAreCutTo255CharactersWithoutOverrun) {
  const struct {
    double value, decimals;
  } cases[] = {{1e300, 0}, {-1.7976931348623157e308, 3}, {1.0 / 3, 400}, {5e-324, 1100}, {0.1, 2000000000.0}};
  for (const auto& c : cases) {
    char out[kNumberTextSize];
    std::memset(out, 'x', sizeof out);
    EXPECT_EQ(formatNumber(c.value, c.decimals, out), 255u);
    EXPECT_EQ(out[255], '\0');
    // The kept text is the start of the full text.
    std::vector<char> full(4096);
    std::snprintf(full.data(), full.size(), "%.*f", std::min(toInt(c.decimals), 1100), c.value);
    EXPECT_EQ(std::string(out), std::string(full.data()).substr(0, 255)) << c.value;
  }
  EXPECT_EQ(formatNumber(1, 253).size(), 255u);  // exactly 255 is kept whole
}
