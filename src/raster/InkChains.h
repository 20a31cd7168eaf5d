// Highlighter strokes on a layer of ink drawn before the picture under it is known. A pixel that
// only highlighters have reached holds in its top byte the number (1 to kMost) of the sequence
// of multiplying colours laid on it, in order; the layer's other pixels hold 0 (untouched) or a
// colour with a top byte of 0xFF. Laying the layer over a picture makes each such pixel the
// picture's pixel multiplied by each colour of its sequence in turn, rounded at every step, as
// drawing the highlighters on the picture would have.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace velmor::platform {

class InkChains {
 public:
  static constexpr int kMost = 254;

  InkChains();
  // Forgets every sequence.
  void Clear();
  // The number of sequence `from` (0: none) followed by a multiply by `rgb` (packed RGB as the
  // canvas takes it); 0 once there are more than kMost sequences, and Overflowed is set.
  // Safe from several threads.
  uint8_t Then(uint8_t from, uint32_t rgb);
  // Whether no sequence has been recorded. Not to be called while Then may run.
  bool Empty() const { return tables_.size() <= 1; }
  bool Overflowed() const { return overflowed_.load(std::memory_order_relaxed); }
  // `under` (a 32-bit pixel) as sequence `id` leaves it; the top byte is kept. Not to be called
  // while Then may run.
  uint32_t Apply(uint8_t id, uint32_t under) const {
    const auto& t = tables_[id];
    return (under & 0xFF000000u) | uint32_t(t[0][(under >> 16) & 0xFFu]) << 16 |
           uint32_t(t[1][(under >> 8) & 0xFFu]) << 8 | t[2][under & 0xFFu];
  }

 private:
  // Per sequence, per channel as the pixel holds them (red, green, blue): each value's product.
  using Tables = std::array<std::array<uint8_t, 256>, 3>;
  std::mutex guard_;
  std::map<std::pair<uint8_t, uint32_t>, uint8_t> next_;
  std::vector<Tables> tables_;  // [0]: no multiply
  std::atomic<bool> overflowed_{false};
};

}  // namespace velmor::platform
