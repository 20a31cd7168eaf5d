#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "raster/CanvasPixels.h"
#include "raster/GdiCanvas.h"

namespace velmor::platform {
namespace {

using test::ChangedArea;
using test::CountIf;
using test::Differences;
using test::Noise;
using test::Plain;
using test::Rgb;

constexpr QRgb kWhite = 0xFFFFFFFF, kBlack = 0xFF000000;

// The x positions lit on row y.
std::vector<int> LitOnRow(const QImage& image, int y, QRgb background) {
  std::vector<int> xs;
  for (int x = 0; x < image.width(); ++x)
    if (image.pixel(x, y) != background) xs.push_back(x);
  return xs;
}

std::vector<int> Range(int from, int to) {
  std::vector<int> v;
  for (int i = from; i <= to; ++i) v.push_back(i);
  return v;
}

TEST(CanvasLine, CoversBothEndsAndNothingElse) {
  QImage image = Plain(40, 10, kWhite);
  GdiCanvas canvas(&image);
  canvas.Line(10, 5, 20, 5);
  EXPECT_EQ(LitOnRow(image, 5, kWhite), Range(10, 20));
  EXPECT_EQ(CountIf(image, [](int, int, QRgb p) { return p != kWhite; }), 11);
  EXPECT_FLOAT_EQ(canvas.CurrentX(), 20);
  // Coordinates are rounded to whole pixels, a half to the even neighbour.
  QImage second = Plain(40, 10, kWhite);
  canvas.Bind(&second);
  canvas.Line(2.5f, 3.5f, 4.5f, 3.5f);
  EXPECT_EQ(LitOnRow(second, 4, kWhite), Range(2, 4));
}

TEST(CanvasLine, PixelsDoNotDependOnTheDirection) {
  const int ends[][4] = {{3, 4, 57, 21}, {50, 2, 7, 39},  {10, 10, 13, 50},
                         {0, 0, 59, 59}, {5, 30, 55, 29}, {44, 3, 40, 58}};
  for (const auto& e : ends) {
    QImage forward = Plain(60, 60, kWhite), backward = Plain(60, 60, kWhite);
    GdiCanvas a(&forward), b(&backward);
    a.Line(e[0], e[1], e[2], e[3]);
    b.Line(e[2], e[3], e[0], e[1]);
    EXPECT_EQ(Differences(forward, backward), 0) << e[0] << "," << e[1] << " " << e[2];
    // An 8-connected line: exactly one pixel per step along its longer axis.
    const int steps = std::max(std::abs(e[2] - e[0]), std::abs(e[3] - e[1]));
    EXPECT_EQ(CountIf(forward, [](int, int, QRgb p) { return p != kWhite; }), steps + 1);
  }
}

TEST(CanvasLine, FarEndsAreClippedToTheSameDiagonal) {
  QImage image = Plain(50, 50, kWhite);
  GdiCanvas canvas(&image);
  canvas.Line(-1e6f, -1e6f, 1e6f, 1e6f);
  EXPECT_EQ(CountIf(image, [](int x, int y, QRgb p) { return (p != kWhite) != (x == y); }), 0);
  canvas.Line(-3e9f, 25, 3e9f, 25);  // beyond the canvas's own coordinate range
  EXPECT_EQ(LitOnRow(image, 25, kWhite), Range(0, 49));
}

std::string LineStyleName(int16_t style) {
  static const char* const kNames[] = {"solid", "dash", "dot", "dash_dot", "dash_dot_dot"};
  return kNames[style];
}

struct StyleCase {
  int16_t style;
  std::vector<int> on;  // lit x positions of a line from x = 0 to x = 47
};

void PrintTo(const StyleCase& c, std::ostream* os) {
  *os << LineStyleName(c.style);
}

class CanvasLineStyle : public testing::TestWithParam<StyleCase> {};

TEST_P(CanvasLineStyle, RepeatsTheCosmeticPattern) {
  QImage image = Plain(48, 3, kWhite);
  GdiCanvas canvas(&image);
  canvas.SetDrawStyle(GetParam().style);
  canvas.Line(0, 1, 47, 1);
  EXPECT_EQ(LitOnRow(image, 1, kWhite), GetParam().on);
}

std::vector<int> Join(std::initializer_list<std::vector<int>> parts) {
  std::vector<int> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

INSTANTIATE_TEST_SUITE_P(
    Styles, CanvasLineStyle,
    testing::Values(
        StyleCase{kSolid, Range(0, 47)}, StyleCase{kDash, Join({Range(0, 17), Range(24, 41)})},
        StyleCase{kDot, Join({Range(0, 2), Range(6, 8), Range(12, 14), Range(18, 20), Range(24, 26),
                              Range(30, 32), Range(36, 38), Range(42, 44)})},
        StyleCase{kDashDot, Join({Range(0, 8), Range(15, 17), Range(24, 32), Range(39, 41)})},
        StyleCase{kDashDotDot, Join({Range(0, 8), Range(12, 14), Range(18, 20), Range(24, 32),
                                     Range(36, 38), Range(42, 44)})}),
    [](const testing::TestParamInfo<StyleCase>& info) { return LineStyleName(info.param.style); });

TEST(CanvasLineStyle, PatternStartsAtTheFirstPointWhicheverWayTheLineRuns) {
  QImage image = Plain(48, 3, kWhite);
  GdiCanvas canvas(&image);
  canvas.SetDrawStyle(kDash);
  canvas.Line(47, 1, 0, 1);
  EXPECT_EQ(LitOnRow(image, 1, kWhite), Join({Range(6, 23), Range(30, 47)}));
}

TEST(CanvasLineWidth, WideLinesAreSolidAndExactlyAsThick) {
  for (int width : {2, 3, 4, 7}) {
    QImage image = Plain(60, 40, kWhite);
    GdiCanvas canvas(&image);
    canvas.SetDrawStyle(kDot);  // ignored beyond width 1
    canvas.SetDrawWidth(int16_t(width));
    canvas.Line(10, 20, 50, 20);
    std::set<int> rows;
    for (int y = 0; y < 40; ++y)
      if (image.pixel(30, y) != kWhite) rows.insert(y);
    EXPECT_EQ(int(rows.size()), width) << width;
    EXPECT_EQ(*rows.rbegin() - *rows.begin() + 1, width) << width;
    EXPECT_EQ(LitOnRow(image, 20, kWhite).size(), 41u + 2 * (width / 2) - (width % 2 ? 0 : 1))
        << "round ends reach half the width beyond each end point, width " << width;
    // Vertical lines are as thick as horizontal ones.
    QImage upright = Plain(40, 60, kWhite);
    GdiCanvas v(&upright);
    v.SetDrawWidth(int16_t(width));
    v.Line(20, 10, 20, 50);
    EXPECT_EQ(LitOnRow(upright, 30, kWhite).size(), size_t(width));
  }
}

TEST(CanvasDrawMode, NotCopyPenPaintsTheInverseOfThePen) {
  QImage image = Noise(30, 5);
  GdiCanvas canvas(&image);
  canvas.SetDrawMode(kNotCopyPen);
  canvas.SetForeColor(Rgb(128, 0, 0));
  canvas.Line(0, 2, 29, 2);
  for (int x = 0; x < 30; ++x) EXPECT_EQ(image.pixel(x, 2), qRgb(127, 255, 255));
}

TEST(CanvasDrawMode, XorPenCombinesWithThePicture) {
  QImage image = Plain(10, 3, qRgb(0x12, 0x34, 0x56));
  GdiCanvas canvas(&image);
  canvas.SetDrawMode(kXorPen);
  canvas.SetForeColor(Rgb(0xFF, 0x0F, 0x01));
  canvas.Line(0, 1, 9, 1);
  EXPECT_EQ(image.pixel(4, 1), qRgb(0x12 ^ 0xFF, 0x34 ^ 0x0F, 0x56 ^ 0x01));
  EXPECT_EQ(image.pixel(4, 0), qRgb(0x12, 0x34, 0x56));
}

// Each shape drawn in exclusive-or on a busy picture; drawn again, the picture must come back.
// Drawn once on black it must look as drawn with the copy pen: no pixel was touched twice.
struct Shape {
  const char* name;
  std::function<void(GdiCanvas&)> draw;
};

void PrintTo(const Shape& shape, std::ostream* os) {
  *os << shape.name;
}

class CanvasXor : public testing::TestWithParam<Shape> {};

TEST_P(CanvasXor, TwiceRestoresThePictureAndOnceTouchesEachPixelOnce) {
  const QImage original = Noise(120, 90);
  QImage image = original;
  GdiCanvas canvas(&image);
  auto setUp = [](GdiCanvas& c, int16_t mode) {
    c.SetDrawMode(mode);
    c.SetForeColor(Rgb(255, 255, 255));
    c.SetFillColor(Rgb(255, 255, 255));
  };
  setUp(canvas, kXorPen);
  GetParam().draw(canvas);
  EXPECT_GT(Differences(original, image), 0);
  GetParam().draw(canvas);
  EXPECT_EQ(Differences(original, image), 0);

  QImage xored = Plain(120, 90, kBlack), copied = Plain(120, 90, kBlack);
  GdiCanvas x(&xored), c(&copied);
  setUp(x, kXorPen);
  setUp(c, kCopyPen);
  GetParam().draw(x);
  GetParam().draw(c);
  EXPECT_EQ(Differences(xored, copied), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, CanvasXor,
    testing::Values(Shape{"line", [](GdiCanvas& c) { c.Line(3, 80, 110, 7); }},
                    Shape{"dotted_line",
                          [](GdiCanvas& c) {
                            c.SetDrawStyle(kDot);
                            c.Line(100, 85, 5, 2);
                          }},
                    Shape{"wide_line",
                          [](GdiCanvas& c) {
                            c.SetDrawWidth(6);
                            c.Line(10, 10, 100, 60);
                          }},
                    Shape{"box",
                          [](GdiCanvas& c) {
                            c.SetFillStyle(kFillNone);
                            c.Box(100, 70, 10, 12);
                          }},
                    Shape{"dotted_box_partly_outside",
                          [](GdiCanvas& c) {
                            c.SetDrawStyle(kDot);
                            c.Box(-20, 30, 60, 200);
                          }},
                    Shape{"thin_box",
                          [](GdiCanvas& c) {
                            c.SetDrawStyle(kDash);
                            c.Box(20, 40, 90, 40);
                          }},
                    Shape{"wide_filled_box",
                          [](GdiCanvas& c) {
                            c.SetDrawWidth(4);
                            c.SetFillStyle(kFillSolid);
                            c.Box(10, 12, 100, 70);
                          }},
                    Shape{"hatched_box",
                          [](GdiCanvas& c) {
                            c.SetFillStyle(kFillDiagonalCross);
                            c.Box(10, 12, 100, 70);
                          }},
                    Shape{"circle", [](GdiCanvas& c) { c.Circle(60, 45, 30); }},
                    Shape{"dotted_ellipse",
                          [](GdiCanvas& c) {
                            c.SetDrawStyle(kDot);
                            c.Circle(60, 45, 50, 0.4f);
                          }},
                    Shape{"tall_filled_ellipse",
                          [](GdiCanvas& c) {
                            c.SetFillStyle(kFillSolid);
                            c.SetDrawWidth(3);
                            c.Circle(60, 45, 40, 2.5f);
                          }},
                    Shape{"closed_polyline",
                          [](GdiCanvas& c) {
                            c.Polyline({{10, 10}, {100, 20}, {60, 80}, {10, 10}});
                          }},
                    Shape{"wide_polyline",
                          [](GdiCanvas& c) {
                            c.SetDrawWidth(5);
                            c.Polyline({{10, 10}, {100, 20}, {60, 80}, {10, 10}});
                          }},
                    Shape{"polygon_fill",
                          [](GdiCanvas& c) {
                            c.SetFillStyle(kFillSolid);
                            c.FillPolygon({{10, 10}, {100, 20}, {60, 80}});
                          }}),
    [](const testing::TestParamInfo<Shape>& info) { return std::string(info.param.name); });

TEST(CanvasBox, OutlineWithThePenInsideWithTheBrush) {
  QImage image = Plain(30, 30, kWhite);
  GdiCanvas canvas(&image);
  canvas.SetForeColor(Rgb(255, 0, 0));
  canvas.SetFillColor(Rgb(0, 0, 255));
  canvas.SetFillStyle(kFillSolid);
  canvas.Box(20, 25, 5, 10);  // any two opposite corners
  EXPECT_EQ(ChangedArea(Plain(30, 30, kWhite), image), QRect(QPoint(5, 10), QPoint(20, 25)));
  EXPECT_EQ(image.pixel(5, 10), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(20, 17), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(12, 25), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(6, 11), qRgb(0, 0, 255));
  EXPECT_EQ(image.pixel(19, 24), qRgb(0, 0, 255));
}

std::string FillStyleName(int16_t style) {
  static const char* const kNames[] = {"solid",  "none",     "horizontal", "vertical",
                                       "upward", "downward", "cross",      "diagonal_cross"};
  return kNames[style];
}

struct HatchCase {
  int16_t style;
  std::function<bool(int x, int y)> onLine;
};

void PrintTo(const HatchCase& c, std::ostream* os) {
  *os << FillStyleName(c.style);
}

class CanvasHatch : public testing::TestWithParam<HatchCase> {};

TEST_P(CanvasHatch, LaysLinesOverTheUntouchedBackground) {
  const QImage original = Noise(64, 64);
  QImage image = original;
  GdiCanvas canvas(&image);
  canvas.SetDrawStyle(kInvisiblePen);  // only the brush shows
  canvas.SetFillColor(Rgb(0, 255, 0));
  canvas.SetFillStyle(GetParam().style);
  canvas.Box(3, 5, 60, 58);
  int lit = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const bool inside = x > 3 && x < 60 && y > 5 && y < 58;
      const bool hatch = inside && GetParam().onLine(x, y);
      lit += hatch;
      ASSERT_EQ(image.pixel(x, y), hatch ? qRgb(0, 255, 0) : original.pixel(x, y)) << x << "," << y;
    }
  EXPECT_GT(lit, 50);
}

INSTANTIATE_TEST_SUITE_P(
    Hatches, CanvasHatch,
    testing::Values(
        HatchCase{kFillHorizontal, [](int, int y) { return y % 8 == 0; }},
        HatchCase{kFillVertical, [](int x, int) { return x % 8 == 0; }},
        HatchCase{kFillUpwardDiagonal, [](int x, int y) { return (x + y) % 8 == 0; }},
        HatchCase{kFillDownwardDiagonal, [](int x, int y) { return (x - y + 64) % 8 == 0; }},
        HatchCase{kFillCross, [](int x, int y) { return x % 8 == 0 || y % 8 == 0; }},
        HatchCase{kFillDiagonalCross,
                  [](int x, int y) { return (x + y) % 8 == 0 || (x - y + 64) % 8 == 0; }}),
    [](const testing::TestParamInfo<HatchCase>& info) { return FillStyleName(info.param.style); });

TEST(CanvasCircle, AspectSqueezesTheShorterAxis) {
  const QImage blank = Plain(100, 100, kWhite);
  struct Case {
    float aspect;
    QRect box;
  } cases[] = {{1.0f, QRect(QPoint(30, 30), QPoint(70, 70))},
               {0.5f, QRect(QPoint(30, 40), QPoint(70, 60))},   // radius across, half as high
               {2.0f, QRect(QPoint(40, 30), QPoint(60, 70))},   // radius up, half as wide
               {0.0f, QRect(QPoint(30, 50), QPoint(70, 50))}};  // flat
  for (const Case& c : cases) {
    QImage image = blank;
    GdiCanvas canvas(&image);
    canvas.Circle(50, 50, 20, c.aspect);
    EXPECT_EQ(ChangedArea(blank, image), c.box) << c.aspect;
  }
}

TEST(CanvasCircle, FillsInsideTheOutline) {
  QImage image = Plain(60, 60, kWhite);
  GdiCanvas canvas(&image);
  canvas.SetForeColor(Rgb(255, 0, 0));
  canvas.SetFillColor(Rgb(0, 0, 255));
  canvas.SetFillStyle(kFillSolid);
  canvas.Circle(30, 30, 15);
  EXPECT_EQ(image.pixel(30, 30), qRgb(0, 0, 255));
  EXPECT_EQ(image.pixel(15, 30), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(30, 45), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(14, 30), kWhite);
  // Every blue pixel has four coloured neighbours: the outline closes the fill in.
  EXPECT_EQ(CountIf(image,
                    [&](int x, int y, QRgb p) {
                      if (p != qRgb(0, 0, 255)) return false;
                      for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}})
                        if (image.pixel(x + dx, y + dy) == kWhite) return true;
                      return false;
                    }),
            0);
}

