#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "raster/CanvasPixels.h"
#include "render/FigureRenderer.h"

namespace velmor {
namespace {

using platform::GdiCanvas;
using test::ChangedArea;
using test::CountIf;
using test::Differences;
using test::Noise;
using test::Plain;
using test::Rgb;

constexpr QRgb kWhite = 0xFFFFFFFF;

// The program's shared state around one canvas.
struct Scene {
  QImage image;
  QImage picture;  // the picture as loaded, which mosaics are made from
  GdiCanvas canvas;
  FigureTable figures;
  Settings settings;
  WorkArea work;
  DragState drag;
  PanelState panel;
  TextState text;

  explicit Scene(QImage loaded) : image(loaded), picture(std::move(loaded)), canvas(&image) {
    settings.Set(slot::kWingAngle, 30.0);
    settings.Set(slot::kWingLength, 10.0);
    settings.Set(slot::kFontName, std::string("IPAGothic"));
    settings.Set(slot::kFontSize, 12.0f);
    settings.Set(slot::kCaptionPlacement, std::string("上"));
  }

  int Add(std::initializer_list<TaggedValue> cells) {
    const int row = ++figures.FigureCount;
    int col = 0;
    for (const TaggedValue& v : cells) figures.At(row, col++) = v;
    return row;
  }
  int AddSegment(double x1, double y1, double x2, double y2, int16_t arrow = 0) {
    return Add({int16_t(1), x1, y1, x2, y2, int16_t(1), int16_t(0), int32_t(0), int32_t(0),
                int16_t(1), arrow});
  }
  int AddText(double x, double y, std::string s, double size, double angle, int16_t fill,
              int32_t color = 0, int32_t back = int32_t(Rgb(0, 0, 255))) {
    return Add({int16_t(4), x, y, s, std::string("IPAGothic"), size, false, color, back, fill,
                angle, false});
  }
  int AddMosaic(double x1, double y1, double x2, double y2, double block) {
    const int row = Add({int16_t(fig::kMosaic), x1, y1, x2, y2});
    figures.At(row, fig::mosaic::kBlock) = block;
    return row;
  }
  int AddMarker(double x, double y, int16_t number, double radius, uint32_t numberColor,
                uint32_t fill) {
    const int row = Add({int16_t(fig::kMarker), x, y});
    auto cell = [&](int col) -> TaggedValue& { return figures.At(row, col); };
    cell(fig::marker::kNumber) = number;
    cell(fig::marker::kFontName) = std::string("IPAGothic");
    cell(fig::marker::kFontSize) = 10.0;
    cell(fig::marker::kBold) = false;
    cell(fig::marker::kNumberColor) = int32_t(numberColor);
    cell(fig::marker::kFillColor) = int32_t(fill);
    cell(fig::marker::kRadius) = radius;
    cell(fig::marker::kItalic) = false;
    return row;
  }
  int AddHighlight(double x1, double y1, double x2, double y2, double thickness, uint32_t color,
                   bool box = false) {
    const int row = Add({int16_t(fig::kHighlight), x1, y1, x2, y2});
    figures.At(row, fig::highlight::kThickness) = thickness;
    figures.At(row, fig::highlight::kColor) = int32_t(color);
    figures.At(row, fig::highlight::kBox) = int16_t(box ? 1 : 0);
    return row;
  }
  // The picture as a refresh at `zoom` paints it, before the figures (whole-number zooms).
  void ShowAt(int16_t zoom) {
    image = picture.scaled(picture.size() * zoom / 100);
    canvas.Bind(&image);
  }
  void Redraw(int16_t zoom) {
    RedrawFigures(canvas, figures, zoom, settings, work, drag, panel, text, &picture);
  }
  // The segment tool's attributes for a caption, and the caption itself.
  int captionsStored = 0;
  void Caption(float x1, float y1, float x2, float y2, std::string s, int16_t zoom = 100) {
    drag.StartX = x1, drag.StartY = y1, drag.EndX = x2, drag.EndY = y2;
    panel.ToolMode = tool::kSegment;
    canvas.SetFillColor(Rgb(0, 0, 255));
    canvas.SetFillStyle(platform::kFillNone);
    AddSegmentCaption(canvas, zoom, settings, work, drag, panel, text,
                      {std::move(s), Rgb(0, 0, 255), platform::kFillNone}, [this] {
                        EXPECT_EQ(panel.ToolMode, tool::kText);
                        EXPECT_EQ(drag.StartX, work.WorkPoints[1].X);
                        EXPECT_EQ(drag.StartY, work.WorkPoints[1].Y);
                        ++captionsStored;
                      });
  }
};

TEST(DrawArrowHead, WingsOfTheGivenAngleAndLengthAtTheEndPoint) {
  Scene s(Plain(10, 10, kWhite));
  s.drag.DrawX1 = 0, s.drag.DrawY1 = 0, s.drag.DrawX2 = 100, s.drag.DrawY2 = 0;
  DrawArrowHead(s.canvas, 100, s.settings, s.work, s.drag);
  EXPECT_NEAR(s.work.WorkPoints[2].X, 91.34, 0.005);
  EXPECT_NEAR(s.work.WorkPoints[2].Y, 5, 0.005);
  EXPECT_NEAR(s.work.WorkPoints[3].X, 91.34, 0.005);
  EXPECT_NEAR(s.work.WorkPoints[3].Y, -5, 0.005);
  EXPECT_EQ(s.drag.DrawX1, s.work.WorkPoints[3].X);  // left at the second wing tip
  EXPECT_EQ(s.drag.DrawY1, s.work.WorkPoints[3].Y);
  // Twice the zoom, twice the wing.
  s.drag.DrawX1 = 0, s.drag.DrawY1 = 0;
  DrawArrowHead(s.canvas, 200, s.settings, s.work, s.drag);
  EXPECT_NEAR(s.work.WorkPoints[2].X, 82.68, 0.005);
  EXPECT_NEAR(s.work.WorkPoints[2].Y, 10, 0.005);
}

TEST(DrawArrowHead, DrawsTwoWingsInThePenAndNoneForAZeroLengthSegment) {
  Scene s(Plain(140, 100, kWhite));
  s.canvas.SetForeColor(Rgb(255, 0, 0));
  s.drag.DrawX1 = 20, s.drag.DrawY1 = 50, s.drag.DrawX2 = 120, s.drag.DrawY2 = 50;
  DrawArrowHead(s.canvas, 100, s.settings, s.work, s.drag);
  EXPECT_EQ(ChangedArea(Plain(140, 100, kWhite), s.image), QRect(QPoint(111, 45), QPoint(120, 55)));
  EXPECT_EQ(s.image.pixel(111, 55), qRgb(255, 0, 0));
  EXPECT_EQ(s.image.pixel(111, 45), qRgb(255, 0, 0));

  Scene zero(Plain(50, 50, kWhite));
  zero.drag.DrawX1 = zero.drag.DrawX2 = 20;
  zero.drag.DrawY1 = zero.drag.DrawY2 = 20;
  DrawArrowHead(zero.canvas, 100, zero.settings, zero.work, zero.drag);
  EXPECT_EQ(Differences(Plain(50, 50, kWhite), zero.image), 0);
}

// Wings longer than single precision holds make their geometry fail: the head is left out,
// the segment is drawn and nothing is thrown into the event loop.
TEST(RedrawFigures, ArrowHeadBeyondSinglePrecisionIsLeftOut) {
  Scene s(Plain(160, 100, kWhite));
  s.settings.Set(slot::kWingLength, 1e39);
  s.AddSegment(10, 25, 60, 25, 1);
  s.AddSegment(10, 40, 60, 40, 0);
  EXPECT_NO_THROW(s.Redraw(100));
  EXPECT_NE(s.image.pixel(30, 25), kWhite);
  EXPECT_NE(s.image.pixel(30, 40), kWhite);  // later rows are still drawn
}

TEST(RedrawFigures, WithNoFiguresDrawsNothingAndKeepsTheFillStyle) {
  Scene s(Noise(60, 60));
  const QImage before = s.image;
  s.AddSegment(0, 0, 50, 50);  // a stale row above the count
  s.figures.FigureCount = 0;
  s.canvas.SetFillStyle(platform::kFillSolid);
  s.Redraw(100);
  EXPECT_EQ(Differences(before, s.image), 0);
  EXPECT_EQ(s.canvas.FillStyle(), platform::kFillSolid);
}

TEST(RedrawFigures, ACountBeyondTheTableDrawsTheTableOnly) {
  Scene s(Plain(60, 60, kWhite));
  s.AddSegment(10, 10, 50, 10);
  s.figures.FigureCount = 5000;
  s.Redraw(100);
  EXPECT_NE(s.image.pixel(30, 10), kWhite);
  s.figures.FigureCount = -3;
  s.canvas.SetFillStyle(platform::kFillSolid);
  s.Redraw(100);
  EXPECT_EQ(s.canvas.FillStyle(), platform::kFillSolid);
}

TEST(RedrawFigures, DrawsEachKindScaledAndSkipsDeletedRows) {
  Scene s(Plain(200, 200, kWhite));
  s.Add({int16_t(2), 10.0, 10.0, 20.0, 20.0, int16_t(1), int16_t(0), int32_t(Rgb(255, 0, 0)),
         int32_t(Rgb(0, 255, 0)), int16_t(0)});
  const int deleted = s.AddSegment(0, 90, 90, 90);
  s.figures.At(deleted, fig::kKind) = int16_t(fig::kDeleted);
  s.Add({int16_t(3), 60.0, 60.0, 10.0, TaggedValue{}, int16_t(1), int16_t(0),
         int32_t(Rgb(0, 0, 255)), int32_t(0), int16_t(1), 0.5});
  s.Redraw(200);
  // The rectangle from (20, 20) to (40, 40), outlined red and filled green.
  EXPECT_EQ(s.image.pixel(20, 20), qRgb(255, 0, 0));
  EXPECT_EQ(s.image.pixel(40, 33), qRgb(255, 0, 0));
  EXPECT_EQ(s.image.pixel(30, 30), qRgb(0, 255, 0));
  EXPECT_EQ(s.image.pixel(41, 30), kWhite);
  // The ellipse about (120, 120), radius 20 across and 10 up and down.
  EXPECT_EQ(s.image.pixel(100, 120), qRgb(0, 0, 255));
  EXPECT_EQ(s.image.pixel(120, 110), qRgb(0, 0, 255));
  EXPECT_EQ(s.image.pixel(120, 120), kWhite);
  // Nothing of the deleted segment on row 180.
  EXPECT_EQ(CountIf(s.image, [](int, int y, QRgb p) { return y == 180 && p != kWhite; }), 0);
  EXPECT_EQ(s.canvas.FillStyle(), platform::kFillNone);
}

TEST(RedrawFigures, SegmentsCarryTheirArrowHeads) {
  Scene s(Plain(160, 100, kWhite));
  s.AddSegment(10, 25, 60, 25, 1);
  s.AddSegment(10, 40, 60, 40, 0);
  s.Redraw(200);
  EXPECT_NE(s.image.pixel(111, 55), kWhite);  // wing of the segment to (120, 50)
  EXPECT_EQ(s.image.pixel(111, 85), kWhite);  // none on the one to (120, 80)
  EXPECT_NE(s.image.pixel(120, 80), kWhite);
}

TEST(RedrawFigures, FontSizesFollowTheZoomRoundedHalfToEven) {
  for (auto [zoom, size] : {std::pair{125, 12}, {150, 15}, {100, 10}}) {
    Scene s(Plain(200, 100, kWhite));
    s.AddText(10, 10, "文字", 10, 0, 1);
    s.Redraw(int16_t(zoom));
    EXPECT_EQ(s.text.TextSize, size) << zoom;
    EXPECT_EQ(s.work.WorkHeight, s.canvas.CellHeightForPoints(size));
  }
  EXPECT_EQ(ScaledFontSize(10, 125), 12);
  EXPECT_EQ(ScaledFontSize(10, 135), 14);  // 13.5 to even
}

TEST(RedrawFigures, TextRowsLeaveTheirColoursAndAttributes) {
  Scene s(Plain(200, 100, kWhite));
  s.AddText(10, 10, "あ", 12, 30, 0, int32_t(Rgb(1, 2, 3)), int32_t(Rgb(4, 5, 6)));
  s.Redraw(100);
  EXPECT_EQ(s.panel.PenColor, Rgb(1, 2, 3));
  EXPECT_EQ(s.panel.BrushColor, Rgb(4, 5, 6));
  EXPECT_EQ(s.panel.BrushStyle, 0);
  EXPECT_EQ(s.text.TextEscapement, 300);
  EXPECT_EQ(s.text.TextString, "あ");
}

// The pixels of a text figure's box: inside the turned rectangle (by pixel centre).
bool InTurnedBox(const WorkArea& w, int x, int y) {
  const auto& p = w.WorkPoints;
  auto side = [&](int a, int b) {
    return (p[b].X - p[a].X) * (y - p[a].Y) - (p[b].Y - p[a].Y) * (x - p[a].X);
  };
  const float s1 = side(1, 2), s2 = side(2, 3), s3 = side(3, 4), s4 = side(4, 1);
  return (s1 <= 0 && s2 <= 0 && s3 <= 0 && s4 <= 0) || (s1 >= 0 && s2 >= 0 && s3 >= 0 && s4 >= 0);
}

TEST(DrawTextFigure, BoxAtTheCanvasEdgeFillsOnlyTheBox) {
  Scene s(Noise(160, 120));
  const QImage before = s.image;
  s.AddText(-30, 60, "文字列テスト", 12, 20, 0, int32_t(Rgb(255, 0, 0)), int32_t(Rgb(0, 0, 255)));
  s.Redraw(100);
  int inside = 0;
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 160; ++x) {
      const QRgb p = s.image.pixel(x, y);
      if (p == before.pixel(x, y)) continue;
      // Whatever changed lies on or within one pixel of the box...
      bool near = false;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) near = near || InTurnedBox(s.work, x + dx, y + dy);
      ASSERT_TRUE(near) << x << "," << y;
      ASSERT_TRUE(p == qRgb(0, 0, 255) || p == qRgb(255, 0, 0)) << x << "," << y;
    }
  // ...and everything well inside it is box or glyph.
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 160; ++x) {
      bool deep = true;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) deep = deep && InTurnedBox(s.work, x + dx, y + dy);
      if (!deep) continue;
      ++inside;
      const QRgb p = s.image.pixel(x, y);
      ASSERT_TRUE(p == qRgb(0, 0, 255) || p == qRgb(255, 0, 0)) << x << "," << y;
    }
  EXPECT_GT(inside, 500);
  EXPECT_LT(s.work.WorkPoints[1].X, 0);  // the box really runs off the canvas
}

