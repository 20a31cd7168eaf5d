#include <gtest/gtest.h>

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

TEST(EscapementOf, TenthsOfADegreeRoundedHalfToEven) {
  EXPECT_EQ(EscapementOf(12.25), 122);
  EXPECT_EQ(EscapementOf(-359.99), -3600);
  EXPECT_EQ(EscapementOf(1e9), 2800);  // beyond 16 bits: the same turn within one revolution
}

}  // namespace
}  // namespace velmor