TEST(CanvasCircle, StyledOutlineRunsItsPatternAlongTheCurve) {
  const QImage blank = Plain(100, 100, kWhite);
  QImage solid = blank, dotted = blank;
  GdiCanvas a(&solid), b(&dotted);
  a.Circle(50, 50, 40, 0.7f);
  b.SetDrawStyle(kDot);
  b.Circle(50, 50, 40, 0.7f);
  auto lit = [](const QImage& image) {
    return CountIf(image, [](int, int, QRgb p) { return p != kWhite; });
  };
  // Three on, three off along the outline: half of it, and only pixels of it.
  EXPECT_NEAR(lit(dotted), lit(solid) / 2.0, 3);
  EXPECT_EQ(
      CountIf(dotted, [&](int x, int y, QRgb p) { return p != solid.pixel(x, y) && p != kWhite; }),
      0);
  // The pattern starts at the rightmost point and goes counterclockwise.
  for (int y : {50, 49, 48}) EXPECT_NE(dotted.pixel(90, y), kWhite) << y;
  EXPECT_NE(solid.pixel(90, 47), kWhite);
  EXPECT_EQ(dotted.pixel(90, 47), kWhite);
}

TEST(CanvasFillPolygon, FillsTheShapeEvenWhereItLeavesTheSurface) {
  const QImage original = Noise(50, 50);
  QImage image = original;
  GdiCanvas canvas(&image);
  canvas.SetFillColor(Rgb(0, 0, 255));
  canvas.SetFillStyle(kFillSolid);
  // A square standing out of the left edge; its outline is cut by the edge.
  const std::vector<CanvasPoint> square = {{-20, 10}, {30, 10}, {30, 40}, {-20, 40}};
  canvas.FillPolygon(square);
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 50; ++x) {
      const bool inside = x < 30 && y > 10 && y < 40;
      ASSERT_EQ(image.pixel(x, y), inside ? qRgb(0, 0, 255) : original.pixel(x, y))
          << x << "," << y;
    }
}

