// A surface painted a piece at a time through a clip must be the surface painted whole, and a
// primitive must announce every pixel it writes before writing it: the canvas paints only what
// the viewport shows and relies on both.
#include <gtest/gtest.h>

#include <random>

#include "raster/CanvasPixels.h"
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

// Every kind of figure in every style, many across one another and over the picture's edges.
FigureTable AllKinds() {
  FigureTable table;
  std::mt19937 gen(5);
  auto uniform = [&gen](double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(gen);
  };
  auto pick = [&gen](int n) { return int16_t(std::uniform_int_distribution<int>(0, n - 1)(gen)); };
  const char* texts[] = {"文字列", "ABC-123", "注意", "寸法 120mm"};
  for (int row = 1; row <= 140; ++row) {
    auto& cells = table.cells[row];
    const double x = uniform(-20, kWidth + 20), y = uniform(-20, kHeight + 20);
    const int32_t color = int32_t(gen() & 0xFFFFFF), back = int32_t(gen() & 0xFFFFFF);
    const int16_t width = pick(3) == 0 ? int16_t(2 + pick(5)) : int16_t(1);
    switch (row % 7) {
      case 0:
        cells = {int16_t(1),
                 x,
                 y,
                 x + uniform(-120, 120),
                 y + uniform(-120, 120),
                 width,
                 pick(5),
                 color,
                 back,
                 int16_t(1),
                 int16_t(pick(2))};
        break;
      case 1:
        cells = {int16_t(2), x,     y,    x + uniform(-80, 80), y + uniform(-60, 60), width,
                 pick(6),    color, back, int16_t(pick(8))};
        break;
      case 2:
        cells = {int16_t(3), x,     y,    uniform(3, 50),   TaggedValue{},    width,
                 pick(5),    color, back, int16_t(pick(8)), uniform(0.3, 2.5)};
        break;
      case 3:
        cells = {int16_t(4),
                 x,
                 y,
                 std::string(texts[pick(4)]),
                 std::string("IPAGothic"),
                 9.0 + pick(4) * 3,
                 pick(2) == 0,
                 color,
                 back,
                 int16_t(pick(8)),
                 uniform(-180, 180),
                 false};
        break;
      case 4:
        cells = {int16_t(fig::kMosaic), x, y, x + uniform(-70, 70), y + uniform(-50, 50),
                 double(4 + pick(6))};
        break;
      case 5:
        cells = {int16_t(fig::kMarker),
                 x,
                 y,
                 int16_t(row),
                 std::string("IPAGothic"),
                 10.0,
                 false,
                 color,
                 back,
                 TaggedValue{},
                 uniform(6, 14),
                 false};
        break;
      default:
        cells = {int16_t(fig::kHighlight),
                 x,
                 y,
                 x + uniform(-90, 90),
                 y + uniform(-40, 40),
                 double(4 + pick(12)),
                 TaggedValue{},
                 int32_t(0x80FF80 | (gen() & 0x7F7F7F)),
                 TaggedValue{},
                 TaggedValue{},
                 int16_t(pick(2))};
        break;
    }
  }
  table.FigureCount = 140;
  return table;
}

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
  const FigureTable figures = AllKinds();
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

TEST(ClippedPaint, StretchOfAPartMatchesTheWholeStretch) {
  const QImage picture = Noise(61, 43, 9);
  for (QSize size : {QSize(61, 43), QSize(183, 129), QSize(100, 70), QSize(45, 30)}) {
    QImage whole(size, QImage::Format_RGB32), parts(size, QImage::Format_RGB32);
    StretchCopy(picture, 61, 43, whole);
    parts.fill(0);
    for (int y = 0; y < size.height(); y += 7)
      for (int x = 0; x < size.width(); x += 11) StretchCopy(picture, 61, 43, parts, {x, y, 11, 7});
    EXPECT_EQ(Differences(whole, parts), 0) << size.width() << " x " << size.height();
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
  RedrawFigures(canvas, AllKinds(), 100, s.settings, s.work, s.drag, s.panel, s.text, &picture);
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
