#include "core/edit/ParallelOffset.h"

#include "core/edit/TrimExtend.h"
#include "core/base/NumberRules.h"

namespace velmor {

namespace {

// Fills WorkPoints 2 and 4 with the segment's points moved `distance` display pixels to the
// right of its direction of travel.
void OffsetPoints(const FigureTable& table, int row, double distance, int16_t zoomPercent,
                  WorkArea& work) {
  work.WorkPoints[1] = DisplayPointOf(table, row, fig::kX1, zoomPercent);
  work.WorkPoints[3] = DisplayPointOf(table, row, fig::kX2, zoomPercent);
  work.WorkX = work.WorkPoints[3].X - work.WorkPoints[1].X;
  work.WorkY = work.WorkPoints[1].Y - work.WorkPoints[3].Y;
  const double a = DirectionAngle(work.WorkX, work.WorkY);
  const double g = a * 180 / kPi + 270;  // the direction of travel turned towards the right
  work.WorkRadians = kPi * g / 180;

  work.WorkIndex = 2;
  work.WorkX = distance;
  work.WorkY = 0;
  RotateOffset(work);
  work.WorkIndex = 4;
  work.WorkPoints[1] = work.WorkPoints[3];
  RotateOffset(work);
}

}  // namespace

OffsetResult OffsetParallel(FigureTable& table, DragState& drag, const PanelState& panel,
                            int16_t lineStyleIndex, int16_t zoomPercent,
                            std::string_view distanceText, WorkArea& work) {
  const double distance = LeadingNumber(distanceText);
  if (distance == 0) return OffsetResult::kNeedDistance;

  const int row = drag.Picks[0][0];
  OffsetResult result = OffsetResult::kCannotOffset;
  if (row >= 1 && row <= table.FigureCount) {
    try {
      OffsetPoints(table, row, distance * (zoomPercent / 100.0), zoomPercent, work);
      result = OffsetResult::kAdded;
    } catch (const GeometryError&) {
    }
  }
  // Row 1001 is the undo record: the table never grows past 1000 figures.
  if (result == OffsetResult::kAdded && table.FigureCount >= fig::kMaxFigures)
    result = OffsetResult::kTableFull;

  if (result == OffsetResult::kAdded) {
    const int n = ++table.FigureCount;
    const double toStored = 100.0 / zoomPercent;
    table.At(n, fig::kKind) = static_cast<int16_t>(fig::kSegment);
    table.At(n, fig::kX1) = work.WorkPoints[2].X * toStored;
    table.At(n, fig::kY1) = work.WorkPoints[2].Y * toStored;
    table.At(n, 6) = lineStyleIndex;
    table.At(n, 5) = panel.PenWidth;
    table.At(n, 7) = static_cast<int32_t>(panel.PenColor);
    table.At(n, 8) = static_cast<int32_t>(panel.BrushColor);
    table.At(n, fig::kX2) = work.WorkPoints[4].X * toStored;
    table.At(n, fig::kY2) = work.WorkPoints[4].Y * toStored;
    table.At(n, 10) = panel.ArrowOn;
  }
  ResetPicks(drag);
  return result;
}

}  // namespace velmor