TEST(CanvasFillPolygon, PixelsOfTheFillColourInsideLeaveNoHoles) {
  QImage image = Plain(40, 40, kWhite);
  for (int x = 5; x < 35; ++x) image.setPixel(x, 20, qRgb(0, 0, 255));  // a wall across
  GdiCanvas canvas(&image);
  canvas.SetForeColor(Rgb(0, 0, 255));
  canvas.SetFillColor(Rgb(0, 0, 255));
  canvas.SetFillStyle(kFillSolid);
  const std::vector<CanvasPoint> box = {{10, 10}, {30, 10}, {30, 30}, {10, 30}};
  canvas.Polyline({box[0], box[1], box[2], box[3], box[0]});
  canvas.FillPolygon(box);
  for (int y = 10; y <= 30; ++y)
    for (int x = 10; x <= 30; ++x) ASSERT_EQ(image.pixel(x, y), qRgb(0, 0, 255));
  EXPECT_EQ(image.pixel(9, 15), kWhite);
}

TEST(CanvasFillPolygon, TurnedBoxFillMeetsItsOutline) {
  QImage image = Plain(80, 80, kWhite);
  GdiCanvas canvas(&image);
  canvas.SetForeColor(Rgb(255, 0, 0));
  canvas.SetFillColor(Rgb(0, 0, 255));
  canvas.SetFillStyle(kFillSolid);
  const std::vector<CanvasPoint> box = {{10, 40}, {52.4f, 15.5f}, {62.4f, 32.8f}, {20, 57.3f}};
  canvas.Polyline({box[0], box[1], box[2], box[3], box[0]});
  canvas.FillPolygon(box);
  // No white pixel lies between the red outline pixels of any row.
  for (int y = 0; y < 80; ++y) {
    const std::vector<int> lit = LitOnRow(image, y, kWhite);
    if (lit.empty()) continue;
    EXPECT_EQ(int(lit.size()), lit.back() - lit.front() + 1) << "row " << y;
  }
  EXPECT_GT(CountIf(image, [](int, int, QRgb p) { return p == qRgb(0, 0, 255); }), 500);
}

