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
  kept_[slot - 1].reset();
}

void Settings::SetKeepingBytes(int slot, TaggedValue value, std::string bytes) {
  if (slot < 1 || slot > kSlotCount) return;
  slots_[slot - 1] = std::move(value);
  kept_[slot - 1] = std::move(bytes);
}

const std::string* Settings::KeptBytes(int slot) const {
  if (slot < 1 || slot > kSlotCount || !kept_[slot - 1]) return nullptr;
  return &*kept_[slot - 1];
}

bool IsProgramSlot(int slot) {
  return (slot >= 10 && slot <= 18) || (slot >= 20 && slot <= 24) || (slot >= 31 && slot <= 37) ||
         (slot >= 51 && slot <= 54);
}

uint8_t JpegQualityOf(const Settings& settings) {
  const auto quality = ToUInt8(settings.Number(slot::kJpegQuality));
  if (!quality || *quality < 1 || *quality > 100) return 100;
  return *quality;
}

}  // namespace velmor
