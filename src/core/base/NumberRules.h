// The number rules every part of Velmor shares: integer conversion rounds a half to the even
// neighbour, and the number in a text is its leading decimal number (0 when there is none).
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace velmor {

// Whether two values are the same to the bit: -0 and 0 differ, a NaN is itself.
template <typename T>
bool SameBits(const T& a, const T& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// Nearest integer, a half to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
double RoundHalfEven(double value);

// Conversions that fail (nullopt) when the rounded value does not fit, or is NaN.
std::optional<int16_t> ToInt16(double value);
std::optional<int32_t> ToInt32(double value);
// ToInt16, or the nearest end of the range for a value beyond it; 0 for NaN.
int16_t SaturatedInt16(double value);
std::optional<uint8_t> ToUInt8(double value);

// The leading decimal number of a text: leading blanks skipped, an optional sign, digits with an
// optional fraction. "5x" gives 5, "abc" and "" give 0, ".5" gives 0.5, "-3.25kg" gives -3.25.
double LeadingNumber(std::string_view text);

// The whole text (blanks around it allowed) read as one decimal number; nullopt otherwise.
std::optional<double> WholeNumber(std::string_view text);

// Decimal text of a number, period as separator in any locale, shortest form that reads back
// to the same value, never in exponent form: 9, 10.5, -0.25.
std::string FormatNumber(double value);
std::string FormatNumber(float value);
std::string FormatInteger(int64_t value);

}  // namespace velmor
