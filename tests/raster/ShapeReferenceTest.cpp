// The fills and outlines against plain versions of themselves on random shapes. The polygon fill
// walks its edges a row at a time with integer steps; its reference works each row out afresh
// from the vertices, with the crossings in floating point, on polygons turned, self-crossing,
// with horizontal and repeated edges, reaching past the surface and its clip, or far beyond both.
// The ellipse reference works out every row's half widths on their own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "raster/CanvasPixels.h"
#include "raster/GdiCanvas.h"
#include "raster/GdiRaster.h"

namespace velmor::platform {
namespace {

using namespace raster;

void ReferenceFillPolygon(QImage& image, const QRect& clip, const std::vector<CanvasPoint>& points,
                          int16_t mode, int16_t style, uint32_t color) {
  const Brush brush{style, Rop::Make(mode, color)};
  if (points.size() < 3 || !brush.Paints()) return;
  const Target t = TargetOf(image, clip);
  std::vector<std::pair<int64_t, int64_t>> v;
  for (const CanvasPoint& p : points) v.emplace_back(Pix(p.X), Pix(p.Y));
  int64_t yMin = v[0].second, yMax = yMin;
  for (const auto& p : v) yMin = std::min(yMin, p.second), yMax = std::max(yMax, p.second);
  yMin = std::max<int64_t>(yMin, t.top);
  yMax = std::min<int64_t>(yMax, t.bottom - 1);
  for (int64_t y = yMin; y <= yMax; ++y) {
    std::vector<double> cross;
    std::vector<std::pair<int64_t, int64_t>> walls;
    for (size_t k = 0; k < v.size(); ++k) {
      auto [ax, ay] = v[k];
      auto [bx, by] = v[(k + 1) % v.size()];
      if (std::min(ay, by) <= y && y <= std::max(ay, by))
        if (auto run = LineSteps(ax, ay, bx, by).RunOnRow(y)) walls.push_back(*run);
      if (ay == by) continue;
      if (ay > by) std::swap(ax, bx), std::swap(ay, by);
      if (y < ay || y >= by) continue;
      cross.push_back(double(ax) + double(y - ay) * double(bx - ax) / double(by - ay));
    }
    std::sort(cross.begin(), cross.end());
    std::sort(walls.begin(), walls.end());
    auto wall = walls.begin();
    for (size_t k = 0; k + 1 < cross.size(); k += 2) {
      int64_t x = std::max<int64_t>(int64_t(std::ceil(cross[k] - 1e-9)), t.left);
      const int64_t xb = std::min<int64_t>(int64_t(std::floor(cross[k + 1] + 1e-9)), t.right - 1);
      while (x <= xb) {
        while (wall != walls.end() && wall->second < x) ++wall;
        if (wall == walls.end() || wall->first > xb) {
          brush.Span(t, y, x, xb);
          break;
        }
        brush.Span(t, y, x, wall->first - 1);
        x = std::max(x, wall->second + 1);
      }
    }
  }
}

struct PolygonCase {
  const char* name;
  int extent;  // coordinates spread over [-extent / 2, 3 extent / 2) of the 64-pixel surface
  double far;  // how far a vertex may be thrown, 0 for none
};

void PrintTo(const PolygonCase& c, std::ostream* os) {
  *os << c.name;
}

class PolygonFill : public ::testing::TestWithParam<PolygonCase> {};

TEST_P(PolygonFill, MatchesTheRowByRowReference) {
  const PolygonCase c = GetParam();
  constexpr int kSize = 64;
  std::mt19937 gen(17);
  auto coord = [&] {
    const double v = std::uniform_int_distribution<int>(-c.extent / 2, c.extent * 3 / 2)(gen);
    return float(v * kSize / c.extent + (gen() % 2 ? 0.5 : 0.0));
  };
  const int16_t modes[] = {kCopyPen, kXorPen, kNotCopyPen};
  const int16_t styles[] = {kFillSolid,          kFillHorizontal,       kFillVertical,
                            kFillUpwardDiagonal, kFillDownwardDiagonal, kFillCross,
                            kFillDiagonalCross};
  for (int round = 0; round < 1500; ++round) {
    std::vector<CanvasPoint> points(3 + gen() % 6);
    for (CanvasPoint& p : points) p = {coord(), coord()};
    if (round % 3 == 0) points[1].Y = points[0].Y;                  // a horizontal edge
    if (round % 7 == 0) points[2] = points[1];                      // a repeated vertex
    if (round % 5 == 0) points[3 % points.size()].X = points[0].X;  // a vertical one
    if (c.far > 0) {
      std::uniform_real_distribution<double> thrown(-c.far, c.far);
      points[gen() % points.size()] = {float(thrown(gen)), float(thrown(gen))};
      if (round % 2 == 0) points[gen() % points.size()].X = float(thrown(gen));
    }
    const int16_t mode = modes[round % 3];
    const int16_t style = styles[gen() % 7];
    const uint32_t color = gen() & 0xFFFFFFu;
    QRect clip(0, 0, kSize, kSize);
    if (round % 4 == 1)
      clip =
          QRect(int(gen() % 20), int(gen() % 20), 10 + int(gen() % 40), 5 + int(gen() % 40)) & clip;
    QImage fast = test::Noise(kSize, kSize, unsigned(round));
    QImage reference = fast.copy();
    GdiCanvas canvas(&fast);
    if (clip != fast.rect()) canvas.SetClip(&fast, clip);
    canvas.SetDrawMode(mode);
    canvas.SetFillStyle(style);
    canvas.SetFillColor(color);
    canvas.FillPolygon(points);
    ReferenceFillPolygon(reference, clip, points, mode, style, color);
    ASSERT_EQ(test::Differences(fast, reference), 0)
        << c.name << " round " << round << " vertices " << points.size() << " style " << style;
  }
}

INSTANTIATE_TEST_SUITE_P(Shapes, PolygonFill,
                         ::testing::Values(PolygonCase{"inside", 64, 0},
                                           PolygonCase{"across the edges", 64 * 3, 0},
                                           PolygonCase{"small", 16, 0},
                                           PolygonCase{"far vertices", 64, 3e7},
                                           PolygonCase{"beyond the coordinate range", 64, 4e9},
                                           PolygonCase{"long thin edges", 64, 2e6}),
                         [](const auto& info) {
                           std::string name = info.param.name;
                           std::replace(name.begin(), name.end(), ' ', '_');
                           return name;
                         });

struct Pens {
  int16_t mode, style, width;
  uint32_t fore, fill;
  int16_t fillStyle;
};

void ReferenceCircle(QImage& image, const QRect& clip, float cx, float cy, float radius,
                     float aspect, const Pens& c) {
  const Target t = TargetOf(image, clip);
  const double r = std::fabs(double(radius)), a = std::fabs(double(aspect));
  const double rxExact = a < 1 ? r : r / a, ryExact = a < 1 ? r * a : r;
  const int64_t x0 = Pix(cx), y0 = Pix(cy);
  const double rx = double(Pix(rxExact)), ry = double(Pix(ryExact));
  const int width = std::max<int>(c.width, 1);
  const double h = (width - 1) / 2.0;
  // Pixel centres within the ellipse through the middle of the pen's outer and inner edges.
  const double ox = rx + 0.5 + h, oy = ry + 0.5 + h, ix = rx + 0.5 - h, iy = ry + 0.5 - h;
  const Rop pen = Rop::Make(c.mode, c.fore);
  const Brush brush{c.fillStyle, Rop::Make(c.mode, c.fill)};
  const PenPattern pattern(width == 1 ? c.style : kSolid);
  const bool penVisible = c.style != kInvisiblePen;
  const int64_t rows = int64_t(std::floor(oy));
  const int64_t dyFirst = std::max(-rows, t.top - y0), dyLast = std::min(rows, t.bottom - 1 - y0);
  const bool styled = penVisible && !pattern.Solid();
  // A styled outline is walked whole so that its pattern does not depend on what is visible,
  // unless it is too large to walk.
  const bool walkWhole = styled && rows <= 100000;
  const int64_t first = walkWhole ? -rows : dyFirst, last = walkWhole ? rows : dyLast;
  if (first > last) return;
  // Half widths of the outer and inner ellipses on rows first - 1 to last + 1.
  std::vector<int64_t> outerHalf(size_t(last - first + 3)), innerHalf(outerHalf.size());
  const bool thin = ix == ox && iy == oy;
  for (size_t k = 0; k < outerHalf.size(); ++k) {
    const int64_t dy = first - 1 + int64_t(k);
    outerHalf[k] = HalfWidth(ox, oy, dy);
    innerHalf[k] = thin ? outerHalf[k] : HalfWidth(ix, iy, dy);
  }
  auto outerAt = [&](int64_t dy) { return outerHalf[size_t(dy - first + 1)]; };
  auto innerAt = [&](int64_t dy) {  // pixels whose four neighbours are all inside
    const size_t k = size_t(dy - first + 1);
    return std::min({innerHalf[k] - 1, innerHalf[k - 1], innerHalf[k + 1]});
  };
  for (int64_t dy = std::max(first, dyFirst); dy <= std::min(last, dyLast); ++dy) {
    const int64_t y = y0 + dy;
    const int64_t outer = outerAt(dy), inner = innerAt(dy);
    if (brush.Paints() && inner >= 0) brush.Span(t, y, x0 - inner, x0 + inner);
    if (!penVisible || outer < 0 || styled) continue;
    if (inner < 0) {
      t.Span(y, x0 - outer, x0 + outer, pen);
    } else {
      t.Span(y, x0 - outer, x0 - inner - 1, pen);
      t.Span(y, x0 + inner + 1, x0 + outer, pen);
    }
  }
  if (!styled) return;
  // The styled outline is one pixel wide: walk it counterclockwise from its rightmost point, a
  // quarter at a time, so that the pattern runs along it. The right half is dx > 0.
  int64_t index = 0;
  // The pixels dx = from, from + step, ... to of row dy.
  auto walk = [&](int64_t dy, int64_t from, int64_t to, int64_t step) {
    const int64_t count = (to - from) * step + 1;
    if (count <= 0) return;
    const int64_t y = y0 + dy;
    if (y >= t.top && y < t.bottom) {
      int64_t lo = x0 + std::min(from, to), hi = x0 + std::max(from, to);
      lo = std::max<int64_t>(lo, t.left);
      hi = std::min<int64_t>(hi, t.right - 1);
      for (int64_t x = lo; x <= hi; ++x)
        if (pattern.On(index + (x - x0 - from) * step)) t.Pixel(x, y, pen);
    }
    index += count;
  };
  auto right = [&](int64_t dy, bool outward) {
    const int64_t o = outerAt(dy), i = innerAt(dy);
    if (o < 0) return;
    const int64_t near = std::max<int64_t>(i, 0) + 1;
    outward ? walk(dy, near, o, 1) : walk(dy, o, near, -1);
  };
  auto left = [&](int64_t dy, bool outward) {
    const int64_t o = outerAt(dy), i = innerAt(dy);
    if (o < 0) return;
    const int64_t near = i >= 0 ? -i - 1 : 0;
    outward ? walk(dy, near, -o, -1) : walk(dy, -o, near, 1);
  };
  for (int64_t dy = std::min<int64_t>(0, last); dy >= first; --dy) right(dy, false);
  for (int64_t dy = first; dy <= std::min<int64_t>(0, last); ++dy) left(dy, true);
  for (int64_t dy = std::max<int64_t>(1, first); dy <= last; ++dy) left(dy, false);
  for (int64_t dy = last; dy >= std::max<int64_t>(1, first); --dy) right(dy, true);
}

TEST(EllipseReference, OutlinesAndFillsMatchRowByRow) {
  constexpr int kSize = 64;
  std::mt19937 gen(29);
  std::uniform_real_distribution<float> at(-40, kSize + 40), size(0, 70), squeeze(0.1f, 4);
  const int16_t modes[] = {kCopyPen, kXorPen, kNotCopyPen};
  for (int round = 0; round < 1500; ++round) {
    const Pens pens{modes[round % 3],
                    int16_t(gen() % 6),
                    int16_t(round % 3 == 0 ? 1 + gen() % 9 : 1),
                    uint32_t(gen() & 0xFFFFFFu),
                    uint32_t(gen() & 0xFFFFFFu),
                    int16_t(gen() % 8)};
    float cx = at(gen), cy = at(gen), radius = size(gen), aspect = squeeze(gen);
    if (round % 5 == 0) cx = std::round(cx) + 0.5f, radius = std::round(radius);
    if (round % 11 == 0) aspect = 1;
    if (round % 13 == 0) radius = float(gen() % 3);
    if (round % 17 == 0)
      cy = float(int(gen() % 2000) - 1000) * 100.0f, radius = std::fabs(cy) + float(gen() % 50);
    QRect clip(0, 0, kSize, kSize);
    if (round % 4 == 1)
      clip =
          QRect(int(gen() % 30), int(gen() % 30), 5 + int(gen() % 40), 3 + int(gen() % 40)) & clip;
    QImage fast = test::Noise(kSize, kSize, unsigned(round));
    QImage reference = fast.copy();
    GdiCanvas canvas(&fast);
    if (clip != fast.rect()) canvas.SetClip(&fast, clip);
    canvas.SetDrawMode(pens.mode);
    canvas.SetDrawStyle(pens.style);
    canvas.SetDrawWidth(pens.width);
    canvas.SetForeColor(pens.fore);
    canvas.SetFillColor(pens.fill);
    canvas.SetFillStyle(pens.fillStyle);
    canvas.Circle(cx, cy, radius, aspect);
    ReferenceCircle(reference, clip, cx, cy, radius, aspect, pens);
    ASSERT_EQ(test::Differences(fast, reference), 0)
        << "round " << round << " centre " << cx << "," << cy << " radius " << radius << " aspect "
        << aspect << " width " << pens.width << " style " << pens.style;
  }
}

TEST(EllipseReference, HalfWidthsTwoAtATimeAreTheOneAtATimeOnes) {
  std::mt19937 gen(31);
  std::vector<int64_t> rows;
  for (int round = 0; round < 3000; ++round) {
    const double scale = std::pow(10.0, double(gen() % 9));  // up to far beyond any surface
    const double rx = std::floor(std::uniform_real_distribution<double>(0, 1)(gen) * scale) +
                      (gen() % 3) * 0.5 - (round % 50 == 0 ? scale : 0);
    const double ry =
        std::floor(std::uniform_real_distribution<double>(0, 1)(gen) * scale) + (gen() % 3) * 0.5;
    const int64_t from = round % 2 ? 0 : int64_t(gen() % uint64_t(ry + 2));
    rows.assign(1 + gen() % 40, -7);
    HalfWidths(rx, ry, from, rows.data(), rows.size());
    for (size_t k = 0; k < rows.size(); ++k)
      ASSERT_EQ(rows[k], HalfWidth(rx, ry, from + int64_t(k)))
          << "rx " << rx << " ry " << ry << " row " << from + int64_t(k);
  }
}

TEST(RasterRounding, PixelCoordinatesRoundAsRoundHalfEven) {
  std::mt19937 gen(37);
  std::vector<double> values = {0.5,
                                1.5,
                                2.5,
                                -0.5,
                                -1.5,
                                -2.5,
                                -0.0,
                                0.49999999999999994,
                                4503599627370495.5,
                                4503599627370497.0,
                                -4503599627370495.5,
                                1e300,
                                -1e300,
                                536870911.5,
                                536870912.5,
                                -536870912.5};
  for (int k = 0; k < 100000; ++k) {
    const double scale = std::pow(2.0, double(gen() % 60));
    values.push_back(std::uniform_real_distribution<double>(-scale, scale)(gen));
    values.push_back(std::floor(values.back()) + 0.5);
  }
  for (double v : values) {
    ASSERT_EQ(RoundFinite(v), RoundHalfEven(v)) << v;
    ASSERT_EQ(std::signbit(RoundFinite(v)), std::signbit(RoundHalfEven(v))) << v;
    ASSERT_EQ(Pix(v),
              int64_t(std::clamp(RoundHalfEven(v), -double(kCoordLimit), double(kCoordLimit))))
        << v;
  }
}

}  // namespace
}  // namespace velmor::platform