TEST(DrawTextFigure, FillStyleOneHasNoBoxAndHatchesKeepTheBackground) {
  Scene plain(Noise(160, 60));
  const QImage before = plain.image;
  plain.AddText(10, 10, "文字", 12, 0, 1, int32_t(Rgb(255, 0, 0)));
  plain.Redraw(100);
  EXPECT_EQ(
      CountIf(plain.image, [&](int x, int y,
                               QRgb p) { return p != before.pixel(x, y) && p != qRgb(255, 0, 0); }),
      0);
  EXPECT_GT(Differences(before, plain.image), 0);

  Scene hatched(Noise(160, 60));
  hatched.AddText(10, 10, "文字", 12, 0, platform::kFillHorizontal, int32_t(Rgb(255, 0, 0)),
                  int32_t(Rgb(0, 0, 255)));
  hatched.Redraw(100);
  // Inside the box, rows between the hatch lines keep the picture apart from the glyphs.
  int kept = 0;
  for (int y = 12; y < 24; ++y)
    for (int x = 12; x < 30; ++x) {
      const QRgb p = hatched.image.pixel(x, y);
      if (y % 8 == 0)
        EXPECT_TRUE(p == qRgb(0, 0, 255) || p == qRgb(255, 0, 0));
      else
        kept += p == before.pixel(x, y);
    }
  EXPECT_GT(kept, 100);
  EXPECT_EQ(hatched.image.pixel(10, 10), qRgb(0, 0, 255));  // the outline's corner
}

