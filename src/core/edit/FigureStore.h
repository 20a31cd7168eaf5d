// Appending figures to the table, finding the figure nearest a click, deleting and moving it,
// and the one-step undo record kept in row 1001.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/base/TaggedValue.h"
#include "core/model/DragState.h"
#include "core/model/FigureTable.h"
#include "core/model/PanelState.h"
#include "core/model/UndoState.h"

namespace velmor {

// Shown (OK only, no icon, the program's title) when a figure would be the 1001st.
inline constexpr std::string_view kTableFullMessage = "これ以上作画出来ません。";

// What a hit test scores for a figure it cannot measure (and for a segment of length 0).
inline constexpr double kUnmeasuredScore = 999999;

// The attributes of a new figure that come from the tool panel's controls and the settings.
struct NewFigureAttributes {
  int16_t LineStyleIndex = 0;    // list index of Combo1
  std::string EllipseRatioText;  // text of Combo2
  int16_t FillStyleIndex = 0;    // list index of Combo3
  std::string Text;              // text of Text3
  TaggedValue FontName;          // Settings slot 14
  TaggedValue FontSize;          // Settings slot 15
  TaggedValue FontBold;          // Settings slot 16
  TaggedValue FontItalic;        // Settings slot 17
  double MarkerRadius = 0;       // numbered marker: radius in picture pixels
  bool HighlightBox = false;     // highlighter: the box the points span, not a stroke
};

// The point size of a numbered marker's number: the font size (Settings slot 15), or 10 points
// when that is 0.
double MarkerPoints(const TaggedValue& fontSize);

// The number the next marker gets: one more than the highest among the live markers.
int16_t NextMarkerNumber(const FigureTable& table);

// What a drawing tool's pen width makes of its own figures, in picture pixels.
double MosaicBlockFor(int16_t penWidth);
double HighlightThicknessFor(int16_t penWidth);

// The columns that every drawn figure row carries from the pen and brush it was made with.
struct RowPen {
  int16_t LineWidth = 0;
  int16_t LineStyle = 0;
  uint32_t LineColor = 0;
  uint32_t FillColor = 0;
  std::optional<int16_t> FillStyle;  // the parallel offset leaves the cell as it was
};

// Appends row FigureCount + 1 with its kind, first point (100 percent) and pen, and returns it;
// returns 0, storing nothing, when the table already holds 1000 figures. The caller writes the
// columns of its kind.
int AppendFigureRow(FigureTable& table, int16_t kind, double x1, double y1, const RowPen& pen);

// Appends a row of kind panel.ToolMode from the drag (display pixels) scaled to 100 percent.
// Returns false, storing nothing, when the table already holds 1000 figures; the caller then
// shows kTableFullMessage. On success the caller shows table.FigureCount in panel 3.
// workAngle is the text angle in degrees that the text tool left in the work area.
bool AddFigure(FigureTable& table, const PanelState& panel, const DragState& drag,
               int16_t zoomPercent, double workAngle, const NewFigureAttributes& attributes);

// Sets drag.PickedFigure to the row nearest (drag.StartX, drag.StartY) (0 when the table holds
// no figure) and, when the table is not empty, turns StartX/StartY into 100 percent scale in
// place. Segments and highlighter strokes are measured to their whole line; other kinds to their
// first point. With the tools from 10 up the kinds made by tools 1 to 4 other than segments score
// kUnmeasuredScore, and mosaics, markers and highlighters are not looked at. Returns the row found.
int16_t FindNearestFigure(const FigureTable& table, int16_t toolMode, int16_t zoomPercent,
                          DragState& drag);

// Fills row 1001 from drag.PickedFigure (and, in tool 10, the second pick, which then becomes
// PickedFigure) and makes undo available. Returns false and saves nothing for a row outside
// 1 to 1000.
bool SaveUndoRecord(FigureTable& table, DragState& drag, int16_t toolMode, UndoState& undo);

// What the undo button does to the table: puts back the kind and points saved in row 1001 and
// makes undo unavailable. Returns false (and changes nothing) when no record is available. Rows
// that are no longer figures of the current picture are left alone. The caller redraws.
bool UndoLastEdit(FigureTable& table, DragState& drag, UndoState& undo);

// Tool 9: marks the nearest figure deleted after saving the undo record. Returns whether a
// figure was deleted; the caller redraws.
bool DeleteNearestFigure(FigureTable& table, int16_t toolMode, int16_t zoomPercent, DragState& drag,
                         UndoState& undo);

// Tool 8: moves the figure nearest the press by the drag (EndX/EndY, display pixels, are turned
// into 100 percent scale in place). Segments, rectangles, mosaics and highlighters move both
// points; circles, texts and markers their first point. Returns whether a figure was moved; the
// caller redraws.
bool MoveNearestFigure(FigureTable& table, int16_t toolMode, int16_t zoomPercent, DragState& drag,
                       UndoState& undo);

// End marker of a pick: 2 when the click (display pixels) is farther from the row's first point
// than from its second (the first point will move), otherwise 4.
int32_t MarkerForPick(const FigureTable& table, int row, int16_t zoomPercent, float endX,
                      float endY);

// Stores the marker of drag.PickedFigure for pick drag.PickStep (1 or 2) and sets DrawX1..DrawY2
// to the picked segment in display pixels, ready for the mark to be drawn.
void RecordPickMarker(const FigureTable& table, int16_t zoomPercent, DragState& drag);

// Drops every figure of the current picture. The undo record goes with them: its rows would
// otherwise be written over the figures of the next picture.
void ClearFigures(FigureTable& table, UndoState& undo);

}  // namespace velmor
