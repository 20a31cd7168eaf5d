#include "render/FigureRenderer.h"

#include <cmath>
#include <limits>

#include "core/base/NumberRules.h"

namespace velmor {

namespace {

using platform::CanvasPoint;
using platform::GdiCanvas;

uint32_t ColorOf(double value) {
  if (!std::isfinite(value)) return 0;
  return static_cast<uint32_t>(static_cast<int64_t>(std::fmod(value, 4294967296.0))) & 0xFFFFFFu;
}

CanvasPoint PointOf(const WorkPoint& p) {
  return {p.X, p.Y};
}

// A cell read as a number; cells hold numbers far more often than text, so read those directly.
double Number(const FigureTable& figures, int row, int col) {
  const TaggedValue& v = figures.At(row, col);
  if (const double* d = std::get_if<double>(&v)) return *d;
  if (const int16_t* i = std::get_if<int16_t>(&v)) return *i;
  if (const int32_t* i = std::get_if<int32_t>(&v)) return *i;
  return NumberOr0(v);
}

// The figure of one row, scaled to the zoom.
FigureToDraw RowToDraw(const FigureTable& figures, int row, int16_t zoomPercent) {
  const double factor = zoomPercent / 100.0;
  auto scaled = [&](int col) { return static_cast<float>(Number(figures, row, col) * factor); };
  FigureToDraw f;
  f.Kind = figures.Kind(row);
  f.X1 = scaled(fig::kX1);
  f.Y1 = scaled(fig::kY1);
  f.Pen.LineColor = ColorOf(Number(figures, row, fig::kLineColor));
  f.Pen.FillColor = ColorOf(Number(figures, row, fig::kFillColor));
  f.Pen.FillStyle = SaturatedInt16(Number(figures, row, fig::kFillStyle));
  switch (f.Kind) {
    case fig::kSegment:
    case fig::kRectangle:
    case fig::kCircle:
      f.Pen.LineStyle = SaturatedInt16(Number(figures, row, fig::kLineStyle));
      f.Pen.LineWidth = SaturatedInt16(Number(figures, row, fig::kLineWidth));
      break;
    default:
      break;
  }
  switch (f.Kind) {
    case fig::kSegment:
      f.Arrow = Number(figures, row, fig::kArrow) == 1;
      [[fallthrough]];
    case fig::kRectangle:
      f.X2 = scaled(fig::kX2);
      f.Y2 = scaled(fig::kY2);
      break;
    case fig::kCircle:
      f.Radius = scaled(fig::kRadius);
      f.EllipseRatio = static_cast<float>(Number(figures, row, fig::kEllipseRatio));
      break;
    case fig::kText:
      f.Text.TextFont = figures.Text(row, fig::text::kFontName);
      f.Text.TextSize = ScaledFontSize(Number(figures, row, fig::text::kFontSize), zoomPercent);
      f.Text.TextBold = figures.Flag(row, fig::text::kBold);
      f.Text.TextItalic = figures.Flag(row, fig::text::kItalic);
      f.Text.TextString = figures.Text(row, fig::text::kString);
      f.Angle = Number(figures, row, fig::text::kAngle);
      break;
    default:
      break;
  }
  return f;
}

}  // namespace

int16_t ScaledFontSize(double points, int16_t zoomPercent) {
  return SaturatedInt16(points * zoomPercent / 100.0);
}

int16_t EscapementOf(double degrees) {
  if (!std::isfinite(degrees)) return 0;
  const double tenths = RoundHalfEven(degrees * 10);
  // An angle beyond a 16-bit escapement turns the same way as its remainder of a full turn.
  return ToInt16(tenths).value_or(SaturatedInt16(std::fmod(tenths, 3600.0)));
}

bool CaptionReadsUpsideDown(double degrees) {
  return degrees > 95 && degrees < 275;
}

void DrawFigure(GdiCanvas& canvas, const FigureToDraw& f, int16_t zoomPercent,
                const Settings& settings, WorkArea& work, DragState& drag, TextState& text) {
  canvas.SetDrawMode(platform::kCopyPen);
  canvas.SetForeColor(f.Pen.LineColor);
  canvas.SetFillColor(f.Pen.FillColor);
  canvas.SetFillStyle(f.Pen.FillStyle);
  if (f.Kind != fig::kText) {
    canvas.SetDrawStyle(f.Pen.LineStyle);
    canvas.SetDrawWidth(f.Pen.LineWidth);
  }
  switch (f.Kind) {
    case fig::kSegment:
      drag.DrawX1 = f.X1;
      drag.DrawY1 = f.Y1;
      drag.DrawX2 = f.X2;
      drag.DrawY2 = f.Y2;
      canvas.Line(f.X1, f.Y1, f.X2, f.Y2);
      if (f.Arrow) DrawArrowHead(canvas, zoomPercent, settings, work, drag);
      break;
    case fig::kRectangle:
      canvas.Box(f.X1, f.Y1, f.X2, f.Y2);
      break;
    case fig::kCircle:
      canvas.Circle(f.X1, f.Y1, f.Radius, f.EllipseRatio);
      break;
    case fig::kText: {
      work.WorkPoints[1] = {f.X1, f.Y1};
      work.WorkAngle = f.Angle;
      PanelState look;
      look.PenColor = f.Pen.LineColor;
      look.BrushColor = f.Pen.FillColor;
      look.BrushStyle = f.Pen.FillStyle;
      text = f.Text;
      DrawTextFigure(canvas, work, look, text);
      break;
    }
    default:  // deleted, or not a figure
      break;
  }
}

void RedrawFigures(GdiCanvas& canvas, const FigureTable& figures, int16_t zoomPercent,
                   const Settings& settings, WorkArea& work, DragState& drag, PanelState& panel,
                   TextState& text) {
  const int count = std::clamp<int>(figures.FigureCount, 0, fig::kMaxFigures);
  for (int row = 1; row <= count; ++row) {
    const FigureToDraw f = RowToDraw(figures, row, zoomPercent);
    // The refresh leaves each row's fill style, first point and (text rows) colours in the
    // shared state, where the next tool action takes them up or sets them again.
    panel.BrushStyle = f.Pen.FillStyle;
    drag.DrawX1 = f.X1;
    drag.DrawY1 = f.Y1;
    if (f.Kind == fig::kRectangle) {
      drag.DrawX2 = f.X2;
      drag.DrawY2 = f.Y2;
    }
    if (f.Kind == fig::kText) {
      panel.PenColor = f.Pen.LineColor;
      panel.BrushColor = f.Pen.FillColor;
    }
    DrawFigure(canvas, f, zoomPercent, settings, work, drag, text);
  }
  if (count != 0) canvas.SetFillStyle(platform::kFillNone);
}

namespace {
// The wings' geometry fails for lengths beyond single precision; such a head is left out.
bool ComputeWings(int16_t zoomPercent, const Settings& settings, WorkArea& work,
                  const DragState& drag) try {
  const double wingAngle = settings.Number(slot::kWingAngle);
  const double back = 180 + DirectionAngle(work.WorkX, work.WorkY) * 180 / kPi;
  work.WorkRadians = kPi * (wingAngle + back) / 180;
  work.WorkPoints[1] = {drag.DrawX2, drag.DrawY2};
  work.WorkX = settings.Number(slot::kWingLength) * (zoomPercent / 100.0);
  work.WorkY = 0;
  work.WorkIndex = 2;
  RotateOffset(work);
  work.WorkRadians = kPi * (back - wingAngle) / 180;
  work.WorkIndex = 3;
  RotateOffset(work);
  return true;
} catch (const GeometryError&) {
  return false;
}
}  // namespace

void DrawArrowHead(GdiCanvas& canvas, int16_t zoomPercent, const Settings& settings, WorkArea& work,
                   DragState& drag) {
  work.WorkX = double(drag.DrawX2) - double(drag.DrawX1);
  work.WorkY = double(drag.DrawY1) - double(drag.DrawY2);
  if (work.WorkX == 0 && work.WorkY == 0) return;
  if (!ComputeWings(zoomPercent, settings, work, drag)) return;
  for (int k : {2, 3}) {
    drag.DrawX1 = work.WorkPoints[k].X;
    drag.DrawY1 = work.WorkPoints[k].Y;
    canvas.Line(drag.DrawX2, drag.DrawY2, drag.DrawX1, drag.DrawY1);
  }
}

void MeasureText(GdiCanvas& canvas, const TextState& text, WorkArea& work) {
  canvas.SetFontBold(text.TextBold);
  canvas.SetFontItalic(text.TextItalic);
  canvas.SetFontName(text.TextFont);
  canvas.SetFontSize(text.TextSize);
  work.WorkHeight = canvas.TextHeight(text.TextString);
  work.WorkWidth = canvas.TextWidth(text.TextString);
}

namespace {
// A box too large for single precision is left out; the text is still printed.
bool BoxAroundText(WorkArea& work) try {
  BuildRotatedBox(work);
  return true;
} catch (const GeometryError&) {
  return false;
}
}  // namespace

void DrawTextFigure(GdiCanvas& canvas, WorkArea& work, const PanelState& panel, TextState& text) {
  text.TextEscapement = EscapementOf(work.WorkAngle);
  MeasureText(canvas, text, work);
  if (panel.BrushStyle != platform::kFillNone && BoxAroundText(work)) {
    canvas.SetForeColor(panel.BrushColor);
    canvas.SetDrawWidth(1);
    canvas.SetDrawStyle(platform::kSolid);
    const std::vector<CanvasPoint> box = {PointOf(work.WorkPoints[1]), PointOf(work.WorkPoints[2]),
                                          PointOf(work.WorkPoints[3]), PointOf(work.WorkPoints[4])};
    std::vector<CanvasPoint> outline = box;
    outline.push_back(box[0]);
    canvas.Polyline(outline);
    canvas.SetCurrentX(box[0].X);
    canvas.SetCurrentY(box[0].Y);
    // The box is filled as the shape it is, not flooded from a seed: a flood runs out through
    // an outline cut by the canvas edge and stops at pixels of the fill colour inside.
    canvas.FillPolygon(box);
  }
  PrintRotatedText(canvas, panel, text, text.TextFont, static_cast<int16_t>(text.TextEscapement),
                   text.TextBold, text.TextItalic, work.WorkPoints[1].X, work.WorkPoints[1].Y,
                   text.TextString);
}

void PrintRotatedText(GdiCanvas& canvas, const PanelState& panel, TextState& text,
                      const std::string& faceName, int16_t escapement, bool bold, bool italic,
                      float x, float y, const std::string& textString) {
  const int32_t weight = bold ? 700 : 0;
  canvas.SetForeColor(panel.PenColor);
  text.TextSize = SaturatedInt16(static_cast<float>(canvas.FontSize()));
  const platform::LogicalFont font{faceName, canvas.CellHeightForPoints(text.TextSize), escapement,
                                   weight, italic};
  const platform::LogicalFont previous = canvas.SelectFont(font);
  canvas.SetCurrentX(x);
  canvas.SetCurrentY(y);
  canvas.Print(textString);
  canvas.SelectFont(previous);
}

namespace {
// Where the caption of the segment (StartX, StartY)-(EndX, EndY) goes, along it and off it as
// the placement says; false when the geometry fails (lengths beyond single precision).
bool PlaceCaption(const Settings& settings, WorkArea& work, const DragState& drag) try {
  const double length = VectorLength(work.WorkX, work.WorkY);
  work.WorkAngle = length;
  double degrees = DirectionAngle(work.WorkX, work.WorkY) * 180 / kPi + 360;
  if (CaptionReadsUpsideDown(degrees)) {
    degrees -= 180;
    work.WorkPoints[1] = {drag.EndX, drag.EndY};
  } else {
    work.WorkPoints[1] = {drag.StartX, drag.StartY};
  }
  work.WorkRadians = degrees * kPi / 180;
  work.WorkX = (length - work.WorkWidth) / 2;
  const std::string placement = settings.Text(slot::kCaptionPlacement);
  if (placement == "上")
    work.WorkY = -(work.WorkHeight + 2);
  else if (placement == "中")
    work.WorkY = -(work.WorkHeight / 2);
  else if (placement == "下")
    work.WorkY = 2;
  else  // not a placement: on the line rather than as far off it as the segment is steep
    work.WorkY = 0;
  work.WorkIndex = 2;
  RotateOffset(work);
  work.WorkPoints[1] = work.WorkPoints[2];
  work.WorkAngle = work.WorkRadians * 180 / kPi;
  return true;
} catch (const GeometryError&) {
  return false;
}
}  // namespace

void AddSegmentCaption(GdiCanvas& canvas, int16_t zoomPercent, const Settings& settings,
                       WorkArea& work, DragState& drag, PanelState& panel, TextState& text,
                       const CaptionSource& source, const std::function<void()>& storeCaption) {
  text.TextFont = settings.Text(slot::kFontName);
  text.TextSize = ScaledFontSize(settings.Number(slot::kFontSize), zoomPercent);
  text.TextBold = settings.Flag(slot::kFontBold);
  text.TextItalic = settings.Flag(slot::kFontItalic);
  text.TextString = source.Text;
  if (text.TextString.empty()) return;
  work.WorkX = double(drag.EndX) - double(drag.StartX);
  work.WorkY = double(drag.StartY) - double(drag.EndY);
  if (work.WorkX == 0 && work.WorkY == 0) return;
  MeasureText(canvas, text, work);
  if (!PlaceCaption(settings, work, drag)) return;
  panel.BrushColor = source.BackColor;
  panel.BrushStyle = source.FillStyleIndex;
  DrawTextFigure(canvas, work, panel, text);

  struct RestoreTool {
    PanelState& panel;
    int16_t saved;
    ~RestoreTool() { panel.ToolMode = saved; }
  } restore{panel, panel.ToolMode};
  panel.ToolMode = tool::kText;
  drag.StartX = work.WorkPoints[1].X;
  drag.StartY = work.WorkPoints[1].Y;
  if (storeCaption) storeCaption();
}

}  // namespace velmor