TEST(AddSegmentCaption, RightToLeftSegmentIsAnchoredAtItsEndAndReadsLeftToRight) {
  Scene s(Plain(300, 200, kWhite));
  s.Caption(250, 100, 50, 100, "ABC");
  EXPECT_EQ(s.captionsStored, 1);
  EXPECT_EQ(s.panel.ToolMode, tool::kSegment);
  EXPECT_NEAR(s.work.WorkAngle, 0, 1e-3);
  const double width = s.canvas.TextWidth("ABC"), height = 16;
  EXPECT_NEAR(s.work.WorkPoints[1].X, 50 + (200 - width) / 2, 0.01);
  EXPECT_NEAR(s.work.WorkPoints[1].Y, 100 - (height + 2), 0.01);  // "上": above the line
  EXPECT_EQ(s.drag.StartX, s.work.WorkPoints[1].X);
  const QRect drawn = ChangedArea(Plain(300, 200, kWhite), s.image);
  EXPECT_LT(drawn.bottom(), 100);
  EXPECT_GT(drawn.left(), 50);
}

TEST(AddSegmentCaption, TurnsOnlyStrictlyBetween95And275Degrees) {
  EXPECT_FALSE(CaptionReadsUpsideDown(95));
  EXPECT_TRUE(CaptionReadsUpsideDown(95.0001));
  EXPECT_TRUE(CaptionReadsUpsideDown(180));
  EXPECT_TRUE(CaptionReadsUpsideDown(274.9999));
  EXPECT_FALSE(CaptionReadsUpsideDown(275));
  EXPECT_FALSE(CaptionReadsUpsideDown(0));
  EXPECT_FALSE(CaptionReadsUpsideDown(359.99));

  Scene up(Plain(300, 300, kWhite));  // straight up the screen: 90 degrees, kept
  up.Caption(150, 250, 150, 50, "ABC");
  EXPECT_NEAR(up.work.WorkAngle, 90, 1e-3);
  Scene steep(Plain(300, 300, kWhite));  // about 100 degrees: turned, anchored at the end
  steep.Caption(150, 250, 115, 50, "ABC");
  EXPECT_NEAR(steep.work.WorkAngle, -80, 0.1);
  Scene down(Plain(300, 300, kWhite));  // straight down: 270 degrees, turned
  down.Caption(150, 50, 150, 250, "ABC");
  EXPECT_NEAR(down.work.WorkAngle, 90, 1e-3);
}