TEST(CanvasText, FontHeightFollowsTheTurnedFontRule) {
  GdiCanvas canvas;
  canvas.SetFontName("IPAGothic");
  canvas.SetFontSize(12);
  EXPECT_EQ(canvas.CellHeightForPoints(12), 16);  // 243 / 15
  EXPECT_EQ(canvas.CellHeightForPoints(10), 13);  // 202 (202.5 to even) / 15
  EXPECT_EQ(canvas.TextHeight("あ"), 16);
  // The size the device chose: a whole number of pixels of character height.
  canvas.SetFontSize(10);
  EXPECT_DOUBLE_EQ(canvas.FontSize(), 9.75);
  EXPECT_EQ(canvas.TextHeight("x"), 13);
  canvas.SetTwipsPerPixelX(7.5);  // a 192-dpi screen
  canvas.SetFontSize(12);
  EXPECT_EQ(canvas.TextHeight("x"), 30);  // 243 / 8
}

TEST(CanvasText, WidthGrowsWithTheTextAndEmptyTextIsNothing) {
  GdiCanvas canvas;
  canvas.SetFontName("IPAGothic");
  canvas.SetFontSize(12);
  EXPECT_EQ(canvas.TextWidth(""), 0);
  const int one = canvas.TextWidth("文");
  EXPECT_GT(one, 10);
  EXPECT_EQ(canvas.TextWidth("文文文文"), 4 * one);  // IPAGothic is monospaced
}

