// The refresh shared out in bands must be the one-thread refresh: the same pixels, the same state
// left behind, the clip kept and put back, and the touch handler told before any pixel changes.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <thread>

#include "raster/CanvasPixels.h"
#include "render/CrowdedFigures.h"
#include "render/FigureBands.h"
#include "render/FigureRenderer.h"

namespace velmor {
namespace {

using platform::GdiCanvas;
using test::ChangedArea;
using test::Crowd;
using test::Differences;
using test::Noise;

// A refresh's surface, canvas and shared state, from a start that is not the default one.
struct Refresh {
  QImage surface;
  GdiCanvas canvas{&surface};
  Settings settings;
  WorkArea work;
  DragState drag;
  PanelState panel;
  TextState text;

  explicit Refresh(const QImage& start) : surface(start) {
    settings.Set(slot::kWingAngle, 25.0);
    settings.Set(slot::kWingLength, 14.0);
    canvas.SetTwipsPerPixelX(12);  // a 120-dpi screen: every font comes out larger
    canvas.SetFontName("IPAGothic");
    canvas.SetFontSize(11);
    canvas.SetCurrentX(7), canvas.SetCurrentY(9);
    canvas.SetDrawMode(platform::kXorPen);
    drag.StartX = 3, drag.EndY = 5;
    panel.ToolMode = 2, panel.PenColor = 0x123456;
    work.WorkAngle = 12;
  }
  void Draw(bool inBands, const FigureTable& figures, int16_t zoom, const QImage& picture,
            const BandedRefresh& how = {}) {
    if (inBands)
      RedrawFiguresInBands(canvas, figures, zoom, settings, work, drag, panel, text, &picture, how);
    else
      RedrawFigures(canvas, figures, zoom, settings, work, drag, panel, text, &picture);
  }
};

void ExpectSameState(const Refresh& a, const Refresh& b) {
  EXPECT_EQ(a.canvas.DrawMode(), b.canvas.DrawMode());
  EXPECT_EQ(a.canvas.DrawStyle(), b.canvas.DrawStyle());
  EXPECT_EQ(a.canvas.DrawWidth(), b.canvas.DrawWidth());
  EXPECT_EQ(a.canvas.ForeColor(), b.canvas.ForeColor());
  EXPECT_EQ(a.canvas.FillColor(), b.canvas.FillColor());
  EXPECT_EQ(a.canvas.FillStyle(), b.canvas.FillStyle());
  EXPECT_EQ(a.canvas.CurrentX(), b.canvas.CurrentX());
  EXPECT_EQ(a.canvas.CurrentY(), b.canvas.CurrentY());
  EXPECT_EQ(a.canvas.FontName(), b.canvas.FontName());
  EXPECT_EQ(a.canvas.FontSize(), b.canvas.FontSize());
  EXPECT_EQ(a.canvas.FontBold(), b.canvas.FontBold());
  EXPECT_EQ(a.canvas.FontItalic(), b.canvas.FontItalic());
  EXPECT_EQ(a.canvas.CanvasFont(), b.canvas.CanvasFont());
  EXPECT_EQ(a.canvas.ClipSurface() == &a.surface, b.canvas.ClipSurface() == &b.surface);
  EXPECT_EQ(a.canvas.Clip(), b.canvas.Clip());
  for (size_t k = 0; k < a.work.WorkPoints.size(); ++k) {
    EXPECT_EQ(a.work.WorkPoints[k].X, b.work.WorkPoints[k].X) << k;
    EXPECT_EQ(a.work.WorkPoints[k].Y, b.work.WorkPoints[k].Y) << k;
  }
  EXPECT_EQ(a.work.WorkIndex, b.work.WorkIndex);
  EXPECT_EQ(a.work.WorkX, b.work.WorkX);
  EXPECT_EQ(a.work.WorkY, b.work.WorkY);
  EXPECT_EQ(a.work.WorkAngle, b.work.WorkAngle);
  EXPECT_EQ(a.work.WorkRadians, b.work.WorkRadians);
  EXPECT_EQ(a.work.WorkWidth, b.work.WorkWidth);
  EXPECT_EQ(a.work.WorkHeight, b.work.WorkHeight);
  EXPECT_EQ(a.drag.DrawX1, b.drag.DrawX1);
  EXPECT_EQ(a.drag.DrawY1, b.drag.DrawY1);
  EXPECT_EQ(a.drag.DrawX2, b.drag.DrawX2);
  EXPECT_EQ(a.drag.DrawY2, b.drag.DrawY2);
  EXPECT_EQ(a.drag.StartX, b.drag.StartX);
  EXPECT_EQ(a.drag.EndY, b.drag.EndY);
  EXPECT_EQ(a.panel.PenColor, b.panel.PenColor);
  EXPECT_EQ(a.panel.BrushColor, b.panel.BrushColor);
  EXPECT_EQ(a.panel.BrushStyle, b.panel.BrushStyle);
  EXPECT_EQ(a.panel.ToolMode, b.panel.ToolMode);
  EXPECT_EQ(a.text.TextFont, b.text.TextFont);
  EXPECT_EQ(a.text.TextSize, b.text.TextSize);
  EXPECT_EQ(a.text.TextBold, b.text.TextBold);
  EXPECT_EQ(a.text.TextItalic, b.text.TextItalic);
  EXPECT_EQ(a.text.TextEscapement, b.text.TextEscapement);
  EXPECT_EQ(a.text.TextString, b.text.TextString);
}

TEST(FigureBands, SamePixelsAndStateAsOneThreadAtEveryZoom) {
  const QImage picture = Noise(420, 300, 5);
  // Refreshed again with other figures: the bands' canvases keep their fonts between refreshes.
  for (unsigned seed : {1u, 2u, 1u}) {
    const FigureTable figures = Crowd(picture.width(), picture.height(), seed);
    for (int16_t zoom : {100, 200, 300}) {
      const QImage start = Noise(picture.width() * zoom / 100, picture.height() * zoom / 100, seed);
      Refresh one(start), bands(start);
      one.Draw(false, figures, zoom, picture);
      bands.Draw(true, figures, zoom, picture);
      EXPECT_EQ(Differences(one.surface, bands.surface), 0) << "seed " << seed << " zoom " << zoom;
      ExpectSameState(one, bands);
    }
  }
}

// Thin bands make most figures reach several of them and miss most: each band must draw exactly
// the figures that reach it, over the background painted just before.
TEST(FigureBands, ThinBandsOverTheirBackgroundMatchOneThread) {
  const QImage picture = Noise(400, 300, 9);
  const FigureTable figures = Crowd(picture.width(), picture.height(), 5);
  for (int rows : {1, 7, 64}) {
    for (int16_t zoom : {100, 200}) {
      const QImage start = Noise(picture.width() * zoom / 100, picture.height() * zoom / 100, 3);
      const QImage under = Noise(start.width(), start.height(), 4);
      Refresh one(start), bands(start);
      one.surface = under.copy();
      one.Draw(false, figures, zoom, picture);
      BandedRefresh how;
      how.bandRows = rows;
      std::atomic<int> painted{0};               // painted from more than one thread
      uchar* const bits = bands.surface.bits();  // taken here: bits() is not for several threads
      const qsizetype pitch = bands.surface.bytesPerLine();
      how.background = [&](const QRect& band) {
        for (int y = band.top(); y <= band.bottom(); ++y)
          std::memcpy(bits + y * pitch + band.left() * 4, under.constScanLine(y) + band.left() * 4,
                      size_t(band.width()) * 4);
        painted += band.height();
      };
      bands.Draw(true, figures, zoom, picture, how);
      EXPECT_EQ(painted.load(), start.height()) << rows;
      EXPECT_EQ(Differences(one.surface, bands.surface), 0) << "rows " << rows << " zoom " << zoom;
      ExpectSameState(one, bands);
    }
  }
}

TEST(FigureBands, ClippedAndSmallAreasComeOutAsWithOneThread) {
  const QImage picture = Noise(500, 380, 6);
  const FigureTable figures = Crowd(picture.width(), picture.height(), 3);
  for (const QRect& clip : {QRect(37, 21, 400, 330), QRect(-50, 100, 900, 90), QRect(5, 5, 60, 40),
                            QRect(0, 0, 500, 1)}) {
    Refresh one(picture), bands(picture);
    one.canvas.SetClip(&one.surface, clip);
    bands.canvas.SetClip(&bands.surface, clip);
    one.Draw(false, figures, 100, picture);
    bands.Draw(true, figures, 100, picture);
    EXPECT_EQ(Differences(one.surface, bands.surface), 0) << clip.x() << "," << clip.y();
    EXPECT_TRUE((clip & picture.rect()).contains(ChangedArea(picture, bands.surface)));
    ExpectSameState(one, bands);
  }
}

TEST(FigureBands, TouchHandlerHearsOfTheAreaBeforeAnyPixelChangesOnTheCallingThread) {
  const QImage picture = Noise(480, 320, 8);
  Refresh bands(picture);
  const QRect clip(20, 30, 400, 250);
  bands.canvas.SetClip(&bands.surface, clip);
  QRect touched;
  bool changedBeforeTold = false, otherThread = false;
  const auto caller = std::this_thread::get_id();
  bands.canvas.SetTouchHandler(&bands.surface, [&](const QRect& r) {
    if (touched.isNull() && Differences(bands.surface, picture) != 0) changedBeforeTold = true;
    if (std::this_thread::get_id() != caller) otherThread = true;
    touched |= r;
  });
  bands.Draw(true, Crowd(picture.width(), picture.height(), 4), 100, picture);
  EXPECT_FALSE(changedBeforeTold);
  EXPECT_FALSE(otherThread);
  const QRect changed = ChangedArea(picture, bands.surface);
  EXPECT_FALSE(changed.isEmpty());
  EXPECT_TRUE(touched.contains(changed));
  EXPECT_TRUE(clip.contains(changed));
}

TEST(FigureBands, ATextFirstSeenOutsideTheClipPrintsWholeLater) {
  QImage fresh = Noise(200, 120, 2), reused = fresh.copy();
  GdiCanvas first(&fresh), second(&reused);
  for (GdiCanvas* canvas : {&first, &second}) {
    canvas->SelectFont({"IPAGothic", 20, 300, 0, false});
    canvas->SetForeColor(0x0000FF);
  }
  second.SetClip(&reused, QRect(150, 0, 50, 10));  // nowhere near the text
  second.SetCurrentX(20), second.SetCurrentY(60);
  second.Print("回転 Wg");
  second.SetClip(&reused, QRect());
  second.SetCurrentX(20), second.SetCurrentY(60);
  second.Print("回転 Wg");
  first.SetCurrentX(20), first.SetCurrentY(60);
  first.Print("回転 Wg");
  EXPECT_FALSE(ChangedArea(Noise(200, 120, 2), fresh).isEmpty());
  EXPECT_EQ(Differences(fresh, reused), 0);
}

// A refresh drawn again from the same figures lays the ink kept from the first over whatever the
// picture now is, and leaves the state a drawing would, whether it starts from the same state or
// not.
TEST(FigureInk, KeptInkOverANewBackgroundIsTheDrawing) {
  const QImage picture = Noise(480, 320, 11);
  const FigureTable figures = Crowd(picture.width(), picture.height(), 21);
  for (int16_t zoom : {100, 200}) {
    const QImage start = Noise(picture.width() * zoom / 100, picture.height() * zoom / 100, 12);
    Refresh one(start), kept(start);
    one.Draw(false, figures, zoom, picture);
    kept.Draw(true, figures, zoom, picture);  // drawn as after an edit
    kept.Draw(true, figures, zoom, picture);  // the same again: its ink kept
    one.Draw(false, figures, zoom, picture);
    const int64_t before = RefreshesFromKeptInk();
    for (unsigned under : {13u, 14u, 15u}) {
      const QImage background = Noise(start.width(), start.height(), under);
      if (under == 15) {  // the next refresh starts from another state
        for (Refresh* r : {&one, &kept}) {
          r->canvas.SetDrawWidth(5), r->canvas.SetCurrentX(-3);
          r->drag.DrawX1 = 77, r->work.WorkPoints[1].Y = -0.0f, r->text.TextString = "x";
          r->drag.StartX = 99, r->panel.ToolMode = 9;  // no figure sets these
        }
      }
      one.surface = background.copy();
      one.Draw(false, figures, zoom, picture);
      uchar* const bits = kept.surface.bits();
      const qsizetype pitch = kept.surface.bytesPerLine();
      BandedRefresh how;
      std::atomic<int> painted{0};
      how.background = [&](const QRect& band) {
        for (int y = band.top(); y <= band.bottom(); ++y)
          std::memcpy(bits + y * pitch + band.left() * 4,
                      background.constScanLine(y) + band.left() * 4, size_t(band.width()) * 4);
        painted += band.height();
      };
      kept.Draw(true, figures, zoom, picture, how);
      EXPECT_EQ(painted.load(), start.height());
      EXPECT_EQ(Differences(one.surface, kept.surface), 0) << "zoom " << zoom << " under " << under;
      ExpectSameState(one, kept);
    }
    EXPECT_EQ(RefreshesFromKeptInk() - before, 3) << zoom;
  }
}

// Whatever the figures are drawn from differs by the least it can, and the ink is drawn afresh.
TEST(FigureInk, TheLeastChangeDrawsAfresh) {
  const QImage picture = Noise(400, 300, 31);
  const FigureTable figures = Crowd(picture.width(), picture.height(), 32);
  const FigureTable others = Crowd(picture.width(), picture.height(), 34);
  int mosaic = 0, circle = 0, text = 0;
  for (int row = 1; row <= figures.FigureCount; ++row) {
    if (figures.Kind(row) == fig::kMosaic && mosaic == 0) mosaic = row;
    if (figures.Kind(row) == fig::kCircle && circle == 0) circle = row;
    if (figures.Kind(row) == fig::kText && text == 0) text = row;
  }
  ASSERT_TRUE(mosaic && circle && text);
  struct Change {
    const char* what;
    std::function<void(FigureTable&, QImage&, int16_t&)> source;
    std::function<void(Refresh&)> refresh;      // on both refreshes
    std::function<void(Refresh&)> before = {};  // on both, before the ink is kept
  };
  auto none = [](Refresh&) {};
  const std::vector<Change> changes = {
      {"colour",
       [&](FigureTable& f, QImage&, int16_t&) {
         f.At(circle, fig::kLineColor) = int32_t(f.Num(circle, fig::kLineColor)) ^ 1;
       },
       none},
      {"radius by the least double",
       [&](FigureTable& f, QImage&, int16_t&) {
         f.At(circle, fig::kRadius) = std::nextafter(f.Num(circle, fig::kRadius), 1e9);
       },
       none},
      {"string",
       [&](FigureTable& f, QImage&, int16_t&) {
         f.At(text, fig::text::kString) = std::string("文字列!");
       },
       none},
      {"one figure fewer", [](FigureTable& f, QImage&, int16_t&) { --f.FigureCount; }, none},
      {"zoom", [](FigureTable&, QImage&, int16_t& zoom) { zoom = 101; }, none},
      {"picture painted over in place, under the mosaics",
       [](FigureTable&, QImage& p, int16_t&) { p.fill(0xFF102030u); }, none},
      {"wing length", {}, [](Refresh& r) { r.settings.Set(slot::kWingLength, 15.0); }},
      {"screen scale", {}, [](Refresh& r) { r.canvas.SetTwipsPerPixelX(15); }},
      {"clip", {}, [](Refresh& r) { r.canvas.SetClip(&r.surface, QRect(10, 10, 380, 280)); }},
      {"clip lifted",
       {},
       [](Refresh& r) { r.canvas.SetClip(&r.surface, QRect()); },
       [](Refresh& r) { r.canvas.SetClip(&r.surface, QRect(30, 20, 300, 250)); }},
  };
  const int64_t before = RefreshesFromKeptInk();
  for (const Change& change : changes) {
    Refresh one(picture), kept(picture);
    if (change.before) change.before(one), change.before(kept);
    // Other figures' ink first, so that nothing kept before is at hand; then these after an
    // edit, the same again (their ink kept), and once more from the ink.
    for (int k = 0; k < 2; ++k) {
      one.Draw(false, others, 100, picture);
      kept.Draw(true, others, 100, picture);
    }
    for (int k = 0; k < 3; ++k) {
      one.Draw(false, figures, 100, picture);
      kept.Draw(true, figures, 100, picture);
    }
    FigureTable changed = figures;
    QImage changedPicture = picture;  // the same pixels until painted on
    int16_t zoom = 100;
    if (change.source) change.source(changed, changedPicture, zoom);
    change.refresh(one), change.refresh(kept);
    // The surface keeps its size at the new zoom: only the zoom tells the two apart.
    const QImage start = Noise(picture.width(), picture.height(), 33);
    one.surface = start.copy(), kept.surface = start.copy();
    one.Draw(false, changed, zoom, changedPicture);
    kept.Draw(true, changed, zoom, changedPicture);
    EXPECT_EQ(Differences(one.surface, kept.surface), 0) << change.what;
    ExpectSameState(one, kept);
  }
  EXPECT_GE(RefreshesFromKeptInk() - before, int64_t(changes.size()));
}

// Highlighters crossing one another in more ways than a layer can record: the refresh draws them
// over the picture each time, and does not try to keep their ink again.
TEST(FigureInk, MoreHighlighterSequencesThanTheLayerHoldsAreDrawn) {
  const QImage picture = Noise(400, 300, 41);
  FigureTable figures = Crowd(picture.width(), picture.height(), 42);
  for (int k = 0; k < 300; ++k) {
    const int row = figures.FigureCount + 1 + k;
    figures.cells[size_t(row)] = {int16_t(fig::kHighlight),
                                  10.0 + k % 7,
                                  10.0 + k % 5,
                                  380.0,
                                  280.0,
                                  TaggedValue{},
                                  TaggedValue{},
                                  int32_t(0x808080 + k),
                                  TaggedValue{},
                                  TaggedValue{},
                                  int16_t(1)};
  }
  figures.FigureCount += 300;
  Refresh one(picture), drawn(picture);
  const int64_t before = RefreshesFromKeptInk();
  for (unsigned under : {43u, 44u, 45u}) {
    const QImage start = Noise(picture.width(), picture.height(), under);
    one.surface = start.copy(), drawn.surface = start.copy();
    one.Draw(false, figures, 100, picture);
    drawn.Draw(true, figures, 100, picture);
    EXPECT_EQ(Differences(one.surface, drawn.surface), 0) << under;
    ExpectSameState(one, drawn);
  }
  EXPECT_EQ(RefreshesFromKeptInk(), before);
}

TEST(FigureInk, ACanvasCountsWhatItDrawsFromThePixelsUnder) {
  QImage surface = Noise(60, 40, 3);
  GdiCanvas canvas(&surface);
  canvas.SetForeColor(0x102030);
  canvas.Line(0, 0, 50, 30);
  canvas.SetFillStyle(platform::kFillSolid);
  canvas.Circle(20, 20, 10);
  canvas.Print("A");
  EXPECT_EQ(canvas.DestinationReads(), 0u);
  canvas.SetDrawMode(platform::kXorPen);
  canvas.Line(0, 30, 50, 0);
  EXPECT_EQ(canvas.DestinationReads(), 1u);
  canvas.SetDrawMode(platform::kCopyPen);
  canvas.MultiplyPolygon({{1, 1}, {30, 1}, {30, 30}}, 0xFFFF80);
  EXPECT_EQ(canvas.DestinationReads(), 2u);
}

}  // namespace
}  // namespace velmor