TEST(AddSegmentCaption, PlacementAndACaptionWiderThanItsSegment) {
  Scene s(Plain(300, 200, kWhite));
  s.settings.Set(slot::kCaptionPlacement, std::string("下"));
  s.Caption(100, 100, 110, 100, "とても長い文字列");
  const double width = s.canvas.TextWidth("とても長い文字列");
  ASSERT_GT(width, 10);
  EXPECT_NEAR(s.work.WorkPoints[1].X, 100 + (10 - width) / 2, 0.01);  // starts before the start
  EXPECT_NEAR(s.work.WorkPoints[1].Y, 102, 0.01);

  s.settings.Set(slot::kCaptionPlacement, std::string("中"));
  s.Caption(100, 100, 200, 100, "AB");
  EXPECT_NEAR(s.work.WorkPoints[1].Y, 92, 0.01);
  // Not a placement: on the line, however steep the segment.
  s.settings.Set(slot::kCaptionPlacement, std::string("右"));
  s.Caption(100, 180, 200, 80, "AB");
  const double along = (VectorLength(100, 100) - s.canvas.TextWidth("AB")) / 2;
  EXPECT_NEAR(s.work.WorkPoints[1].X, 100 + along * std::cos(kPi / 4), 0.01);
  EXPECT_NEAR(s.work.WorkPoints[1].Y, 180 - along * std::sin(kPi / 4), 0.01);
}

