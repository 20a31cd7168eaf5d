#include "render/FigureRenderer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

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
  f.Kind = static_cast<int>(Number(figures, row, fig::kKind));  // as Kind() reads it
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
    case fig::kMosaic:
      f.Mosaic = {Number(figures, row, fig::mosaic::kX1), Number(figures, row, fig::mosaic::kY1),
                  Number(figures, row, fig::mosaic::kX2), Number(figures, row, fig::mosaic::kY2),
                  Number(figures, row, fig::mosaic::kBlock)};
      break;
    case fig::kMarker:
      f.Radius = scaled(fig::marker::kRadius);
      f.Text.TextFont = figures.Text(row, fig::marker::kFontName);
      f.Text.TextSize = ScaledFontSize(Number(figures, row, fig::marker::kFontSize), zoomPercent);
      f.Text.TextBold = figures.Flag(row, fig::marker::kBold);
      f.Text.TextItalic = figures.Flag(row, fig::marker::kItalic);
      f.Text.TextString = figures.Text(row, fig::marker::kNumber);
      break;
    case fig::kHighlight:
      f.X2 = scaled(fig::highlight::kX2);
      f.Y2 = scaled(fig::highlight::kY2);
      f.Thickness = scaled(fig::highlight::kThickness);
      f.Box = Number(figures, row, fig::highlight::kBox) == 1;
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

bool IsMarkupKind(int kind) {
  return kind == fig::kMosaic || kind == fig::kMarker || kind == fig::kHighlight;
}

// Picture pixel coordinates as whole pixels, far enough out that nothing overflows.
int64_t PicturePixel(double v) {
  return static_cast<int64_t>(std::clamp(RoundHalfEven(v), -1e9, 1e9));
}

// The picture pixel that each display pixel 0..extent-1 shows, as the refresh's stretching
// copy samples it, with the same arithmetic so that the two agree to the pixel.
std::vector<int64_t> SampledPixels(int extent, int16_t zoomPercent, int available) {
  const double step = (extent * 100.0 / zoomPercent) / extent;
  std::vector<int64_t> pixels(static_cast<size_t>(extent));
  for (int i = 0; i < extent; ++i)
    pixels[size_t(i)] = std::clamp(static_cast<int>((i + 0.5) * step), 0, available - 1);
  return pixels;
}

