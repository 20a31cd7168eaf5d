#include "core/edit/ParallelOffset.h"

#include "core/base/NumberRules.h"
#include "core/edit/FigureStore.h"
#include "core/edit/TrimExtend.h"

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
  if (result == OffsetResult::kAdded) {
    const double toStored = 100.0 / zoomPercent;
    const RowPen pen{panel.PenWidth, lineStyleIndex, panel.PenColor, panel.BrushColor, {}};
    const int n =
        AppendFigureRow(table, static_cast<int16_t>(fig::kSegment), work.WorkPoints[2].X * toStored,
                        work.WorkPoints[2].Y * toStored, pen);
    if (n == 0) {
      result = OffsetResult::kTableFull;
    } else {
      table.At(n, fig::kX2) = work.WorkPoints[4].X * toStored;
      table.At(n, fig::kY2) = work.WorkPoints[4].Y * toStored;
      table.At(n, fig::kArrow) = panel.ArrowOn;
    }
  }
  ResetPicks(drag);
  return result;
}

}  // namespace velmor
