// The 100 persisted option slots, numbered 1 to 100.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/base/TaggedValue.h"

namespace velmor {

class Settings {
 public:
  static constexpr int kSlotCount = 100;

  // Slot numbers outside 1..100 read as empty and are not written. Set drops the bytes kept
  // for the slot.
  const TaggedValue& Get(int slot) const;
  void Set(int slot, TaggedValue value);

  // A value together with the bytes it was read from, to be written back as they were.
  void SetKeepingBytes(int slot, TaggedValue value, std::string bytes);
  // The bytes kept for `slot`; null when it has none (it was set, or never read).
  const std::string* KeptBytes(int slot) const;

  double Number(int slot) const { return NumberOr0(Get(slot)); }
  std::string Text(int slot) const { return TextOf(Get(slot)); }
  bool Flag(int slot) const { return FlagOf(Get(slot)); }

  // Compares the values only, not the bytes they came from.
  bool operator==(const Settings& other) const { return slots_ == other.slots_; }

 private:
  std::array<TaggedValue, kSlotCount> slots_{};
  std::array<std::optional<std::string>, kSlotCount> kept_{};
};

// Whether the program itself reads or writes `slot`; the others only pass through the file.
bool IsProgramSlot(int slot);

// Slots the program itself reads or writes.
namespace slot {
inline constexpr int kZoomStep = 10, kLineStyle = 11, kPenWidth = 12, kFrontColor = 13,
                     kFontName = 14, kFontSize = 15, kFontBold = 16, kFontItalic = 17,
                     kBackColor = 18, kEllipseRatio = 20, kFillStyle = 21, kArrowOn = 22,
                     kParallelDistance = 23, kCaptureDelay = 24, kWingAngle = 31, kWingLength = 32,
                     kCircleRadius = 33, kJpegQuality = 34, kSegmentCaption = 35, kFixedCircle = 36,
                     kCaptionPlacement = 37, kCaptureCX = 51, kCaptureCY = 52, kCaptureDX = 53,
                     kCaptureDY = 54;
}

// The JPEG quality to save at, from slot 34. A quality the settings dialog would show as "100"
// (empty, 0, out of range) saves at 100, so that a fresh settings file never stops a save.
uint8_t JpegQualityOf(const Settings& settings);

}  // namespace velmor
