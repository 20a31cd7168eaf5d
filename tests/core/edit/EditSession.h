// The state a user's clicks go through in the drafting tools, and the clicks themselves, done as
// the canvas does them.
#pragma once

#include <optional>

#include "core/edit/FigureStore.h"
#include "core/edit/ParallelOffset.h"
#include "core/edit/TrimExtend.h"
#include "core/geometry/Geometry.h"
#include "core/model/DragState.h"
#include "core/model/FigureTable.h"
#include "core/model/PanelState.h"

namespace velmor::testing {

struct StoredSegment {
  double x1, y1, x2, y2;
};

struct EditSession {
  FigureTable table;
  DragState drag;
  PanelState panel;
  WorkArea work;
  UndoState undo;
  int16_t zoom = 100;

  // Draws a segment with the segment tool; the points are image pixels.
  int AddSegment(double x1, double y1, double x2, double y2) {
    const int16_t tool = panel.ToolMode;
    panel.ToolMode = tool::kSegment;
    drag.StartX = static_cast<float>(x1 * zoom / 100);
    drag.StartY = static_cast<float>(y1 * zoom / 100);
    drag.EndX = static_cast<float>(x2 * zoom / 100);
    drag.EndY = static_cast<float>(y2 * zoom / 100);
    AddFigure(table, panel, drag, zoom, 0, NewFigureAttributes{});
    panel.ToolMode = tool;
    return table.FigureCount;
  }

  StoredSegment Segment(int row) const {
    return {table.Num(row, fig::kX1), table.Num(row, fig::kY1), table.Num(row, fig::kX2),
            table.Num(row, fig::kY2)};
  }

  void Press(float x, float y) {
    drag.StartX = drag.EndX = x;
    drag.StartY = drag.EndY = y;
  }

  // A click of tools 10 to 12 at display pixels (x, y); the result when it ran TrimOrExtend.
  std::optional<TrimResult> TrimClick(float x, float y) {
    Press(x, y);
    if (FindNearestFigure(table, panel.ToolMode, zoom, drag) == 0) return std::nullopt;
    if (drag.Picks[0][0] != 0) {
      if (panel.ToolMode != tool::kExtend) {
        drag.Picks[1][0] = drag.PickedFigure;
        drag.PickStep = 2;
        RecordPickMarker(table, zoom, drag);
      }
      return TrimOrExtend(table, drag, panel.ToolMode, zoom, work, undo);
    }
    drag.Picks[0][0] = drag.PickedFigure;
    drag.PickStep = 1;
    RecordPickMarker(table, zoom, drag);
    return std::nullopt;
  }

  // A click of tool 13 with the distance box holding `distance`.
  std::optional<OffsetResult> ParallelClick(float x, float y, std::string_view distance,
                                            int16_t lineStyleIndex = 0) {
    Press(x, y);
    if (FindNearestFigure(table, panel.ToolMode, zoom, drag) == 0) return std::nullopt;
    drag.PickStep = 1;
    drag.Picks[0][0] = drag.PickedFigure;
    return OffsetParallel(table, drag, panel, lineStyleIndex, zoom, distance, work);
  }
};

}  // namespace velmor::testing