TEST(CanvasText, PrintsOnlyTheGlyphsInForeColor) {
  const QImage original = Noise(120, 40);
  QImage image = original;
  GdiCanvas canvas(&image);
  canvas.SetFontName("IPAGothic");
  canvas.SetFontSize(12);
  canvas.SetForeColor(Rgb(255, 0, 0));
  canvas.SetDrawMode(kXorPen);  // text ignores the draw mode
  canvas.SetCurrentX(10);
  canvas.SetCurrentY(12);
  canvas.Print("文字列");
  const QRect changed = ChangedArea(original, image);
  EXPECT_FALSE(changed.isEmpty());
  EXPECT_TRUE(QRect(10, 12, canvas.TextWidth("文字列"), 16).contains(changed)) << changed.x();
  EXPECT_EQ(
      CountIf(image, [&](int x, int y,
                         QRgb p) { return p != original.pixel(x, y) && p != qRgb(255, 0, 0); }),
      0);
  EXPECT_FLOAT_EQ(canvas.CurrentY(), 28);
}

TEST(CanvasText, EscapementTurnsCounterclockwiseAboutTheCellCorner) {
  const QImage blank = Plain(100, 100, kWhite);
  QImage image = blank;
  GdiCanvas canvas(&image);
  canvas.SetFontName("IPAGothic");
  canvas.SetFontSize(12);
  const int width = canvas.TextWidth("ABCD");
  LogicalFont turned = canvas.CanvasFont();
  turned.Escapement = 900;
  const LogicalFont before = canvas.SelectFont(turned);
  canvas.SetCurrentX(40);
  canvas.SetCurrentY(80);
  canvas.Print("ABCD");
  // Reading upward from the corner, the cell lying to its right.
  const QRect changed = ChangedArea(blank, image);
  EXPECT_TRUE(QRect(40, 80 - width, 16, width).adjusted(-1, -1, 1, 1).contains(changed))
      << changed.x() << "," << changed.y() << " " << changed.width() << "x" << changed.height();
  EXPECT_GT(changed.height(), changed.width());
  EXPECT_EQ(canvas.SelectFont(before), turned);
}

