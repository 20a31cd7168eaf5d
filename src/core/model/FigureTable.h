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

// Columns of every figure row.
inline constexpr int kKind = 0, kX1 = 1, kY1 = 2, kX2 = 3, kY2 = 4;
// Columns of segment, rectangle and circle rows (text rows give 5 to 11 other meanings).
inline constexpr int kLineWidth = 5, kLineStyle = 6, kLineColor = 7, kFillColor = 8, kFillStyle = 9;
inline constexpr int kArrow = 10;         // segment: 1 = arrow head at the end point
inline constexpr int kRadius = kX2;       // circle
inline constexpr int kEllipseRatio = 10;  // circle

// Columns of text rows.
namespace text {
inline constexpr int kString = 3, kFontName = 4, kFontSize = 5, kBold = 6, kColor = 7,
                     kBoxColor = 8, kBoxFillStyle = 9, kAngle = 10, kItalic = 11;
}

// Columns of mosaic rows: the rectangle's corners, and the edge of its square blocks in picture
// pixels (kept in the row so that a later pen width does not change a mosaic already made).
namespace mosaic {
inline constexpr int kX1 = 1, kY1 = 2, kX2 = 3, kY2 = 4, kBlock = 5;
}

// Columns of numbered marker rows, laid out as a text row's where they mean the same.
namespace marker {
inline constexpr int kX = 1, kY = 2, kNumber = 3, kFontName = 4, kFontSize = 5, kBold = 6,
                     kNumberColor = 7, kFillColor = 8, kRadius = 10, kItalic = 11;
}

// Columns of highlighter rows: a stroke from the first point to the second, or (kBox 1) the
// axis-aligned box they span; the thickness across a stroke in picture pixels; the pen colour
// that the multiplying colour is made from.
namespace highlight {
inline constexpr int kX1 = 1, kY1 = 2, kX2 = 3, kY2 = 4, kThickness = 5, kColor = 7, kBox = 10;
}

// Columns of the undo record, row 1001. Each saved figure keeps X1, Y1, X2, Y2 in four columns
// from its Points column on; the second figure is saved only by the two-segment trim.
namespace undo {
inline constexpr int kTool = 0, kRow1 = 1, kPoints1 = 2, kRow2 = 6, kPoints2 = 7, kKind = 11;
}

// Kinds.
inline constexpr int kSegment = 1, kRectangle = 2, kCircle = 3, kText = 4, kMosaic = 5, kMarker = 6,
                     kHighlight = 7, kDeleted = 999;
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
