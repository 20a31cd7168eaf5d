#include "settings/Settings.h"

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

}  // namespace velmor
