#include "core/edit/FigureStore.h"

#include <algorithm>
#include <cmath>

#include "core/base/NumberRules.h"
#include "core/geometry/Geometry.h"

namespace velmor {

namespace {

constexpr int kUndo = fig::kUndoRow;
namespace record = fig::undo;

bool IsFigureRow(int row) {
  return row >= 1 && row <= fig::kMaxFigures;
}

// Twice the triangle's area (Heron) over its base: the distance from the point to the whole
// line through the segment, so a click beyond an end still scores by the line.
double DistanceToSegmentLine(const FigureTable& table, int row, double x, double y) {
  const double x1 = table.Num(row, fig::kX1), y1 = table.Num(row, fig::kY1);
  const double x2 = table.Num(row, fig::kX2), y2 = table.Num(row, fig::kY2);
  const double base = VectorLength(x2 - x1, y1 - y2);
  if (base == 0) return kUnmeasuredScore;
  const double d1 = VectorLength(x1 - x, y - y1);
  const double d2 = VectorLength(x2 - x, y - y2);
  const double s = (base + d1 + d2) / 2;
  const double product = s * (s - base) * (s - d1) * (s - d2);
  // On the line itself rounding can leave the product a hair below zero.
  if (product < 0) return 0;
  return 2 * std::sqrt(product) / base;
}

// The kinds made by tools 5 to 7, which the drafting edits leave alone.
bool IsMarkupKind(int kind) {
  return kind == fig::kMosaic || kind == fig::kMarker || kind == fig::kHighlight;
}

bool IsHighlightStroke(const FigureTable& table, int row) {
  return table.Kind(row) == fig::kHighlight && table.Num(row, fig::highlight::kBox) != 1;
}

// A highlighter stroke scores as a segment, its box as a rectangle, a marker as a circle.
double FigureScore(const FigureTable& table, int row, int16_t toolMode, double x, double y) {
  if (table.Kind(row) == fig::kSegment || IsHighlightStroke(table, row))
    return DistanceToSegmentLine(table, row, x, y);
  if (toolMode >= tool::kTrimBoth) return kUnmeasuredScore;
  return VectorLength(table.Num(row, fig::kX1) - x, table.Num(row, fig::kY1) - y);
}

bool MovesBothPoints(int kind) {
  return kind == fig::kSegment || kind == fig::kRectangle || kind == fig::kMosaic ||
         kind == fig::kHighlight;
}

void CopyPoints(const FigureTable& from, int fromRow, int fromCol, FigureTable& to, int toRow,
                int toCol) {
  for (int i = 0; i < 4; ++i) to.At(toRow, toCol + i) = from.At(fromRow, fromCol + i);
}

}  // namespace

int16_t NextMarkerNumber(const FigureTable& table) {
  double highest = 0;
  const int last = std::min<int>(table.FigureCount, fig::kMaxFigures);
  for (int row = 1; row <= last; ++row)
    if (table.Kind(row) == fig::kMarker)
      highest = std::max(highest, table.Num(row, fig::marker::kNumber));
  return SaturatedInt16(highest + 1);
}

double MarkerPoints(const TaggedValue& fontSize) {
  const double points = NumberOr0(fontSize);
  return points == 0 ? 10 : points;
}

double MosaicBlockFor(int16_t penWidth) {
  return 4.0 * std::max<int16_t>(penWidth, 1);
}

double HighlightThicknessFor(int16_t penWidth) {
  return 4.0 * std::max<int16_t>(penWidth, 1) + 4;
}

int AppendFigureRow(FigureTable& table, int16_t kind, double x1, double y1, const RowPen& pen) {
  // Row 1001 is the undo record: the table never grows past 1000 figures.
  if (table.FigureCount + 1 > fig::kMaxFigures) return 0;
  const int row = ++table.FigureCount;
  table.At(row, fig::kKind) = kind;
  table.At(row, fig::kX1) = x1;
  table.At(row, fig::kY1) = y1;
  table.At(row, fig::kLineWidth) = pen.LineWidth;
  table.At(row, fig::kLineStyle) = pen.LineStyle;
  table.At(row, fig::kLineColor) = static_cast<int32_t>(pen.LineColor);
  table.At(row, fig::kFillColor) = static_cast<int32_t>(pen.FillColor);
  if (pen.FillStyle) table.At(row, fig::kFillStyle) = *pen.FillStyle;
  return row;
}

bool AddFigure(FigureTable& table, const PanelState& panel, const DragState& drag,
               int16_t zoomPercent, double workAngle, const NewFigureAttributes& attributes) {
  const double toStored = 100.0 / zoomPercent;
  // Counted among the markers before this row joins them.
  const int16_t markerNumber = panel.ToolMode == tool::kMarker ? NextMarkerNumber(table) : 0;
  const RowPen pen{panel.PenWidth, attributes.LineStyleIndex, panel.PenColor, panel.BrushColor,
                   attributes.FillStyleIndex};
  const int row =
      AppendFigureRow(table, panel.ToolMode, drag.StartX * toStored, drag.StartY * toStored, pen);
  if (row == 0) return false;
  auto cell = [&](int col) -> TaggedValue& { return table.At(row, col); };

  switch (panel.ToolMode) {
    case tool::kSegment:
      cell(fig::kX2) = drag.EndX * toStored;
      cell(fig::kY2) = drag.EndY * toStored;
      cell(fig::kArrow) = panel.ArrowOn;
      break;
    case tool::kRectangle:
      cell(fig::kX2) = drag.EndX * toStored;
      cell(fig::kY2) = drag.EndY * toStored;
      break;
    case tool::kCircle:
      cell(fig::kRadius) = drag.CircleRadius * toStored;
      cell(fig::kEllipseRatio) = LeadingNumber(attributes.EllipseRatioText);
      break;
    case tool::kMosaic:
      cell(fig::mosaic::kX2) = drag.EndX * toStored;
      cell(fig::mosaic::kY2) = drag.EndY * toStored;
      cell(fig::mosaic::kBlock) = MosaicBlockFor(panel.PenWidth);
      break;
    case tool::kMarker: {
      cell(fig::marker::kNumber) = markerNumber;
      cell(fig::marker::kFontName) = attributes.FontName;
      cell(fig::marker::kFontSize) = MarkerPoints(attributes.FontSize);
      cell(fig::marker::kBold) = attributes.FontBold;
      cell(fig::marker::kRadius) = attributes.MarkerRadius;
      cell(fig::marker::kItalic) = attributes.FontItalic;
      break;
    }
    case tool::kHighlight:
      cell(fig::highlight::kX2) = drag.EndX * toStored;
      cell(fig::highlight::kY2) = drag.EndY * toStored;
      cell(fig::highlight::kThickness) = HighlightThicknessFor(panel.PenWidth);
      cell(fig::highlight::kBox) = int16_t(attributes.HighlightBox ? 1 : 0);
      break;
    case tool::kText:
      cell(fig::text::kString) = attributes.Text;
      cell(fig::text::kFontName) = attributes.FontName;
      cell(fig::text::kFontSize) = attributes.FontSize;
      cell(fig::text::kBold) = attributes.FontBold;
      cell(fig::text::kAngle) = workAngle;
      cell(fig::text::kItalic) = attributes.FontItalic;
      break;
    default:
      break;
  }
  return true;
}

int16_t FindNearestFigure(const FigureTable& table, int16_t toolMode, int16_t zoomPercent,
                          DragState& drag) {
  drag.PickedFigure = 0;
  if (table.FigureCount == 0) return 0;
  const double toStored = 100.0 / zoomPercent;
  drag.StartX = static_cast<float>(drag.StartX * toStored);
  drag.StartY = static_cast<float>(drag.StartY * toStored);

  double best = 9999999;
  const int last = std::min<int>(table.FigureCount, fig::kMaxFigures);
  for (int row = 1; row <= last; ++row) {
    if (table.Kind(row) == fig::kDeleted) continue;
    if (toolMode >= tool::kTrimBoth && IsMarkupKind(table.Kind(row))) continue;
    const double d = FigureScore(table, row, toolMode, drag.StartX, drag.StartY);
    if (best > d) {
      best = d;
      drag.PickedFigure = static_cast<int16_t>(row);
    }
  }
  return drag.PickedFigure;
}

bool SaveUndoRecord(FigureTable& table, DragState& drag, int16_t toolMode, UndoState& undo) {
  const int first = drag.PickedFigure;
  const bool twoRows = toolMode == tool::kTrimBoth;
  const int second = drag.Picks[1][0];
  if (!IsFigureRow(first) || (twoRows && !IsFigureRow(second))) return false;

  table.At(kUndo, record::kTool) = toolMode;
  table.At(kUndo, record::kRow1) = static_cast<int16_t>(first);
  table.At(kUndo, record::kKind) = table.At(first, fig::kKind);
  CopyPoints(table, first, fig::kX1, table, kUndo, record::kPoints1);
  if (twoRows) {
    drag.PickedFigure = static_cast<int16_t>(second);
    table.At(kUndo, record::kRow2) = static_cast<int16_t>(second);
    CopyPoints(table, second, fig::kX1, table, kUndo, record::kPoints2);
  }
  undo.UndoAvailable = true;
  return true;
}

bool UndoLastEdit(FigureTable& table, DragState& drag, UndoState& undo) {
  if (!undo.UndoAvailable) return false;
  undo.UndoAvailable = false;
  // Only rows of the current picture's figures; anything else would overwrite unrelated cells.
  auto isCurrent = [&](int row) { return IsFigureRow(row) && row <= table.FigureCount; };

  const int first = static_cast<int>(table.Num(kUndo, record::kRow1));
  drag.PickedFigure = static_cast<int16_t>(first);
  if (isCurrent(first)) {
    table.At(first, fig::kKind) = table.At(kUndo, record::kKind);
    CopyPoints(table, kUndo, record::kPoints1, table, first, fig::kX1);
  }
  if (table.Num(kUndo, record::kTool) == tool::kTrimBoth) {
    const int second = static_cast<int>(table.Num(kUndo, record::kRow2));
    drag.PickedFigure = static_cast<int16_t>(second);
    if (isCurrent(second)) CopyPoints(table, kUndo, record::kPoints2, table, second, fig::kX1);
  }
  return true;
}

bool DeleteNearestFigure(FigureTable& table, int16_t toolMode, int16_t zoomPercent, DragState& drag,
                         UndoState& undo) {
  if (FindNearestFigure(table, toolMode, zoomPercent, drag) == 0) return false;
  SaveUndoRecord(table, drag, toolMode, undo);
  table.At(drag.PickedFigure, fig::kKind) = static_cast<int16_t>(fig::kDeleted);
  return true;
}

bool MoveNearestFigure(FigureTable& table, int16_t toolMode, int16_t zoomPercent, DragState& drag,
                       UndoState& undo) {
  if (FindNearestFigure(table, toolMode, zoomPercent, drag) == 0) return false;
  SaveUndoRecord(table, drag, toolMode, undo);
  const int row = drag.PickedFigure;
  const int kind = table.Kind(row);

  const double toStored = 100.0 / zoomPercent;
  drag.EndX = static_cast<float>(drag.EndX * toStored);
  drag.EndY = static_cast<float>(drag.EndY * toStored);
  const float dx = drag.EndX - drag.StartX;
  const float dy = drag.EndY - drag.StartY;

  table.At(row, fig::kX1) = table.Num(row, fig::kX1) + dx;
  table.At(row, fig::kY1) = table.Num(row, fig::kY1) + dy;
  // A circle keeps its radius, a text its string and font, a marker its number.
  if (MovesBothPoints(kind)) {
    table.At(row, fig::kX2) = table.Num(row, fig::kX2) + dx;
    table.At(row, fig::kY2) = table.Num(row, fig::kY2) + dy;
  }
  return true;
}

int32_t MarkerForPick(const FigureTable& table, int row, int16_t zoomPercent, float endX,
                      float endY) {
  const double toDisplay = zoomPercent / 100.0;
  const auto x1 = static_cast<float>(table.Num(row, fig::kX1) * toDisplay);
  const auto y1 = static_cast<float>(table.Num(row, fig::kY1) * toDisplay);
  const auto x2 = static_cast<float>(table.Num(row, fig::kX2) * toDisplay);
  const auto y2 = static_cast<float>(table.Num(row, fig::kY2) * toDisplay);
  const double d1 = VectorLength(x1 - endX, y1 - endY);
  const double d2 = VectorLength(x2 - endX, y2 - endY);
  return d1 > d2 ? pick::kFirstEnd : pick::kSecondEnd;
}

void RecordPickMarker(const FigureTable& table, int16_t zoomPercent, DragState& drag) {
  const int row = drag.PickedFigure;
  const double toDisplay = zoomPercent / 100.0;
  drag.DrawX1 = static_cast<float>(table.Num(row, fig::kX1) * toDisplay);
  drag.DrawY1 = static_cast<float>(table.Num(row, fig::kY1) * toDisplay);
  drag.DrawX2 = static_cast<float>(table.Num(row, fig::kX2) * toDisplay);
  drag.DrawY2 = static_cast<float>(table.Num(row, fig::kY2) * toDisplay);
  if (drag.PickStep == 1 || drag.PickStep == 2)
    drag.Picks[drag.PickStep - 1][1] = MarkerForPick(table, row, zoomPercent, drag.EndX, drag.EndY);
}

void ClearFigures(FigureTable& table, UndoState& undo) {
  table.FigureCount = 0;
  undo.UndoAvailable = false;
}

}  // namespace velmor
