// Numbered texts and the number formatting of drawNumber.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "runtime/fablo.h"
#include "runtime/strings.h"

TEST(StringTables, LookupCreatesEmptyEntriesThatResetDrops) {
  TFablo fx;
  EXPECT_EQ(fx.stringAt(5), "");
  EXPECT_EQ(fx.stringTable.size(), 1u);
  fx.stringAt(toInt(10001 - 0.00005)) = "v";
  EXPECT_EQ(fx.stringAt(toInt(10001 - 0.0001)), "v");
  EXPECT_EQ(fx.stringAt(toInt(10001 - 0.0002)), "");  // 10000
  fx.fileNameAt(0) = "a.png";
  fx.reset();
  EXPECT_TRUE(fx.stringTable.empty());
  EXPECT_EQ(fx.fileNameAt(0), "a.png");  // file names live as long as the instance
}

TEST(FormatNumber, PrintsFixedNotationWithThePrecisionOfToInt) {
  EXPECT_EQ(formatNumber(3.14159, 2), "3.14");
  EXPECT_EQ(formatNumber(7, 0), "7");
  EXPECT_EQ(formatNumber(1, -1), "1.000000");
  EXPECT_EQ(formatNumber(2, 0.9999), "2.0");
  EXPECT_EQ(formatNumber(-2.5, 1), "-2.5");
  EXPECT_EQ(formatNumber(20260721, 0), "20260721");
  EXPECT_EQ(formatNumber(1234567.891, 1), "1234567.9");
  EXPECT_EQ(formatNumber(1, std::nan("")), "1.000000");  // toInt(NaN) is negative
}

TEST(FormatNumber, NonFiniteValuesPrintAsTheCLibraryDoes) {
  std::string text = formatNumber(std::numeric_limits<double>::infinity(), 2);
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_NE(text.find("inf"), std::string::npos) << text;
  text = formatNumber(std::nan(""), 2);
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_NE(text.find("nan"), std::string::npos) << text;
}

TEST(FormatNumber, LongTextsAreCutTo255CharactersWithoutOverrun) {
  // Reference: the full text from a buffer large enough for any double.
  auto full = [](double value, int precision) {
    std::vector<char> big(4096);
    std::snprintf(big.data(), big.size(), "%.*f", precision, value);
    return std::string(big.data());
  };
  const struct {
    double value, decimals;
  } cases[] = {{1e300, 0}, {-1.7976931348623157e308, 3}, {1.0 / 3, 400},
               {5e-324, 1100}, {0.1, 2000000000.0}, {1e260, 1}};
  for (const auto& c : cases) {
    char out[kNumberTextSize];
    std::memset(out, 'x', sizeof out);
    const std::size_t length = formatNumber(c.value, c.decimals, out);
    EXPECT_EQ(length, 255u);
    EXPECT_EQ(out[255], '\0');
    const int precision = toInt(c.decimals) > 1100 ? 1100 : toInt(c.decimals);
    EXPECT_EQ(std::string(out), full(c.value, precision).substr(0, 255)) << c.value;
  }
  EXPECT_EQ(formatNumber(0.1, 2000000000.0).substr(0, 12), "0.1000000000");
  // A text of exactly 255 characters is kept whole.
  EXPECT_EQ(formatNumber(1, 253).size(), 255u);
  EXPECT_EQ(formatNumber(1, 252).size(), 254u);
}