void DrawMosaic(GdiCanvas& canvas, const FigureToDraw& f, int16_t zoomPercent) {
  QImage* surface = canvas.Surface();
  if (f.Picture == nullptr || f.Picture->isNull() || surface == nullptr || surface->isNull() ||
      zoomPercent <= 0)
    return;
  const auto& m = f.Mosaic;
  if (!std::isfinite(m.X1) || !std::isfinite(m.Y1) || !std::isfinite(m.X2) || !std::isfinite(m.Y2))
    return;
  const QImage picture =
      f.Picture->format() == QImage::Format_RGB32 || f.Picture->format() == QImage::Format_ARGB32
          ? *f.Picture
          : f.Picture->convertToFormat(QImage::Format_RGB32);
  if (surface->format() != QImage::Format_RGB32 && surface->format() != QImage::Format_ARGB32 &&
      surface->format() != QImage::Format_ARGB32_Premultiplied)
    *surface = surface->convertToFormat(QImage::Format_RGB32);
  const int64_t left = PicturePixel(std::min(m.X1, m.X2)),
                right = PicturePixel(std::max(m.X1, m.X2));
  const int64_t top = PicturePixel(std::min(m.Y1, m.Y2)),
                bottom = PicturePixel(std::max(m.Y1, m.Y2));
  const int64_t edge = std::max<int64_t>(4, PicturePixel(std::isfinite(m.Block) ? m.Block : 0));
  // The picture pixels the mosaic covers: [cl, cr) x [ct, cb).
  const int64_t cl = std::max<int64_t>(left, 0), cr = std::min<int64_t>(right, picture.width());
  const int64_t ct = std::max<int64_t>(top, 0), cb = std::min<int64_t>(bottom, picture.height());
  if (cl >= cr || ct >= cb) return;

  // The blocks' means, from the picture alone.
  const int64_t bx0 = (cl - left) / edge, by0 = (ct - top) / edge;
  const int64_t across = (cr - 1 - left) / edge - bx0 + 1, down = (cb - 1 - top) / edge - by0 + 1;
  struct Sum {
    uint64_t r = 0, g = 0, b = 0, n = 0;
  };
  std::vector<Sum> sums(size_t(across * down));
  for (int64_t y = ct; y < cb; ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(int(y)));
    Sum* blocks = &sums[size_t(((y - top) / edge - by0) * across)];
    for (int64_t k = 0; k < across; ++k) {
      const int64_t from = std::max(cl, left + (bx0 + k) * edge);
      const int64_t to = std::min(cr, left + (bx0 + k + 1) * edge);
      uint64_t r = 0, g = 0, b = 0;
      for (int64_t x = from; x < to; ++x) {
        const QRgb p = row[x];
        r += uint64_t(qRed(p));
        g += uint64_t(qGreen(p));
        b += uint64_t(qBlue(p));
      }
      Sum& s = blocks[k];
      s.r += r, s.g += g, s.b += b;
      s.n += uint64_t(to - from);
    }
  }
  std::vector<QRgb> colours(sums.size());
  for (size_t k = 0; k < sums.size(); ++k) {
    const Sum& s = sums[k];
    const double n = double(std::max<uint64_t>(s.n, 1));
    colours[k] = qRgb(int(RoundHalfEven(double(s.r) / n)), int(RoundHalfEven(double(s.g) / n)),
                      int(RoundHalfEven(double(s.b) / n)));
  }

  // Every display pixel that shows one of those picture pixels takes its block's mean. Along a
  // row the pixels of one block are a run, painted as one.
  struct Run {
    int from, to;  // display pixels [from, to)
    int64_t block;
  };
  auto runsOf = [&](int extent, int available, int64_t from, int64_t to, int64_t origin,
                    int64_t first) {
    const std::vector<int64_t> shown = SampledPixels(extent, zoomPercent, available);
    std::vector<Run> runs;
    for (int i = 0; i < extent; ++i) {
      const int64_t p = shown[size_t(i)];
      if (p < from || p >= to) continue;
      const int64_t block = (p - origin) / edge - first;
      if (!runs.empty() && runs.back().to == i && runs.back().block == block)
        ++runs.back().to;
      else
        runs.push_back({i, i + 1, block});
    }
    return runs;
  };
  const std::vector<Run> columns = runsOf(surface->width(), picture.width(), cl, cr, left, bx0);
  const std::vector<Run> rows = runsOf(surface->height(), picture.height(), ct, cb, top, by0);
  if (columns.empty() || rows.empty()) return;
  canvas.Touch(columns.front().from, rows.front().from, columns.back().to - 1, rows.back().to - 1);
  const QRect drawable = canvas.DrawableRect();
  for (const Run& band : rows) {
    const QRgb* blockRow = &colours[size_t(band.block * across)];
    for (int y = std::max(band.from, drawable.top()); y < std::min(band.to, drawable.bottom() + 1);
         ++y) {
      auto* line = reinterpret_cast<QRgb*>(surface->scanLine(y));
      for (const Run& run : columns) {
        const int from = std::max(run.from, drawable.left());
        const int to = std::min(run.to, drawable.right() + 1);
        if (from < to) std::fill(line + from, line + to, blockRow[run.block]);
      }
    }
  }
}

