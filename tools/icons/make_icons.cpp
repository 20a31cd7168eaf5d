// Paints Velmor's icons and writes them as PNG files:
//   make_icons <output folder> [--sheet <contact sheet.png>] [--hicolor <theme folder>]
// --hicolor also writes the program's icon at the desktop theme's sizes as
// <theme folder>/<N>x<N>/apps/velmor.png.
// Every icon is drawn on a 16-unit grid. Stroke coordinates are pixel centres of the 16 px
// version and are snapped to the pixel grid of each size, so straight strokes stay sharp at
// 25 and 32 px instead of being smeared over two pixels.

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

namespace col {
const QColor kInk(0x26, 0x30, 0x3b);
const QColor kPaper(0xff, 0xff, 0xff);
const QColor kShade(0xd9, 0xe0, 0xe8);
const QColor kLens(0xe8, 0xf2, 0xfd);
const QColor kBlue(0x1f, 0x6f, 0xd1);
const QColor kBlueLight(0xbf, 0xd9, 0xf6);
const QColor kBlueDark(0x14, 0x48, 0x8a);
const QColor kRed(0xd9, 0x2f, 0x25);
const QColor kOrange(0xef, 0x86, 0x10);
const QColor kYellow(0xf7, 0xcf, 0x5c);
const QColor kYellowDark(0xd8, 0x9c, 0x2e);
const QColor kBrown(0xb9, 0x7c, 0x46);
const QColor kSteel(0x6c, 0x79, 0x88);
const QColor kSteelLight(0xb4, 0xbe, 0xc9);
const QColor kBody(0x4a, 0x56, 0x64);
}  // namespace col

class Grid {
 public:
  Grid(QPainter& p, int size) : p_(p), u_(size / 16.0) {}

  QPainter& Painter() { return p_; }
  int Size() const { return static_cast<int>(std::lround(u_ * 16)); }
  int Width(double units) const { return std::max(1, static_cast<int>(std::lround(units * u_))); }
  double Scale(double v) const { return v * u_; }
  // A stroke centre on the pixel grid: odd widths sit on pixel centres, even ones on pixel edges.
  double Snap(double v, int w) const {
    const double c = v * u_;
    return (w % 2 != 0) ? std::floor(c) + 0.5 : std::round(c);
  }
  QPointF At(double x, double y, int w) const { return {Snap(x, w), Snap(y, w)}; }
  double Edge(double v) const { return std::round(v * u_); }

  // Solid area between grid lines.
  void Fill(double x0, double y0, double x1, double y1, const QColor& c) {
    p_.fillRect(QRectF(QPointF(Edge(x0), Edge(y0)), QPointF(Edge(x1), Edge(y1))), c);
  }

  void Box(double x0, double y0, double x1, double y1, const QColor& stroke, const QBrush& fill,
           double units = 1, double radius = 0) {
    const int w = Width(units);
    const QRectF r(At(x0, y0, w), At(x1, y1, w));
    Use(stroke, w, Qt::SquareCap, Qt::MiterJoin, fill);
    if (radius > 0) {
      p_.drawRoundedRect(r, Scale(radius), Scale(radius));
    } else {
      p_.drawRect(r);
    }
  }

  void Poly(const std::vector<QPointF>& pts, const QColor& stroke, const QBrush& fill,
            double units = 1, bool closed = true, Qt::PenCapStyle cap = Qt::SquareCap) {
    const int w = Width(units);
    QPolygonF poly;
    for (const QPointF& q : pts) poly << At(q.x(), q.y(), w);
    Use(stroke, w, cap, Qt::MiterJoin, fill);
    if (closed) {
      p_.drawPolygon(poly);
    } else {
      p_.drawPolyline(poly);
    }
  }

  void Line(double x0, double y0, double x1, double y1, const QColor& c, double units = 1,
            Qt::PenCapStyle cap = Qt::SquareCap) {
    const int w = Width(units);
    Use(c, w, cap, Qt::MiterJoin, Qt::NoBrush);
    p_.drawLine(At(x0, y0, w), At(x1, y1, w));
  }

