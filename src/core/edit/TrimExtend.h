// Trimming two segments at the crossing of their lines (tools 10 and 11) and extending or
// cutting one segment to the foot of the perpendicular from a clicked point (tool 12).
#pragma once

#include <cstdint>
#include <string_view>

#include "core/edit/FigureStore.h"
#include "core/geometry/Geometry.h"
#include "core/model/DragState.h"
#include "core/model/FigureTable.h"

namespace velmor {

// Shown with the title kEditErrorTitle, an exclamation icon and an OK button.
inline constexpr std::string_view kNoIntersectionMessage = "交点が求まりません。";
inline constexpr std::string_view kEditErrorTitle = "Error";

// Lines whose directions differ, modulo 180 degrees, by no more than this (|sin| of the angle
// between them, in radians) are taken as parallel: each direction may be off by up to 1e-5
// through DirectionAngle, so truly parallel segments can differ by up to 2e-5.
inline constexpr double kParallelLimit = 2e-5;

enum class TrimResult {
  kDone,            // the chosen ends were moved
  kNoIntersection,  // nothing changed: show kNoIntersectionMessage
};

// Moves the chosen end (marker Picks[k][1]: 2 = first point, 4 = second point) of the picked
// segment(s) onto the other line, or in tool 12 onto the perpendicular through (EndX, EndY)
// (display pixels). The undo record is saved before anything is tried, so undo is available
// even after a failure. Always ends with ResetPicks; the caller then shows the message, if any,
// and refreshes the canvas.
TrimResult TrimOrExtend(FigureTable& table, DragState& drag, int16_t toolMode, int16_t zoomPercent,
                        WorkArea& work, UndoState& undo);

// A point of a row (columns xCol and xCol + 1) in display pixels at the given zoom, in single
// precision as the canvas holds it. Throws GeometryError when a cell is not a number (the string
// of a text figure) or the point lies beyond single precision.
WorkPoint DisplayPointOf(const FigureTable& table, int row, int xCol, int16_t zoomPercent);

// Forgets both picks. The caller refreshes the canvas, which removes their marks.
void ResetPicks(DragState& drag);

}  // namespace velmor
