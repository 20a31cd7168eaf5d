#include "core/base/TaggedValue.h"

#include <algorithm>
#include <cctype>

#include "core/base/NumberRules.h"

namespace velmor {

std::optional<double> NumberOf(const TaggedValue& v) {
  return std::visit(
      [](const auto& x) -> std::optional<double> {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, std::monostate>)
          return 0.0;
        else if constexpr (std::is_same_v<T, bool>)
          return x ? -1.0 : 0.0;
        else if constexpr (std::is_same_v<T, std::string>)
          return WholeNumber(x);
        else
          return static_cast<double>(x);
      },
      v);
}

std::string TextOf(const TaggedValue& v) {
  return std::visit(
      [](const auto& x) -> std::string {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, std::monostate>)
          return {};
        else if constexpr (std::is_same_v<T, bool>)
          return x ? "True" : "False";
        else if constexpr (std::is_same_v<T, std::string>)
          return x;
        else if constexpr (std::is_same_v<T, float> || std::is_same_v<T, double>)
          return FormatNumber(x);
        else
          return FormatInteger(x);
      },
      v);
}

bool FlagOf(const TaggedValue& v) {
  if (const auto* s = std::get_if<std::string>(&v)) {
    std::string lower = *s;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "true") return true;
    if (lower == "false") return false;
  }
  return NumberOf(v).value_or(0.0) != 0.0;
}

}  // namespace velmor