  // Horizontal or vertical stroke: its ends are grid lines, its middle a stroke centre, so
  // bars meeting at a corner or a gap keep their shape at every size.
  void Bar(double x0, double y0, double x1, double y1, const QColor& c, double units = 1) {
    Use(c, Width(units), Qt::FlatCap, Qt::MiterJoin, Qt::NoBrush);
    p_.drawLine(BarEnd(x0, y0, x1), BarEnd(x1, y1, x0));
  }

  // A dashed `Bar`; the pattern counts in pen widths and starts at (x0, y0).
  void Dashed(double x0, double y0, double x1, double y1, const QColor& c, double on, double off,
              double units = 1) {
    QPen pen = Pen(c, Width(units), Qt::FlatCap, Qt::MiterJoin);
    pen.setDashPattern({on, off});
    p_.setPen(pen);
    p_.setBrush(Qt::NoBrush);
    p_.drawLine(BarEnd(x0, y0, x1), BarEnd(x1, y1, x0));
  }

  void Circle(double cx, double cy, double r, const QColor& stroke, const QBrush& fill,
              double units = 1) {
    const int w = Width(units);
    Use(stroke, w, Qt::FlatCap, Qt::MiterJoin, fill);
    p_.drawEllipse(At(cx, cy, w), Scale(r), Scale(r));
  }

  void Dot(double cx, double cy, double r, const QColor& c) {
    p_.setPen(Qt::NoPen);
    p_.setBrush(c);
    p_.drawEllipse(QPointF(Scale(cx), Scale(cy)), Scale(r), Scale(r));
  }

  // A shaft from (x0, y0) ending in a filled head whose tip is (x1, y1).
  void Arrow(double x0, double y0, double x1, double y1, const QColor& c, double units,
             double headLength, double headHalfWidth) {
    const int w = Width(units);
    const QPointF a = At(x0, y0, w);
    const QPointF b = At(x1, y1, w);
    const QPointF d = Unit(b - a);
    Use(c, w, Qt::FlatCap, Qt::MiterJoin, Qt::NoBrush);
    p_.drawLine(a, b - d * Scale(headLength) * 0.7);
    Head(b, d, headLength, headHalfWidth, c);
  }

  // A filled arrow head with its tip at `tip` (pixels) pointing along `dir`.
  void Head(QPointF tip, QPointF dir, double length, double halfWidth, const QColor& c) {
    const QPointF d = Unit(dir);
    const QPointF n(-d.y(), d.x());
    const QPointF base = tip - d * Scale(length);
    p_.setPen(Qt::NoPen);
    p_.setBrush(c);
    p_.drawPolygon(QPolygonF{tip, base + n * Scale(halfWidth), base - n * Scale(halfWidth)});
  }

  // Pixel art centred on `centre` (pixels): '#' marks a block of scale x scale pixels.
  void Glyph(QPointF centre, const std::vector<const char*>& rows, int scale, const QColor& c) {
    const int h = static_cast<int>(rows.size()) * scale;
    const int w = static_cast<int>(std::strlen(rows[0])) * scale;
    const int left = static_cast<int>(std::round(centre.x() - w / 2.0));
    const int top = static_cast<int>(std::round(centre.y() - h / 2.0));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
      for (int k = 0; rows[r][k] != '\0'; ++k) {
        if (rows[r][k] == '#') p_.fillRect(left + k * scale, top + r * scale, scale, scale, c);
      }
    }
  }

  // A plus sign of strokes centred on (cx, cy).
  void Plus(double cx, double cy, double arm, const QColor& c, double units = 1) {
    Line(cx - arm, cy, cx + arm, cy, c, units);
    Line(cx, cy - arm, cx, cy + arm, c, units);
  }

  // One end of a bar to or from (otherX, ...): a vertical bar when both share x.
  QPointF BarEnd(double x, double y, double otherX) const {
    const int w = p_.pen().width();
    return x == otherX ? QPointF(Snap(x, w), Edge(y)) : QPointF(Edge(x), Snap(y, w));
  }

  static QPointF Unit(QPointF v) {
    const double len = std::hypot(v.x(), v.y());
    return len > 0 ? v / len : QPointF(1, 0);
  }

 private:
  QPen Pen(const QColor& c, int w, Qt::PenCapStyle cap, Qt::PenJoinStyle join) const {
    QPen pen(c, w, Qt::SolidLine, cap, join);
    pen.setMiterLimit(4);
    return pen;
  }
  void Use(const QColor& stroke, int w, Qt::PenCapStyle cap, Qt::PenJoinStyle join,
           const QBrush& fill) {
    if (stroke.isValid()) {
      p_.setPen(Pen(stroke, w, cap, join));
    } else {
      p_.setPen(Qt::NoPen);
    }
    p_.setBrush(fill);
  }

  QPainter& p_;
  double u_;
};

