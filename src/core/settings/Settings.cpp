#include "core/settings/Settings.h"

#include "core/base/NumberRules.h"

namespace velmor {

const TaggedValue& Settings::Get(int slot) const {
  static const TaggedValue kEmpty{};
  if (slot < 1 || slot > kSlotCount) return kEmpty;
  return slots_[slot - 1];
}

void Settings::Set(int slot, TaggedValue value) {
  if (slot < 1 || slot > kSlotCount) return;
  slots_[slot - 1] = std::move(value);
}

uint8_t JpegQualityOf(const Settings& settings) {
  const auto quality = ToUInt8(settings.Number(slot::kJpegQuality));
  if (!quality || *quality < 1 || *quality > 100) return 100;
  return *quality;
}

}  // namespace velmor