void DrawMarker(GdiCanvas& canvas, const FigureToDraw& f) {
  canvas.SetForeColor(f.Pen.FillColor);
  canvas.SetFillColor(f.Pen.FillColor);
  canvas.SetFillStyle(platform::kFillSolid);
  canvas.SetDrawStyle(platform::kSolid);
  canvas.SetDrawWidth(1);
  canvas.Circle(f.X1, f.Y1, f.Radius);
  // Measured and printed on copies: a marker leaves no text attributes behind.
  WorkArea measure;
  TextState number = f.Text;
  MeasureText(canvas, number, measure);
  PanelState look;
  auto print = [&](float x, float y) {
    PrintRotatedText(canvas, look, number, number.TextFont, 0, number.TextBold, number.TextItalic,
                     x, y, number.TextString);
  };
  // The figures' ink, not their cell, goes in the middle of the disc: digits have no descent.
  // Printed once on a scratch surface to find it.
  QImage* target = canvas.Surface();
  QImage scratch(int(measure.WorkWidth) + 2, int(measure.WorkHeight) + 2, QImage::Format_RGB32);
  scratch.fill(Qt::white);
  canvas.Bind(&scratch);
  look.PenColor = 0;
  print(1, 1);
  canvas.Bind(target);
  QRect ink;
  for (int y = 0; y < scratch.height(); ++y)
    for (int x = 0; x < scratch.width(); ++x)
      if (scratch.pixel(x, y) != qRgb(255, 255, 255)) ink |= QRect(x, y, 1, 1);
  const double middleX =
      ink.isEmpty() ? 1 + measure.WorkWidth / 2 : (ink.left() + ink.right()) / 2.0;
  const double middleY =
      ink.isEmpty() ? 1 + measure.WorkHeight / 2 : (ink.top() + ink.bottom()) / 2.0;
  look.PenColor = f.Pen.LineColor;
  print(static_cast<float>(f.X1 + 1 - middleX), static_cast<float>(f.Y1 + 1 - middleY));
}

void DrawHighlight(GdiCanvas& canvas, const FigureToDraw& f) {
  // The pen lightened halfway to white, channel by channel.
  uint32_t factor = 0;
  for (int shift : {0, 8, 16})
    factor |= ((255 + ((f.Pen.LineColor >> shift) & 0xFFu)) / 2) << shift;
  if (f.Box) {
    const float l = std::min(f.X1, f.X2), r = std::max(f.X1, f.X2);
    const float t = std::min(f.Y1, f.Y2), b = std::max(f.Y1, f.Y2);
    canvas.MultiplyPolygon({{l, t}, {r, t}, {r, b}, {l, b}}, factor);
    return;
  }
  const double dx = double(f.X2) - f.X1, dy = double(f.Y2) - f.Y1, length = std::hypot(dx, dy);
  if (!(length > 0) || !std::isfinite(length)) return;
  // Butt ends: the stroke is the rectangle of its thickness along the segment.
  const double half = f.Thickness / 2.0;
  const auto nx = static_cast<float>(-dy / length * half),
             ny = static_cast<float>(dx / length * half);
  canvas.MultiplyPolygon({{f.X1 + nx, f.Y1 + ny},
                          {f.X2 + nx, f.Y2 + ny},
                          {f.X2 - nx, f.Y2 - ny},
                          {f.X1 - nx, f.Y1 - ny}},
                         factor);
}

}  // namespace

double MarkerRadius(const GdiCanvas& canvas, double points) {
  return std::max(8.0, 0.8 * canvas.CellHeightForPoints(ScaledFontSize(points, 100)));
}

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
  if (f.Kind != fig::kText && !IsMarkupKind(f.Kind)) {
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
    case fig::kMosaic:
      DrawMosaic(canvas, f, zoomPercent);
      break;
    case fig::kMarker:
      DrawMarker(canvas, f);
      break;
    case fig::kHighlight:
      DrawHighlight(canvas, f);
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
                   TextState& text, const QImage* picture) {
  RedrawFigureRows(canvas, figures, zoomPercent, settings, work, drag, panel, text, picture, {});
}

void RedrawFigureRows(GdiCanvas& canvas, const FigureTable& figures, int16_t zoomPercent,
                      const Settings& settings, WorkArea& work, DragState& drag, PanelState& panel,
                      TextState& text, const QImage* picture, const RowGate& gate) {
  const int count = std::clamp<int>(figures.FigureCount, 0, fig::kMaxFigures);
  for (int row = 1; row <= count; ++row) {
    if (gate && !gate(row)) continue;
    FigureToDraw f = RowToDraw(figures, row, zoomPercent);
    f.Picture = picture;
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