QLinearGradient Vertical(Grid& g, double y0, double y1, const QColor& top, const QColor& bottom) {
  QLinearGradient grad(0, g.Scale(y0), 0, g.Scale(y1));
  grad.setColorAt(0, top);
  grad.setColorAt(1, bottom);
  return grad;
}

// ---- toolbar ----

void DrawOpen(Grid& g) {
  g.Poly({{1.5, 2.5}, {5.5, 2.5}, {7.5, 4.5}, {13.5, 4.5}, {13.5, 13.5}, {1.5, 13.5}}, col::kInk,
         col::kYellowDark);
  g.Poly({{1.5, 13.5}, {4.5, 7.5}, {15.5, 7.5}, {12.5, 13.5}}, col::kInk,
         Vertical(g, 7, 14, col::kYellow, col::kYellow.darker(108)));
}

void DrawSave(Grid& g) {
  g.Poly({{1.5, 1.5}, {12.5, 1.5}, {14.5, 3.5}, {14.5, 14.5}, {1.5, 14.5}}, col::kInk, col::kBlue);
  g.Fill(4, 2, 11, 6, col::kShade);
  g.Fill(8, 3, 10, 5, col::kBody);
  g.Fill(3, 8, 13, 14, col::kPaper);
  g.Fill(4, 10, 12, 11, col::kBlueLight);
  g.Fill(4, 12, 10, 13, col::kBlueLight);
}

// Lens centred on (6.5, 6.5); the handle runs to the bottom right corner.
void DrawMagnifier(Grid& g) {
  g.Line(10.2, 10.2, 13.8, 13.8, col::kInk, 2.2, Qt::RoundCap);
  g.Circle(6.5, 6.5, 4.5, col::kInk, col::kLens);
}

void DrawZoomIn(Grid& g) {
  DrawMagnifier(g);
  g.Plus(6.5, 6.5, 2, col::kBlue);
}

void DrawZoomOut(Grid& g) {
  DrawMagnifier(g);
  g.Line(4.5, 6.5, 8.5, 6.5, col::kBlue);
}

void DrawZoomActual(Grid& g) {
  DrawMagnifier(g);
  // "1:1", drawn per size: scaled strokes this small turn to mush.
  const QPointF centre = g.At(6.5, 6.5, g.Width(1));
  if (g.Size() < 24) {
    g.Glyph(centre, {".#....#", "##.#.##", ".#....#", ".#.#..#", ".#....#"}, 1, col::kBlue);
  } else if (g.Size() < 32) {
    g.Glyph(
        centre,
        {".#.....#.", "##....##.", ".#..#..#.", ".#.....#.", ".#..#..#.", ".#.....#.", "###...###"},
        1, col::kBlue);
  } else {
    const std::vector<const char*> big = {
        ".##......##.", "###.....###.", "###..##.###.", ".##..##..##.", ".##......##.",
        ".##......##.", ".##..##..##.", ".##..##..##.", ".##......##.", ".##......##."};
    g.Glyph(centre, big, g.Size() / 32, col::kBlue);
  }
}

