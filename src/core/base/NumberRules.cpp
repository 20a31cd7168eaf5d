#include "core/base/NumberRules.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace velmor {

double RoundHalfEven(double value) {
  if (!std::isfinite(value)) return value;
  return std::nearbyint(value);  // default rounding mode is to nearest, ties to even
}

namespace {
template <typename T>
std::optional<T> ToIntegral(double value) {
  if (std::isnan(value)) return std::nullopt;
  const double r = RoundHalfEven(value);
  if (r < static_cast<double>(std::numeric_limits<T>::min()) ||
      r > static_cast<double>(std::numeric_limits<T>::max()))
    return std::nullopt;
  return static_cast<T>(r);
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Length of the decimal number at the start of text (after blanks), 0 when none.
size_t ScanNumber(std::string_view text, size_t start) {
  size_t i = start;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    size_t j = i + 1, frac = 0;
    while (j < text.size() && IsDigit(text[j])) ++j, ++frac;
    if (frac > 0 || digits > 0) {
      i = j;
      digits += frac;
    }
  }
  return digits > 0 ? i - start : 0;
}

size_t SkipBlanks(std::string_view text, size_t i) {
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  return i;
}

double ParseScanned(std::string_view number) {
  if (!number.empty() && number.front() == '+') number.remove_prefix(1);
  double value = 0;
  auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), value,
                                   std::chars_format::fixed);
  if (ec == std::errc::result_out_of_range)
    return number.front() == '-' ? -std::numeric_limits<double>::infinity()
                                 : std::numeric_limits<double>::infinity();
  return ec == std::errc() ? value : 0.0;
}
}  // namespace

std::optional<int16_t> ToInt16(double value) {
  return ToIntegral<int16_t>(value);
}
std::optional<int32_t> ToInt32(double value) {
  return ToIntegral<int32_t>(value);
}
std::optional<uint8_t> ToUInt8(double value) {
  return ToIntegral<uint8_t>(value);
}

double LeadingNumber(std::string_view text) {
  const size_t start = SkipBlanks(text, 0);
  const size_t len = ScanNumber(text, start);
  return len == 0 ? 0.0 : ParseScanned(text.substr(start, len));
}

std::optional<double> WholeNumber(std::string_view text) {
  const size_t start = SkipBlanks(text, 0);
  const size_t len = ScanNumber(text, start);
  if (len == 0 || SkipBlanks(text, start + len) != text.size()) return std::nullopt;
  return ParseScanned(text.substr(start, len));
}

namespace {
template <typename T>
std::string FormatFloating(T value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
  if (value == 0) return "0";
  char buf[512];
  auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
  if (ec != std::errc()) return "0";
  return std::string(buf, ptr);
}
}  // namespace

std::string FormatNumber(double value) {
  return FormatFloating(value);
}
std::string FormatNumber(float value) {
  return FormatFloating(value);
}
std::string FormatInteger(int64_t value) {
  return std::to_string(value);
}

int16_t SaturatedInt16(double value) {
  if (std::isnan(value)) return 0;
  if (const auto v = ToInt16(value)) return *v;
  return value < 0 ? std::numeric_limits<int16_t>::min() : std::numeric_limits<int16_t>::max();
}

}  // namespace velmor
