// Number formatting for the text that drawNumber draws.
#pragma once
#include <cstddef>
#include <string>

// Room for the formatted text: at most 255 characters and the terminating zero.
inline constexpr std::size_t kNumberTextSize = 256;

// The text of printf's "%.*f" with the precision toInt(decimals): fixed notation, a
// negative precision prints six decimals. A longer text is cut to its first 255
// characters. Writes into out and returns the length.
std::size_t formatNumber(double value, double decimals, char (&out)[kNumberTextSize]);
std::string formatNumber(double value, double decimals);
