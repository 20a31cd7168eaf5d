// A surface painted a piece at a time through a clip must be the surface painted whole, and a
// primitive must announce every pixel it writes before writing it: the canvas paints only what
// the viewport shows and relies on both.
#include <gtest/gtest.h>

#include <random>
#include <thread>
#include <vector>

#include "raster/CanvasPixels.h"
#include "render/CrowdedFigures.h"
#include "render/FigureRenderer.h"
#include "view/StretchCopy.h"

namespace velmor {
namespace {

using platform::CanvasPoint;
using platform::GdiCanvas;
using test::ChangedArea;
using test::Differences;
using test::Noise;

constexpr int kWidth = 240, kHeight = 160;

// What a refresh starts from: the settings and the shared drawing state.
struct Start {
  Settings settings;
  WorkArea work;
  DragState drag;
  PanelState panel;
  TextState text;
  Start() {
    settings.Set(slot::kWingAngle, 30.0);
    settings.Set(slot::kWingLength, 10.0);
  }
};

void PaintPart(const QImage& picture, const FigureTable& figures, int16_t zoom, QImage& surface,
               const QRect& part) {
  StretchCopy(picture, picture.width(), picture.height(), surface, part);
  Start s;  // each piece from the same state, as each is painted at its own time
  GdiCanvas canvas(&surface);
  if (part != surface.rect()) canvas.SetClip(&surface, part);
  RedrawFigures(canvas, figures, zoom, s.settings, s.work, s.drag, s.panel, s.text, &picture);
}

TEST(ClippedPaint, PiecesMakeTheWholeSurfaceAtEveryZoom) {
  const QImage picture = Noise(kWidth, kHeight, 3);
  const FigureTable figures = test::Crowd(kWidth, kHeight, 5);
  for (int16_t zoom : {100, 200, 300}) {
    const QSize size = picture.size() * zoom / 100;
    QImage whole(size, QImage::Format_RGB32);
    PaintPart(picture, figures, zoom, whole, whole.rect());
    // Odd pieces, so that their edges cut figures everywhere.
    QImage pieces(size, QImage::Format_RGB32);
    pieces.fill(0xFF123456u);
    for (int y = 0; y < size.height(); y += 37)
      for (int x = 0; x < size.width(); x += 53)
        PaintPart(picture, figures, zoom, pieces, QRect(x, y, 53, 37) & pieces.rect());
    EXPECT_EQ(Differences(whole, pieces), 0) << "at " << zoom << " percent";
  }
}

// Parts painted one by one, and one plan painted in bands from several threads at once, as the
// refresh paints the picture under each band from whichever thread draws the band.
TEST(ClippedPaint, StretchOfAPartMatchesTheWholeStretch) {
  const QImage picture = Noise(61, 43, 9);
  for (QSize size :
       {QSize(61, 43), QSize(183, 129), QSize(122, 86), QSize(100, 70), QSize(45, 30)}) {
    QImage whole(size, QImage::Format_RGB32), parts(size, QImage::Format_RGB32);
    StretchCopy(picture, 61, 43, whole);
    parts.fill(0);
    for (int y = 0; y < size.height(); y += 7)
      for (int x = 0; x < size.width(); x += 11) StretchCopy(picture, 61, 43, parts, {x, y, 11, 7});
    EXPECT_EQ(Differences(whole, parts), 0) << size.width() << " x " << size.height();

    QImage bands(size, QImage::Format_RGB32);
    bands.fill(0);
    const StretchPlan plan(picture, 61, 43, bands);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
      threads.emplace_back([&, t] {
        for (int y = 5 * t; y < size.height(); y += 20) plan.Paint({0, y, size.width(), 5});
      });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(Differences(whole, bands), 0)
        << "in bands, " << size.width() << " x " << size.height();
  }
}

TEST(ClippedPaint, NothingIsWrittenOutsideTheClip) {
  QImage surface(kWidth, kHeight, QImage::Format_RGB32);
  surface.fill(0xFFFFFFFFu);
  const QImage before = surface;
  const QRect clip(50, 40, 70, 45);
  Start s;
  GdiCanvas canvas(&surface);
  canvas.SetClip(&surface, clip);
  const QImage picture = Noise(kWidth, kHeight, 4);
  RedrawFigures(canvas, test::Crowd(kWidth, kHeight, 5), 100, s.settings, s.work, s.drag, s.panel,
                s.text, &picture);
  EXPECT_TRUE(clip.contains(ChangedArea(before, surface)));
}

// Each primitive's announced rectangle holds every pixel it changed.
TEST(TouchHandler, AnnouncesEveryPixelBeforeItIsWritten) {
  std::mt19937 gen(21);
  auto uniform = [&gen](double lo, double hi) {
    return float(std::uniform_real_distribution<double>(lo, hi)(gen));
  };
  QImage surface = Noise(kWidth, kHeight, 8);
  GdiCanvas canvas(&surface);
  QRect touched;
  canvas.SetTouchHandler(&surface, [&](const QRect& r) { touched |= r; });
  canvas.SetFontName("IPAGothic");
  canvas.SetFontSize(14);
  for (int k = 0; k < 400; ++k) {
    canvas.SetDrawWidth(int16_t(k % 3 == 0 ? 1 + k % 9 : 1));
    canvas.SetDrawStyle(int16_t(k % 5));
    canvas.SetDrawMode(k % 2 ? platform::kXorPen : platform::kCopyPen);
    canvas.SetFillStyle(int16_t(k % 8));
    canvas.SetForeColor(uint32_t(gen()));
    canvas.SetFillColor(uint32_t(gen()));
    const float x = uniform(-30, kWidth + 30), y = uniform(-30, kHeight + 30);
    const QImage before = surface;
    touched = QRect();
    switch (k % 6) {
      case 0:
        canvas.Polyline({{x, y},
                         {x + uniform(-90, 90), y + uniform(-90, 90)},
                         {x + uniform(-90, 90), y + uniform(-90, 90)}});
        break;
      case 1:
        canvas.Box(x, y, x + uniform(-80, 80), y + uniform(-80, 80));
        break;
      case 2:
        canvas.Circle(x, y, uniform(0, 60), uniform(0.2f, 3));
        break;
      case 3:
        canvas.FillPolygon({{x, y}, {x + uniform(-90, 90), y}, {x, y + uniform(-90, 90)}});
        break;
      case 4:
        canvas.MultiplyPolygon({{x, y}, {x + uniform(-90, 90), y + 5}, {x, y + uniform(-90, 90)}},
                               0x80C0FFu);
        break;
      default:
        canvas.SelectFont({"IPAGothic", 18, int32_t(uniform(0, 3600)), 0, false});
        canvas.SetCurrentX(x), canvas.SetCurrentY(y);
        canvas.Print("回転した文字 Wg");
        break;
    }
    const QRect changed = ChangedArea(before, surface);
    EXPECT_TRUE(changed.isEmpty() || touched.contains(changed))
        << "primitive " << k % 6 << " at " << k;
  }
}

}  // namespace
}  // namespace velmor
