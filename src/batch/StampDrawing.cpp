#include "batch/StampDrawing.h"

#include <vector>

#include "render/FigureRenderer.h"

namespace velmor::batch {

namespace {
// The stamp's anchor: the top-left corner of the text, right of and above the canvas centre.
constexpr int kStampOffsetX = 20;
constexpr int kStampOffsetY = -32;
}  // namespace

void DrawStamp(platform::GdiCanvas& canvas, int width, int height, const StampLook& look,
               const Settings& settings, int16_t zoomPercent, PanelState& panel, TextState& text,
               WorkArea& work) {
  work.WorkAngle = 0;
  text.TextFont = settings.Text(slot::kFontName);
  text.TextSize = ScaledFontSize(settings.Number(slot::kFontSize), zoomPercent);
  text.TextBold = settings.Flag(slot::kFontBold);
  text.TextItalic = settings.Flag(slot::kFontItalic);
  text.TextString = look.Text;
  panel.BrushColor = look.BackColor;
  panel.BrushStyle = look.FillStyle;

  canvas.SetDrawMode(platform::kCopyPen);
  canvas.SetDrawStyle(look.LineStyle);
  canvas.SetDrawWidth(panel.PenWidth);
  canvas.SetForeColor(panel.PenColor);
  canvas.SetFillColor(panel.BrushColor);
  canvas.SetFillStyle(panel.BrushStyle);
  text.TextEscapement = EscapementOf(work.WorkAngle);

  MeasureText(canvas, text, work);

  const int cx = width / 2;
  const int cy = height / 2;
  work.WorkPoints[1] = {static_cast<float>(cx + kStampOffsetX),
                        static_cast<float>(cy + kStampOffsetY)};

  if (panel.BrushStyle != platform::kFillNone) {
    BuildRotatedBox(work);
    canvas.SetForeColor(panel.BrushColor);
    canvas.SetDrawWidth(1);
    canvas.SetDrawStyle(platform::kSolid);
    const auto at = [&](int k) {
      return platform::CanvasPoint{work.WorkPoints[k].X, work.WorkPoints[k].Y};
    };
    // The tail leaves the box's left side in its lower third and points at the centre; box and
    // tail make one outline, filled as one polygon.
    const platform::CanvasPoint centre{static_cast<float>(cx), static_cast<float>(cy)};
    const platform::CanvasPoint tailTop{
        work.WorkPoints[1].X, static_cast<float>(work.WorkPoints[4].Y - work.WorkHeight / 3)};
    const std::vector<platform::CanvasPoint> balloon = {at(1), at(2),  at(3),
                                                        at(4), centre, tailTop};
    std::vector<platform::CanvasPoint> outline = balloon;
    outline.push_back(at(1));
    canvas.Polyline(outline);
    canvas.SetCurrentX(at(1).X);
    canvas.SetCurrentY(at(1).Y);
    canvas.FillPolygon(balloon);
  }

  PrintRotatedText(canvas, panel, text, text.TextFont, static_cast<int16_t>(text.TextEscapement),
                   text.TextBold, text.TextItalic, work.WorkPoints[1].X + 1, work.WorkPoints[1].Y,
                   text.TextString);
}

}  // namespace velmor::batch