void DrawZoomFrame(Grid& g) {
  // Corners of the frame to zoom to, with the magnifier inside.
  const QColor c = col::kBlue;
  g.Poly({{1.5, 4.5}, {1.5, 1.5}, {4.5, 1.5}}, c, Qt::NoBrush, 1, false);
  g.Poly({{11.5, 1.5}, {14.5, 1.5}, {14.5, 4.5}}, c, Qt::NoBrush, 1, false);
  g.Poly({{1.5, 11.5}, {1.5, 14.5}, {4.5, 14.5}}, c, Qt::NoBrush, 1, false);
  g.Poly({{14.5, 11.5}, {14.5, 14.5}, {11.5, 14.5}}, c, Qt::NoBrush, 1, false);
  g.Line(9.3, 9.3, 12, 12, col::kInk, 2, Qt::RoundCap);
  g.Circle(7, 7, 3.2, col::kInk, col::kLens);
}

void DrawCut(Grid& g) {
  const QColor blade = col::kBody;
  g.Line(5.8, 9.8, 11.5, 1.5, blade, 1.5, Qt::RoundCap);
  g.Line(10.2, 9.8, 4.5, 1.5, blade, 1.5, Qt::RoundCap);
  g.Circle(4.5, 12, 2.2, col::kRed, Qt::NoBrush, 1.2);
  g.Circle(11.5, 12, 2.2, col::kRed, Qt::NoBrush, 1.2);
  g.Dot(8, 6.6, 0.9, col::kInk);
}

void DrawSheet(Grid& g, double x0, double y0, double x1, double y1, int lines) {
  g.Box(x0, y0, x1, y1, col::kInk, col::kPaper);
  const double left = x0 + 2;
  const double right = x1 - 2;
  for (int i = 0; i < lines; ++i) {
    const double y = y0 + 2.5 + 2 * i;
    const double end = (i == lines - 1) ? std::max(left + 2, right - 2) : right;
    g.Line(left, y, end, y, col::kBlue, 0.8);
  }
}

void DrawCopy(Grid& g) {
  g.Box(1.5, 1.5, 9.5, 10.5, col::kInk, col::kPaper);
  DrawSheet(g, 5.5, 4.5, 14.5, 14.5, 3);
}

void DrawPaste(Grid& g) {
  g.Box(1.5, 2.5, 11.5, 14.5, col::kInk, col::kBrown, 1, 1);
  g.Box(4.5, 1.5, 8.5, 3.5, col::kInk, col::kSteelLight);
  DrawSheet(g, 6.5, 5.5, 14.5, 14.5, 3);
}

void DrawCapture(Grid& g) {
  g.Box(4.5, 2.5, 9.5, 4.5, col::kInk, col::kSteel);
  g.Box(1.5, 4.5, 14.5, 13.5, col::kInk, col::kBody, 1, 1.5);
  g.Fill(11, 6, 13, 7, col::kOrange);
  g.Circle(7.5, 9, 3.2, col::kInk, col::kPaper);
  g.Dot(8, 9.5, 1.7, col::kBlue);
}

void DrawMonitor(Grid& g, const QBrush& screen) {
  g.Fill(7, 12, 9, 14, col::kInk);
  g.Fill(4, 14, 12, 15, col::kInk);
  g.Box(1.5, 1.5, 14.5, 11.5, col::kInk, screen);
}

void DrawCaptureFull(Grid& g) {
  DrawMonitor(g, Vertical(g, 2, 11, col::kBlue.lighter(125), col::kBlue));
  const QColor c = col::kPaper;
  g.Poly({{3.5, 5.5}, {3.5, 3.5}, {5.5, 3.5}}, c, Qt::NoBrush, 1, false);
  g.Poly({{10.5, 3.5}, {12.5, 3.5}, {12.5, 5.5}}, c, Qt::NoBrush, 1, false);
  g.Poly({{3.5, 7.5}, {3.5, 9.5}, {5.5, 9.5}}, c, Qt::NoBrush, 1, false);
  g.Poly({{12.5, 7.5}, {12.5, 9.5}, {10.5, 9.5}}, c, Qt::NoBrush, 1, false);
}

