#include "raster/InkChains.h"

namespace velmor::platform {

InkChains::InkChains() {
  // Every sequence's tables are made once and never move: Apply reads them without the lock.
  tables_.reserve(kMost + 1);
  Clear();
}

void InkChains::Clear() {
  const std::lock_guard lock(guard_);
  next_.clear();
  tables_.clear();
  Tables& none = tables_.emplace_back();
  for (auto& channel : none)
    for (int v = 0; v < 256; ++v) channel[size_t(v)] = uint8_t(v);
  overflowed_.store(false, std::memory_order_relaxed);
}

uint8_t InkChains::Then(uint8_t from, uint32_t rgb) {
  const std::lock_guard lock(guard_);
  const auto key = std::make_pair(from, rgb & 0xFFFFFFu);
  if (const auto found = next_.find(key); found != next_.end()) return found->second;
  if (from >= tables_.size() || tables_.size() > size_t(kMost)) {
    overflowed_.store(true, std::memory_order_relaxed);
    return 0;
  }
  const Tables before = tables_[from];
  Tables& after = tables_.emplace_back();
  // The pixel's red byte is multiplied by the colour's red (its low byte), and so on.
  for (int c = 0; c < 3; ++c) {
    const uint32_t factor = (rgb >> (8 * c)) & 0xFFu;
    for (int v = 0; v < 256; ++v)
      after[size_t(c)][size_t(v)] = uint8_t((before[size_t(c)][size_t(v)] * factor + 127) / 255);
  }
  const auto id = uint8_t(tables_.size() - 1);
  next_.emplace(key, id);
  return id;
}

}  // namespace velmor::platform
