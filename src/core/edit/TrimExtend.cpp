#include "core/edit/TrimExtend.h"

#include <cmath>
#include <limits>

#include "core/model/PanelState.h"

namespace velmor {

namespace {

// Direction of the segment from `from` to `to` in degrees, 0 to below 360.
double DirectionDegrees(WorkPoint from, WorkPoint to, WorkArea& work) {
  work.WorkX = to.X - from.X;
  work.WorkY = from.Y - to.Y;
  return DirectionAngle(work.WorkX, work.WorkY) * 180 / kPi + 360;
}

bool IsEndMarker(int32_t marker) {
  return marker == pick::kFirstEnd || marker == pick::kSecondEnd;
}

}  // namespace

WorkPoint DisplayPointOf(const FigureTable& table, int row, int xCol, int16_t zoomPercent) {
  const auto x = NumberOf(table.At(row, xCol));
  const auto y = NumberOf(table.At(row, xCol + 1));
  if (!x || !y) throw GeometryError("figure has no coordinates");
  const double toDisplay = zoomPercent / 100.0;
  const WorkPoint p{static_cast<float>(*x * toDisplay), static_cast<float>(*y * toDisplay)};
  if (!std::isfinite(p.X) || !std::isfinite(p.Y)) throw GeometryError("point beyond range");
  return p;
}

void ResetPicks(DragState& drag) {
  drag.Picks[0][0] = 0;
  drag.Picks[1][0] = 0;
}

TrimResult TrimOrExtend(FigureTable& table, DragState& drag, int16_t toolMode, int16_t zoomPercent,
                        WorkArea& work, UndoState& undo) {
  const bool twoSegments = toolMode == tool::kTrimBoth || toolMode == tool::kTrimOne;
  const bool movesFirst = toolMode == tool::kTrimBoth || toolMode == tool::kExtend;
  const int first = drag.Picks[0][0];
  const int second = drag.Picks[1][0];
  auto isFigure = [&](int row) { return row >= 1 && row <= table.FigureCount; };
  if (!(twoSegments || movesFirst) || !isFigure(first) || (twoSegments && !isFigure(second))) {
    ResetPicks(drag);
    return TrimResult::kNoIntersection;
  }

  drag.PickedFigure = static_cast<int16_t>(toolMode == tool::kTrimOne ? second : first);
  SaveUndoRecord(table, drag, toolMode, undo);

  TrimResult result = TrimResult::kNoIntersection;
  try {
    const int32_t firstMarker = drag.Picks[0][1], secondMarker = drag.Picks[1][1];
    if ((movesFirst && !IsEndMarker(firstMarker)) || (twoSegments && !IsEndMarker(secondMarker)))
      throw GeometryError("no end chosen");

    const WorkPoint a = DisplayPointOf(table, first, fig::kX1, zoomPercent);
    const WorkPoint b = DisplayPointOf(table, first, fig::kX2, zoomPercent);
    WorkPoint c{drag.EndX, drag.EndY};

    const double g1 = DirectionDegrees(a, b, work);
    double g2 = g1 - 90;  // tool 12: the perpendicular
    if (twoSegments) {
      c = DisplayPointOf(table, second, fig::kX1, zoomPercent);
      const WorkPoint d = DisplayPointOf(table, second, fig::kX2, zoomPercent);
      g2 = DirectionDegrees(c, d, work);
    }
    const double theta2 = g2 * kPi / 180;
    const double theta1 = g1 * kPi / 180;

    // Parallel lines, also those whose directions differ only by the routines' own error,
    // would send the ends far off the picture.
    const double denominator = std::sin(theta1 - theta2);
    if (!(std::fabs(denominator) > kParallelLimit)) throw GeometryError("lines are parallel");
    const double t =
        ((a.Y - c.Y) * std::cos(theta2) - (c.X - a.X) * std::sin(theta2)) / denominator;

    const double toStored = 100.0 / zoomPercent;
    work.WorkX = (a.X + t * std::cos(theta1)) * toStored;
    work.WorkY = (a.Y - t * std::sin(theta1)) * toStored;
    constexpr double kLargest = std::numeric_limits<float>::max();
    if (!(std::fabs(work.WorkX) <= kLargest && std::fabs(work.WorkY) <= kLargest))
      throw GeometryError("intersection beyond range");

    auto moveEnd = [&](int row, int32_t marker) {
      const int yColumn = marker;
      table.At(row, yColumn - 1) = work.WorkX;
      table.At(row, yColumn) = work.WorkY;
    };
    if (movesFirst) moveEnd(first, firstMarker);
    if (twoSegments) moveEnd(second, secondMarker);
    result = TrimResult::kDone;
  } catch (const GeometryError&) {
  }
  ResetPicks(drag);
  return result;
}

}  // namespace velmor
