// A value that remembers the type it was given: the cells of the settings slots and of the
// figure table. Strings are UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace velmor {

using TaggedValue =
    std::variant<std::monostate, int16_t, int32_t, float, double, bool, std::string>;

inline bool IsEmpty(const TaggedValue& v) {
  return std::holds_alternative<std::monostate>(v);
}

// The value read as a number: empty gives 0, true gives -1 and false 0 (as a Basic program
// counts them), a string gives its whole text as a number or nullopt when it is not one.
std::optional<double> NumberOf(const TaggedValue& v);

// The value read as a number, falling back to 0 where NumberOf has none.
inline double NumberOr0(const TaggedValue& v) {
  return NumberOf(v).value_or(0.0);
}

// The value read as text: empty gives "", numbers their decimal text, booleans "True"/"False".
std::string TextOf(const TaggedValue& v);

// The value read as a flag: empty and 0 give false, other numbers true, strings "True"/"False"
// (any case) or a number.
bool FlagOf(const TaggedValue& v);

}  // namespace velmor