void DrawCaptureActive(Grid& g) {
  DrawMonitor(g, col::kShade);
  g.Box(7.5, 5.5, 12.5, 9.5, col::kSteel, col::kPaper);
  g.Box(3.5, 3.5, 9.5, 8.5, col::kBlueDark, col::kPaper);
  g.Fill(4, 4, 9, 6, col::kBlue);
}

void DrawCaptureRect(Grid& g) {
  g.Box(1.5, 2.5, 14.5, 13.5, col::kPaper, QColor(0x1f, 0x6f, 0xd1, 0x40));
  g.Dashed(1, 2.5, 15, 2.5, col::kInk, 2, 2);
  g.Dashed(15, 13.5, 1, 13.5, col::kInk, 2, 2);
  g.Dashed(1.5, 14, 1.5, 2, col::kInk, 2, 2);
  g.Dashed(14.5, 2, 14.5, 14, col::kInk, 2, 2);
  // Cross hair on the centre point, open in the middle.
  g.Line(7.5, 4.5, 7.5, 6, col::kRed);
  g.Line(7.5, 9, 7.5, 10.5, col::kRed);
  g.Line(4.5, 7.5, 6, 7.5, col::kRed);
  g.Line(9, 7.5, 10.5, 7.5, col::kRed);
  g.Bar(7.5, 7, 7.5, 8, col::kRed);
}

