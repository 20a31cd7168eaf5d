// The figures drawn on the current picture: rows 1 to 1000 hold figures in the order they were
// made, row 1001 is the one-step undo record, columns 0 to 11. Coordinates are image pixels at
// 100 percent.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/base/TaggedValue.h"

namespace velmor {

namespace fig {
inline constexpr int kMaxFigures = 1000;
inline constexpr int kUndoRow = 1001;
inline constexpr int kColumns = 12;
// Column names.
inline constexpr int kKind = 0, kX1 = 1, kY1 = 2, kX2 = 3, kY2 = 4;
// Kinds.
inline constexpr int kSegment = 1, kRectangle = 2, kCircle = 3, kText = 4, kDeleted = 999;
}  // namespace fig

struct FigureTable {
  // Rows 0..1001; row 0 is never used so that row numbers read as they are written.
  std::array<std::array<TaggedValue, fig::kColumns>, fig::kUndoRow + 1> cells{};
  int32_t FigureCount = 0;

  TaggedValue& At(int row, int col) { return cells.at(row).at(col); }
  const TaggedValue& At(int row, int col) const { return cells.at(row).at(col); }
  // Empty cells read as 0, "" or false.
  double Num(int row, int col) const { return NumberOr0(At(row, col)); }
  std::string Text(int row, int col) const { return TextOf(At(row, col)); }
  bool Flag(int row, int col) const { return FlagOf(At(row, col)); }
  int Kind(int row) const { return static_cast<int>(Num(row, fig::kKind)); }
};

}  // namespace velmor