TEST(Canvas, HugeAndInvalidCoordinatesStayCheapAndInside) {
  QImage image = Plain(64, 48, kWhite);
  GdiCanvas canvas(&image);
  canvas.SetDrawStyle(kDot);
  canvas.Box(-1e9f, -1e9f, 1e9f, 30);
  canvas.Circle(32, 1e8f, 1e8f + 20);  // a huge dotted circle whose top crosses the surface
  canvas.SetDrawStyle(kSolid);
  canvas.SetDrawWidth(9);
  canvas.Line(-1e9f, -1e9f, 1e9f, 1e9f);
  canvas.SetFillStyle(kFillSolid);
  canvas.FillPolygon({{-1e9f, 0}, {1e9f, 0}, {0, 1e9f}});
  const QImage drawn = image;
  canvas.Line(NAN, 0, 10, 10);
  canvas.Circle(10, 10, INFINITY);
  canvas.Box(0, 0, NAN, 5);
  EXPECT_EQ(Differences(drawn, image), 0);
  EXPECT_EQ(image.pixel(10, 30), kBlack);  // the bottom of the huge box
}

TEST(Canvas, WithoutASurfaceDrawsNothingAndStillMeasures) {
  GdiCanvas canvas;
  canvas.Line(0, 0, 10, 10);
  canvas.Box(0, 0, 10, 10);
  canvas.Circle(5, 5, 5);
  canvas.FillPolygon({{0, 0}, {5, 0}, {5, 5}});
  canvas.Print("x");
  canvas.SetFontName("IPAGothic");
  EXPECT_GT(canvas.TextWidth("abc"), 0);
}

}  // namespace
}  // namespace velmor::platform