TEST(AddSegmentCaption, FontFollowsTheZoomAndNothingForEmptyTextOrZeroLength) {
  Scene s(Plain(300, 200, kWhite));
  s.Caption(10, 100, 290, 100, "AB", 150);
  EXPECT_EQ(s.text.TextSize, 18);
  EXPECT_EQ(s.work.WorkHeight, s.canvas.CellHeightForPoints(18));

  Scene none(Plain(100, 100, kWhite));
  none.Caption(10, 10, 90, 90, "");
  none.Caption(40, 40, 40, 40, "AB");
  EXPECT_EQ(none.captionsStored, 0);
  EXPECT_EQ(Differences(Plain(100, 100, kWhite), none.image), 0);
  EXPECT_EQ(none.panel.ToolMode, tool::kSegment);
}

// The mean of each channel of the picture's pixels in [x0, x1) x [y0, y1).
std::array<double, 3> MeanOf(const QImage& picture, int x0, int y0, int x1, int y1) {
  std::array<double, 3> sum{};
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      const QRgb p = picture.pixel(x, y);
      sum[0] += qRed(p), sum[1] += qGreen(p), sum[2] += qBlue(p);
    }
  const double n = double(x1 - x0) * (y1 - y0);
  return {sum[0] / n, sum[1] / n, sum[2] / n};
}

bool IsMean(QRgb p, const std::array<double, 3>& mean) {
  return std::abs(qRed(p) - mean[0]) <= 0.5 && std::abs(qGreen(p) - mean[1]) <= 0.5 &&
         std::abs(qBlue(p) - mean[2]) <= 0.5;
}