void DrawSettings(Grid& g) {
  QPainterPath gear;
  const int teeth = 8;
  const double outer = 7.2, root = 5.4, cx = 8, cy = 8;
  const double pitch = 2 * M_PI / teeth;
  for (int i = 0; i < teeth; ++i) {
    const double a = i * pitch;
    const double pts[4][2] = {{a - pitch * 0.30, root},
                              {a - pitch * 0.17, outer},
                              {a + pitch * 0.17, outer},
                              {a + pitch * 0.30, root}};
    for (const auto& pt : pts) {
      const QPointF q(g.Scale(cx + pt[1] * std::cos(pt[0])), g.Scale(cy + pt[1] * std::sin(pt[0])));
      if (i == 0 && &pt == &pts[0]) {
        gear.moveTo(q);
      } else {
        gear.lineTo(q);
      }
    }
  }
  gear.closeSubpath();
  gear.addEllipse(QPointF(g.Scale(cx), g.Scale(cy)), g.Scale(2.4), g.Scale(2.4));
  QPainter& p = g.Painter();
  p.setPen(QPen(col::kInk, g.Width(1), Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
  p.setBrush(Vertical(g, 1, 15, col::kSteelLight, col::kSteel));
  p.drawPath(gear);
}

// ---- tool panel ----

void DrawToolSegment(Grid& g) {
  g.Arrow(2, 14, 14.5, 1.5, col::kInk, 1.5, 5.5, 2.6);
}

void DrawToolRectangle(Grid& g) {
  g.Box(2.5, 3.5, 13.5, 12.5, col::kInk, col::kBlueLight);
}

void DrawToolCircle(Grid& g) {
  g.Circle(8, 8, 6.2, col::kInk, col::kBlueLight);
  g.Plus(8, 8, 1.5, col::kRed);
}

void DrawToolText(Grid& g) {
  g.Poly({{2.5, 15}, {8, 1.5}, {13.5, 15}}, col::kInk, Qt::NoBrush, 1.6, false, Qt::FlatCap);
  g.Line(5, 10.5, 11, 10.5, col::kInk, 1.4, Qt::FlatCap);
}

void DrawToolMove(Grid& g) {
  g.Fill(6, 6, 11, 11, col::kBlueLight);
  g.Line(2.5, 8, 13.5, 8, col::kInk);
  g.Line(8, 2.5, 8, 13.5, col::kInk);
  const int w = g.Width(1);
  g.Head(g.At(0.6, 8, w), {-1, 0}, 3.2, 2.6, col::kInk);
  g.Head(g.At(15.4, 8, w), {1, 0}, 3.2, 2.6, col::kInk);
  g.Head(g.At(8, 0.6, w), {0, -1}, 3.2, 2.6, col::kInk);
  g.Head(g.At(8, 15.4, w), {0, 1}, 3.2, 2.6, col::kInk);
}

void DrawToolDelete(Grid& g) {
  g.Box(1.5, 4.5, 11.5, 13.5, col::kSteel, col::kBlueLight);
  g.Line(5.5, 2.5, 14, 11, col::kRed, 2.2, Qt::RoundCap);
  g.Line(14, 2.5, 5.5, 11, col::kRed, 2.2, Qt::RoundCap);
}

// The trims: kept parts solid, the parts cut away dashed red.
void DrawToolTrimBoth(Grid& g) {
  g.Dashed(0, 9.5, 5, 9.5, col::kRed, 2, 1);
  g.Dashed(6.5, 11, 6.5, 16, col::kRed, 2, 1);
  g.Bar(6.5, 1, 6.5, 10, col::kInk);
  g.Bar(6, 9.5, 15, 9.5, col::kInk);
}

void DrawToolTrimOne(Grid& g) {
  g.Bar(1, 6.5, 15, 6.5, col::kBlue);
  g.Dashed(8.5, 0, 8.5, 5, col::kRed, 2, 1);
  g.Bar(8.5, 7, 8.5, 15, col::kInk);
}

void DrawToolExtend(Grid& g) {
  g.Dashed(13, 4, 13, 10, col::kSteel, 1, 1);  // the perpendicular from the picked point
  g.Line(1, 12, 7, 12, col::kInk, 1.5, Qt::FlatCap);
  g.Arrow(7, 12, 15, 12, col::kBlue, 1.5, 4, 3);
  g.Dot(13, 3.5, 2, col::kRed);
}

void DrawToolParallel(Grid& g) {
  g.Line(1.5, 9.5, 9.5, 1.5, col::kInk, 1.5, Qt::RoundCap);
  g.Line(6.5, 14.5, 14.5, 6.5, col::kBlue, 1.5, Qt::RoundCap);
  g.Arrow(6, 6, 10.5, 10.5, col::kOrange, 1, 3.6, 2.4);
}

// Blocks of a picture averaged into squares, in a frame.
void DrawToolMosaic(Grid& g) {
  const QColor cells[3][3] = {{col::kBlue, col::kBlueLight, col::kSteel},
                              {col::kShade, col::kBlueDark, col::kBlueLight},
                              {col::kSteelLight, col::kBlue, col::kShade}};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) g.Fill(2 + 4 * c, 2 + 4 * r, 6 + 4 * c, 6 + 4 * r, cells[r][c]);
  g.Box(1.5, 1.5, 14.5, 14.5, col::kInk, Qt::NoBrush);
}

// A filled disc with the figure 1 on it, drawn per size as the 1:1 of zoom-actual is.
void DrawToolMarker(Grid& g) {
  g.Circle(8, 8, 6.6, col::kRed.darker(130), col::kRed);
  const QPointF centre(g.Scale(8), g.Scale(8));
  if (g.Size() < 24) {
    g.Glyph(centre, {".#.", "##.", ".#.", ".#.", ".#.", "###"}, 1, col::kPaper);
  } else if (g.Size() < 32) {
    g.Glyph(centre, {"..#.", ".##.", "###.", "..#.", "..#.", "..#.", "..#.", ".###"}, 1,
            col::kPaper);
  } else {
    g.Glyph(centre,
            {"..##..", ".###..", "####..", "..##..", "..##..", "..##..", "..##..", "######"},
            g.Size() / 24, col::kPaper);
  }
}

// Lines of text with a translucent band over the middle one, and the pen that laid it.
void DrawToolHighlight(Grid& g) {
  g.Line(1.5, 2.5, 12.5, 2.5, col::kInk);
  g.Line(1.5, 6.5, 13.5, 6.5, col::kInk);
  g.Line(1.5, 10.5, 5.5, 10.5, col::kInk);
  g.Fill(1, 4, 15, 9, QColor(0xf7, 0xcf, 0x5c, 0xc0));
  g.Poly({{9.5, 9.5}, {12.5, 6.5}, {15.5, 9.5}, {12.5, 12.5}}, col::kInk, col::kYellow);
  g.Poly({{9.5, 9.5}, {12.5, 12.5}, {8.5, 14.5}, {7.5, 11.5}}, col::kInk, col::kYellowDark);
}

// ---- others ----

void DrawUndo(Grid& g) {
  const int w = g.Width(1.8);
  QPainterPath path;
  path.moveTo(g.At(4.5, 5.5, w));
  path.lineTo(g.At(9.5, 5.5, w));
  path.arcTo(QRectF(g.At(5.5, 5.5, w), g.At(13.5, 13.5, w)), 90, -180);
  path.lineTo(g.At(5.5, 13.5, w));
  QPainter& p = g.Painter();
  p.setPen(QPen(col::kBlue, w, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(path);
  g.Head(g.At(0.8, 5.5, w), {-1, 0}, 4.6, 3.6, col::kBlue);
}

// The undo arrow mirrored: it turns the other way and points right.
void DrawRedo(Grid& g) {
  const int w = g.Width(1.8);
  QPainterPath path;
  path.moveTo(g.At(11.5, 5.5, w));
  path.lineTo(g.At(6.5, 5.5, w));
  path.arcTo(QRectF(g.At(2.5, 5.5, w), g.At(10.5, 13.5, w)), 90, 180);
  path.lineTo(g.At(10.5, 13.5, w));
  QPainter& p = g.Painter();
  p.setPen(QPen(col::kBlue, w, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(path);
  g.Head(g.At(15.2, 5.5, w), {1, 0}, 4.6, 3.6, col::kBlue);
}

// The copy sheets with a red mark-up arrow over the front one.
void DrawCopyFigures(Grid& g) {
  DrawCopy(g);
  g.Arrow(7.5, 13, 12.5, 8, col::kRed, 1.2, 3.6, 2.2);
}

void DrawApp(Grid& g) {
  QLinearGradient bg(0, 0, g.Scale(16), g.Scale(16));
  bg.setColorAt(0, col::kBlue.lighter(120));
  bg.setColorAt(1, col::kBlueDark);
  g.Box(0.5, 0.5, 15.5, 15.5, col::kBlueDark, bg, 1, 3);
  const QColor c = col::kPaper;
  g.Poly({{3.5, 6.5}, {3.5, 3.5}, {6.5, 3.5}}, c, Qt::NoBrush, 1.2, false);
  g.Poly({{9.5, 3.5}, {12.5, 3.5}, {12.5, 6.5}}, c, Qt::NoBrush, 1.2, false);
  g.Poly({{3.5, 9.5}, {3.5, 12.5}, {6.5, 12.5}}, c, Qt::NoBrush, 1.2, false);
  g.Poly({{12.5, 9.5}, {12.5, 12.5}, {9.5, 12.5}}, c, Qt::NoBrush, 1.2, false);
  g.Arrow(5, 11, 11.5, 4.5, col::kOrange, 1.4, 4, 2.3);
}

struct Icon {
  const char* name;
  void (*draw)(Grid&);
  bool large;  // also 64 px
};

const Icon kIcons[] = {
    {"open", DrawOpen, false},
    {"save", DrawSave, false},
    {"zoom-frame", DrawZoomFrame, false},
    {"zoom-in", DrawZoomIn, false},
    {"zoom-out", DrawZoomOut, false},
    {"zoom-actual", DrawZoomActual, false},
    {"cut", DrawCut, false},
    {"copy", DrawCopy, false},
    {"paste", DrawPaste, false},
    {"capture", DrawCapture, false},
    {"capture-target-full", DrawCaptureFull, false},
    {"capture-target-active", DrawCaptureActive, false},
    {"settings", DrawSettings, false},
    {"tool-segment", DrawToolSegment, false},
    {"tool-rectangle", DrawToolRectangle, false},
    {"tool-circle", DrawToolCircle, false},
    {"tool-text", DrawToolText, false},
    {"tool-mosaic", DrawToolMosaic, false},
    {"tool-marker", DrawToolMarker, false},
    {"tool-highlight", DrawToolHighlight, false},
    {"tool-move", DrawToolMove, false},
    {"tool-delete", DrawToolDelete, false},
    {"tool-trim-both", DrawToolTrimBoth, false},
    {"tool-trim-one", DrawToolTrimOne, false},
    {"tool-extend", DrawToolExtend, false},
    {"tool-parallel", DrawToolParallel, false},
    {"undo", DrawUndo, false},
    {"redo", DrawRedo, false},
    {"copy-figures", DrawCopyFigures, false},
    {"capture-rect", DrawCaptureRect, false},
    {"app", DrawApp, true},
};

QImage Render(const Icon& icon, int size) {
  QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  Grid g(p, size);
  icon.draw(g);
  p.end();
  return img;
}

std::vector<int> SizesOf(const Icon& icon) {
  std::vector<int> sizes{16, 25, 32};
  if (icon.large) sizes.push_back(64);
  return sizes;
}

// All icons at 16 and 25 px, zoomed four times without smoothing, for checking by eye.
QImage ContactSheet() {
  const int zoom = 4, perRow = 4, cellW = 16 * zoom + 25 * zoom + 16 + 25 + 48,
            cellH = 25 * zoom + 28;
  const int count = static_cast<int>(std::size(kIcons));
  const int rows = (count + perRow - 1) / perRow;
  QImage sheet(perRow * cellW + 16, rows * cellH + 16, QImage::Format_RGB32);
  sheet.fill(QColor(0xd6, 0xd6, 0xd6));
  QPainter p(&sheet);
  QFont font = p.font();
  font.setPixelSize(12);
  p.setFont(font);
  for (int i = 0; i < count; ++i) {
    const int x = 8 + (i % perRow) * cellW, y = 8 + (i / perRow) * cellH;
    const QImage small = Render(kIcons[i], 16), big = Render(kIcons[i], 25);
    p.drawImage(x, y, small);
    p.drawImage(x, y + 20, big);
    p.drawImage(QRect(x + 32, y, 16 * zoom, 16 * zoom), small);
    p.drawImage(QRect(x + 40 + 16 * zoom, y, 25 * zoom, 25 * zoom), big);
    p.setPen(Qt::black);
    p.drawText(x, y + 25 * zoom + 16, QString::fromLatin1(kIcons[i].name));
  }
  return sheet;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() < 2) {
    std::fprintf(stderr,
                 "usage: make_icons <output folder> [--sheet <file.png>] [--hicolor <folder>]\n");
    return 2;
  }
  const QDir out(args[1]);
  if (!QDir().mkpath(out.path())) {
    std::fprintf(stderr, "cannot create %s\n", qPrintable(out.path()));
    return 1;
  }
  for (const Icon& icon : kIcons) {
    for (int size : SizesOf(icon)) {
      const QString file = out.filePath(QStringLiteral("%1-%2.png").arg(icon.name).arg(size));
      if (!Render(icon, size).save(file, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return 1;
      }
    }
  }
  const int hicolorArg = args.indexOf(QStringLiteral("--hicolor"));
  if (hicolorArg > 0 && hicolorArg + 1 < args.size()) {
    const Icon& app = *std::find_if(std::begin(kIcons), std::end(kIcons), [](const Icon& icon) {
      return std::strcmp(icon.name, "app") == 0;
    });
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
      const QDir folder(QStringLiteral("%1/%2x%2/apps").arg(args[hicolorArg + 1]).arg(size));
      const QString file = folder.filePath(QStringLiteral("velmor.png"));
      if (!QDir().mkpath(folder.path()) || !Render(app, size).save(file, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return 1;
      }
    }
  }
  const int sheetArg = args.indexOf(QStringLiteral("--sheet"));
  if (sheetArg > 0 && sheetArg + 1 < args.size() && !ContactSheet().save(args[sheetArg + 1])) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(args[sheetArg + 1]));
    return 1;
  }
  return 0;
}
