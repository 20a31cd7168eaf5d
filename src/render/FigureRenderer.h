// Drawing the stored figures on the canvas at the current zoom, arrow heads, turned text with its
// background box, and the caption that the segment tool can lay along a new segment. Figures are
// stored at 100 percent; a stored value v is drawn at v * (zoom / 100).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/geometry/Geometry.h"
#include "core/model/DragState.h"
#include "core/model/FigureTable.h"
#include "core/model/PanelState.h"
#include "core/settings/Settings.h"
#include "raster/GdiCanvas.h"

namespace velmor {

// A figure as it is drawn, in display pixels at the current zoom: a stored row scaled, or the
// figure the tool is making.
struct FigureToDraw {
  int Kind = 0;
  float X1 = 0, Y1 = 0;  // start, first corner, centre or text anchor
  float X2 = 0, Y2 = 0;  // end or opposite corner
  float Radius = 0, EllipseRatio = 0;
  bool Arrow = false;
  // Line style and width (not used by text), line or text colour, fill or box colour and style.
  struct {
    int16_t LineStyle = 0, LineWidth = 1;
    uint32_t LineColor = 0, FillColor = 0;
    int16_t FillStyle = 0;
  } Pen;
  TextState Text;    // font, size at the zoom, bold, italic and string of a text or a marker
  double Angle = 0;  // text angle in degrees
  // Mosaic: its corners and block edge in picture pixels, and the picture as loaded (never the
  // surface), which its blocks are the means of. Without a picture a mosaic draws nothing.
  struct {
    double X1 = 0, Y1 = 0, X2 = 0, Y2 = 0, Block = 0;
  } Mosaic;
  const QImage* Picture = nullptr;
  // Highlighter: the thickness across a stroke, and whether it is the box the points span.
  float Thickness = 0;
  bool Box = false;
};

// The one drawing of every kind, used for a new figure and on every refresh: sets the canvas
// pen, fill and drawing mode from f.Pen and draws. A segment leaves its ends in
// drag.DrawX1..DrawY2 (then the arrow head's, see DrawArrowHead); a text leaves work.WorkAngle,
// WorkPoints and its attributes as drawn in `text`.
// A mosaic paints each display pixel that shows a picture pixel of its rectangle (sampled as
// the refresh stretches the picture) in the rounded mean of the picture's pixels in that pixel's
// block: squares of Block (at least 4) picture pixels from the rectangle's top-left corner,
// clipped to the rectangle and the picture. A marker is a disc in Pen.FillColor with its number
// centred on it in Pen.LineColor. A highlighter multiplies what is under it, once per pixel, by
// Pen.LineColor lightened halfway to white.
void DrawFigure(platform::GdiCanvas& canvas, const FigureToDraw& f, int16_t zoomPercent,
                const Settings& settings, WorkArea& work, DragState& drag, TextState& text);

// Draws rows 1 to FigureCount in row order (deleted rows and unknown kinds draw nothing), each
// with its own colours, line style, width and fill; then, when there was any row, leaves the
// canvas FillStyle at 1. Text rows leave their colours in panel.PenColor/BrushColor/BrushStyle
// and their attributes in `text`. `picture` is the picture the canvas shows (at 100 percent),
// which mosaics are made from.
void RedrawFigures(platform::GdiCanvas& canvas, const FigureTable& figures, int16_t zoomPercent,
                   const Settings& settings, WorkArea& work, DragState& drag, PanelState& panel,
                   TextState& text, const QImage* picture);

// RedrawFigures, asking `gate` before each row whether to draw it: a row it turns down is
// passed over whole, state and all. Every figure sets the pens, brush and mode it draws with, so
// passing one over changes no other's pixels.
using RowGate = std::function<bool(int row)>;
void RedrawFigureRows(platform::GdiCanvas& canvas, const FigureTable& figures, int16_t zoomPercent,
                      const Settings& settings, WorkArea& work, DragState& drag, PanelState& panel,
                      TextState& text, const QImage* picture, const RowGate& gate);

// The radius at 100 percent of a numbered marker whose number is set in `points`: 0.8 of the
// font's cell height, at least 8 pixels.
double MarkerRadius(const platform::GdiCanvas& canvas, double points);

// Two wings at (DrawX2, DrawY2) pointing back along the segment from (DrawX1, DrawY1): angle
// Settings slot 31 either side, length slot 32 * zoom / 100, in the canvas pen as it stands.
// Leaves DrawX1/DrawY1 at the second wing tip. A segment of length 0 gets none.
void DrawArrowHead(platform::GdiCanvas& canvas, int16_t zoomPercent, const Settings& settings,
                   WorkArea& work, DragState& drag);

// Selects the text's font on the canvas and measures its string into WorkHeight and WorkWidth.
void MeasureText(platform::GdiCanvas& canvas, const TextState& text, WorkArea& work);

// Text at WorkPoints[1] turned by WorkAngle degrees, in panel.PenColor, over a box of its size
// outlined in panel.BrushColor and filled with the canvas brush (the caller sets DrawMode,
// FillColor and FillStyle), unless panel.BrushStyle is 1. Sets text.TextEscapement, WorkWidth,
// WorkHeight and, with a box, WorkPoints 0, 2, 3, 4.
void DrawTextFigure(platform::GdiCanvas& canvas, WorkArea& work, const PanelState& panel,
                    TextState& text);

// Prints `textString` with the top-left corner of its cell at (x, y), turned counterclockwise
// by escapement tenths of a degree, in a font whose cell height follows the canvas FontSize;
// writes that size to text.TextSize and leaves the canvas ForeColor at panel.PenColor.
void PrintRotatedText(platform::GdiCanvas& canvas, const PanelState& panel, TextState& text,
                      const std::string& faceName, int16_t escapement, bool bold, bool italic,
                      float x, float y, const std::string& textString);

// What the segment caption takes from the tool panel's controls.
struct CaptionSource {
  std::string Text;            // text of Text3
  uint32_t BackColor = 0;      // back colour of the swatch Text5
  int16_t FillStyleIndex = 0;  // list index of Combo3
};

// Lays the caption source.Text along the segment just made (drag.StartX/StartY to EndX/EndY,
// display pixels), centred on it, placed by Settings slot 37 ("上" above, "中" on, "下" below,
// anything else with its top edge on the line) and turned so that it never reads upside down;
// draws it with DrawTextFigure and stores it. Nothing happens for an empty text or a segment of
// length 0. To store it, the function sets panel.ToolMode to 4 and drag.StartX/StartY to the
// caption's corner (WorkPoints[1]), calls `storeCaption`, which must append the text figure as
// AddFigure does (angle work.WorkAngle), and puts ToolMode back; StartX/StartY keep the corner.
void AddSegmentCaption(platform::GdiCanvas& canvas, int16_t zoomPercent, const Settings& settings,
                       WorkArea& work, DragState& drag, PanelState& panel, TextState& text,
                       const CaptionSource& source, const std::function<void()>& storeCaption);

// Pieces of the rules above, for the callers that share them.

// A stored font size at a zoom: the nearest integer to points * zoom / 100, a half to even.
int16_t ScaledFontSize(double points, int16_t zoomPercent);
// Text angle in degrees as an escapement in tenths of a degree.
int16_t EscapementOf(double degrees);
// Whether a caption along a segment of this direction (degrees, 0 to below 360) would read
// upside down and is therefore turned half round: strictly between 95 and 275.
bool CaptionReadsUpsideDown(double degrees);

}  // namespace velmor