TEST(DrawMosaic, EachBlockIsTheMeanOfItsPicturePixelsAt100And200Percent) {
  for (int16_t zoom : {100, 200}) {
    Scene s(Noise(70, 50));
    s.ShowAt(zoom);
    const QImage shown = s.image;
    // Blocks of 8 from (5, 7); the last row of blocks is cut to 6 by the rectangle.
    s.AddMosaic(37, 29, 5, 7, 8);
    s.Redraw(zoom);
    for (int y = 0; y < s.image.height(); ++y)
      for (int x = 0; x < s.image.width(); ++x) {
        const int px = x * 100 / zoom, py = y * 100 / zoom;
        const QRgb p = s.image.pixel(x, y);
        if (px < 5 || px >= 37 || py < 7 || py >= 29) {
          ASSERT_EQ(p, shown.pixel(x, y)) << zoom << ": " << x << "," << y;
          continue;
        }
        const int bx = 5 + (px - 5) / 8 * 8, by = 7 + (py - 7) / 8 * 8;
        ASSERT_TRUE(IsMean(p, MeanOf(s.picture, bx, by, bx + 8, std::min(by + 8, 29))))
            << zoom << ": " << x << "," << y;
      }
  }
}

TEST(DrawMosaic, BlocksAreClippedToThePictureAndNeverSmallerThanFour) {
  Scene s(Noise(60, 50));
  s.AddMosaic(-6, -6, 66, 40, 1);  // a block of 1 is drawn as 4, still from (-6, -6)
  s.Redraw(100);
  EXPECT_TRUE(IsMean(s.image.pixel(0, 0), MeanOf(s.picture, 0, 0, 2, 2)));
  EXPECT_TRUE(IsMean(s.image.pixel(1, 1), MeanOf(s.picture, 0, 0, 2, 2)));
  EXPECT_TRUE(IsMean(s.image.pixel(5, 2), MeanOf(s.picture, 2, 2, 6, 6)));
  EXPECT_TRUE(IsMean(s.image.pixel(59, 39), MeanOf(s.picture, 58, 38, 60, 40)));
  EXPECT_EQ(s.image.pixel(30, 40), s.picture.pixel(30, 40));
}

TEST(DrawMosaic, HidesTheFiguresBeforeItAndTakesNothingFromThem) {
  Scene s(Plain(80, 60, kWhite));
  s.Add({int16_t(2), 5.0, 5.0, 70.0, 50.0, int16_t(1), int16_t(0), int32_t(Rgb(255, 0, 0)),
         int32_t(Rgb(255, 0, 0)), int16_t(0)});
  s.AddMosaic(0, 0, 80, 60, 8);
  s.AddSegment(10, 30, 60, 30);
  s.Redraw(100);
  EXPECT_EQ(CountIf(s.image, [](int, int y, QRgb p) { return y != 30 && p != kWhite; }), 0);
  EXPECT_EQ(s.image.pixel(30, 30), qRgb(0, 0, 0));  // drawn after the mosaic, so over it
  // Without the picture it was made from, a mosaic draws nothing.
  Scene bare(Noise(40, 40));
  const QImage before = bare.image;
  bare.AddMosaic(0, 0, 40, 40, 8);
  RedrawFigures(bare.canvas, bare.figures, 100, bare.settings, bare.work, bare.drag, bare.panel,
                bare.text, nullptr);
  EXPECT_EQ(Differences(before, bare.image), 0);
}

TEST(DrawMarker, FilledDiscWithItsNumberInTheMiddleAt100And200Percent) {
  const uint32_t blue = Rgb(0, 0, 255), yellow = Rgb(255, 255, 0);
  int numberHeight[2] = {};
  for (int16_t zoom : {100, 200}) {
    Scene s(Plain(120, 120, kWhite));
    s.AddMarker(30, 30, 7, 10, blue, yellow);
    s.Redraw(zoom);
    const double c = 30.0 * zoom / 100, r = 10.0 * zoom / 100;
    QRect number;
    for (int y = 0; y < 120; ++y)
      for (int x = 0; x < 120; ++x) {
        const double d = std::hypot(x - c, y - c);
        const QRgb p = s.image.pixel(x, y);
        if (d > r + 1) {
          ASSERT_EQ(p, kWhite) << zoom << ": " << x << "," << y;
        }
        if (d < r - 1) {
          ASSERT_TRUE(p == qRgb(0, 0, 255) || p == qRgb(255, 255, 0)) << x << "," << y;
        }
        if (p == qRgb(0, 0, 255)) number |= QRect(x, y, 1, 1);
      }
    ASSERT_FALSE(number.isEmpty());
    EXPECT_NEAR((number.left() + number.right()) / 2.0, c, 0.5) << zoom;
    EXPECT_NEAR((number.top() + number.bottom()) / 2.0, c, 0.5) << zoom;
    numberHeight[zoom / 200] = number.height();
  }
  EXPECT_GE(numberHeight[1], numberHeight[0] * 3 / 2);  // the number grows with the disc
}

