// Any bytes as a settings file, and any values as settings to write. Whatever is read, the
// program writes exactly 100 lines, and what it writes reads back as the same values (a string
// the format cannot hold aside) and writes again as the same bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/base/Cp932.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsFile.h"

namespace {

using velmor::Settings;
using velmor::TaggedValue;

void Require(bool condition, int slot, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "settings round trip broken at slot %d: %s\n", slot, what);
  std::abort();
}

bool IsNumber(const TaggedValue& v) {
  return std::holds_alternative<int16_t>(v) || std::holds_alternative<int32_t>(v) ||
         std::holds_alternative<float>(v) || std::holds_alternative<double>(v);
}

double AsDouble(const TaggedValue& v) {
  return std::visit(
      [](const auto& x) -> double {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_arithmetic_v<T> && !std::is_same_v<T, bool>)
          return static_cast<double>(x);
        else
          return 0.0;
      },
      v);
}

// Whether the file format has to alter this text (characters outside CP932, a double quote or a
// line break).
bool TextIsLossy(const std::string& text) {
  bool lossy = false;
  velmor::Utf8ToCp932(text, &lossy);
  return lossy || text.find_first_of("\"\r\n") != std::string::npos;
}

void RequireSameValue(const TaggedValue& written, const TaggedValue& read, int slot) {
  if (velmor::IsEmpty(written)) {
    Require(velmor::IsEmpty(read), slot, "empty slot read back as a value");
  } else if (const auto* flag = std::get_if<bool>(&written)) {
    Require(std::holds_alternative<bool>(read) && std::get<bool>(read) == *flag, slot,
            "boolean changed");
  } else if (const auto* text = std::get_if<std::string>(&written)) {
    Require(std::holds_alternative<std::string>(read), slot, "text read back as another type");
    if (!TextIsLossy(*text)) Require(std::get<std::string>(read) == *text, slot, "text changed");
  } else {
    Require(IsNumber(read), slot, "number read back as another type");
    const double back = AsDouble(read);
    if (const auto* single = std::get_if<float>(&written)) {
      Require((std::isnan(*single) && std::isnan(back)) || static_cast<float>(back) == *single,
              slot, "single changed");
    } else {
      const double value = AsDouble(written);
      Require((std::isnan(value) && std::isnan(back)) || back == value, slot, "number changed");
    }
  }
}

void CheckRoundTrip(const Settings& settings) {
  const std::string file = velmor::SerializeSettings(settings);
  size_t lines = 0;
  for (size_t i = 0; i < file.size(); ++i) {
    if (file[i] == '\r') Require(i + 1 < file.size() && file[i + 1] == '\n', 0, "lone CR");
    if (file[i] == '\n') {
      Require(i > 0 && file[i - 1] == '\r', 0, "lone LF");
      ++lines;
    }
  }
  Require(lines == Settings::kSlotCount && file.ends_with("\r\n"), 0, "not 100 lines");

  const Settings back = velmor::ParseSettings(file);
  for (int slot = 1; slot <= Settings::kSlotCount; ++slot)
    RequireSameValue(settings.Get(slot), back.Get(slot), slot);
  Require(velmor::SerializeSettings(back) == file, 0, "second write differs from the first");
}

// Values of every type, drawn from the input, as the program could hold them.
Settings SettingsFrom(FuzzedDataProvider& input) {
  Settings settings;
  for (int slot = 1; slot <= Settings::kSlotCount && input.remaining_bytes() > 0; ++slot) {
    switch (input.ConsumeIntegralInRange(0, 6)) {
      case 0:
        break;
      case 1:
        settings.Set(slot, input.ConsumeIntegral<int16_t>());
        break;
      case 2:
        settings.Set(slot, input.ConsumeIntegral<int32_t>());
        break;
      // Raw bit patterns, so that NaN, infinities and subnormals come up too.
      case 3:
        settings.Set(slot, std::bit_cast<float>(input.ConsumeIntegral<uint32_t>()));
        break;
      case 4:
        settings.Set(slot, std::bit_cast<double>(input.ConsumeIntegral<uint64_t>()));
        break;
      case 5:
        settings.Set(slot, input.ConsumeBool());
        break;
      default:
        settings.Set(slot, input.ConsumeRandomLengthString(64));
        break;
    }
  }
  return settings;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  CheckRoundTrip(velmor::ParseSettings(bytes));
  FuzzedDataProvider input(data, size);
  CheckRoundTrip(SettingsFrom(input));
  return 0;
}