TEST(DrawHighlight, BlackStaysBlackAndWhiteTurnsMidGreyAt100And200Percent) {
  for (int16_t zoom : {100, 200}) {
    Scene s(Plain(100, 40, kWhite));
    for (int y = 18; y < 22; ++y)  // a line of "text" under the stroke
      for (int x = 20; x < 70; ++x) s.picture.setPixel(x, y, qRgb(0, 0, 0));
    s.ShowAt(zoom);
    const QImage shown = s.image;
    s.AddHighlight(10, 20, 90, 20, 12, Rgb(0, 0, 0));  // from the default black pen
    s.Redraw(zoom);
    const double f = zoom / 100.0;
    for (int y = 0; y < s.image.height(); ++y)
      for (int x = 0; x < s.image.width(); ++x) {
        const bool under =
            x + 0.5 >= 10 * f && x + 0.5 < 90 * f && y + 0.5 >= 14 * f && y + 0.5 < 26 * f;
        const QRgb was = shown.pixel(x, y), p = s.image.pixel(x, y);
        if (!under)
          ASSERT_EQ(p, was) << zoom << ": " << x << "," << y;
        else
          ASSERT_EQ(p, was == kWhite ? qRgb(127, 127, 127) : qRgb(0, 0, 0)) << x << "," << y;
      }
  }
}

TEST(DrawHighlight, PenLightenedHalfwayMultipliesAndABoxSpansItsPoints) {
  Scene s(Plain(60, 50, qRgb(100, 100, 100)));
  const QImage before = s.image;
  s.AddHighlight(50, 40, 10, 10, 12, Rgb(255, 255, 0), true);  // yellow: factor (255, 255, 127)
  s.Redraw(100);
  EXPECT_EQ(ChangedArea(before, s.image), QRect(10, 10, 40, 30));
  EXPECT_EQ(CountIf(s.image, [](int, int, QRgb p) { return p == qRgb(100, 100, 50); }), 40 * 30);
}

TEST(DrawHighlight, EachPixelOfOneStrokeOnceAndOverlappingStrokesTwice) {
  Scene s(Plain(100, 100, kWhite));
  s.AddHighlight(10, 80, 85, 15, 9, Rgb(0, 0, 0));
  s.Redraw(100);
  const int changed = CountIf(s.image, [](int, int, QRgb p) { return p != kWhite; });
  EXPECT_EQ(CountIf(s.image, [](int, int, QRgb p) { return p == qRgb(127, 127, 127); }), changed);
  EXPECT_NEAR(changed, std::hypot(75, 65) * 9, std::hypot(75, 65) * 9 * 0.05);
  // A second stroke across the first darkens where they cross, and only there.
  s.AddHighlight(10, 15, 85, 80, 9, Rgb(0, 0, 0));
  s.image = s.picture;
  s.Redraw(100);
  EXPECT_GT(CountIf(s.image, [](int, int, QRgb p) { return p == qRgb(63, 63, 63); }), 50);
  EXPECT_EQ(CountIf(s.image,
                    [](int, int, QRgb p) {
                      return p != kWhite && p != qRgb(127, 127, 127) && p != qRgb(63, 63, 63);
                    }),
            0);
  // A stroke of no length covers nothing.
  Scene dot(Plain(40, 40, kWhite));
  dot.AddHighlight(20, 20, 20, 20, 12, Rgb(0, 0, 0));
  dot.Redraw(100);
  EXPECT_EQ(Differences(Plain(40, 40, kWhite), dot.image), 0);
}

TEST(EscapementOf, TenthsOfADegreeRoundedHalfToEven) {
  EXPECT_EQ(EscapementOf(12.25), 122);
  EXPECT_EQ(EscapementOf(-359.99), -3600);
  EXPECT_EQ(EscapementOf(1e9), 2800);  // beyond 16 bits: the same turn within one revolution
}

}  // namespace
}  // namespace velmor
