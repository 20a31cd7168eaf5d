// The fast paths of the rasteriser against plain per-pixel references on random inputs: the wide
// fill, the pen pattern and the lines and capsules of Polyline.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "raster/CanvasPixels.h"
#include "raster/GdiCanvas.h"
#include "raster/GdiRaster.h"

namespace velmor::platform {
namespace {

using namespace raster;

TEST(RasterFill, WritesExactlyTheRangeAtEveryOffsetAndLength) {
  std::vector<uint32_t> row(80);
  for (size_t from = 0; from < 20; ++from) {
    for (size_t length = 0; length < 40; ++length) {
      std::fill(row.begin(), row.end(), 0x12345678u);
      Fill32(row.data() + from, row.data() + from + length, 0xFFABCDEFu);
      for (size_t x = 0; x < row.size(); ++x) {
        const bool inside = x >= from && x < from + length;
        ASSERT_EQ(row[x], inside ? 0xFFABCDEFu : 0x12345678u)
            << "from " << from << " length " << length << " x " << x;
      }
    }
  }
}

TEST(RasterPenPattern, RunsOfEachStyleRepeatAlongTheWholeLine) {
  const std::vector<std::vector<int>> runs = {{18, 6}, {3, 3}, {9, 6, 3, 6}, {9, 3, 3, 3, 3, 3}};
  for (int16_t style = kDash; style <= kDashDotDot; ++style) {
    std::vector<bool> reference;
    bool on = true;
    for (int run : runs[size_t(style - 1)]) {
      reference.insert(reference.end(), size_t(run), on);
      on = !on;
    }
    const PenPattern pattern(style);
    EXPECT_FALSE(pattern.Solid());
    for (int64_t i = 0; i < 1000; ++i)
      ASSERT_EQ(pattern.On(i), reference[size_t(i) % reference.size()])
          << "style " << style << " index " << i;
  }
  EXPECT_TRUE(PenPattern(kSolid).Solid());
  EXPECT_TRUE(PenPattern(kSolid).On(12345));
}

// Polyline as plain per-pixel code: every pixel bounds-checked, the pattern asked for each one,
// wide lines merged from the spans of every capsule.
void ReferencePolyline(QImage& image, const std::vector<CanvasPoint>& points, int16_t mode,
                       int16_t style, int16_t width, uint32_t color) {
  const Target t = TargetOf(image, image.rect());
  const Rop rop = Rop::Make(mode, color);
  if (width > 1) {
    std::vector<RowSpan> spans;
    for (size_t k = 0; k + 1 < points.size() || k == 0; ++k) {
      const CanvasPoint& a = points[k];
      const CanvasPoint& b = points.size() > 1 ? points[k + 1] : a;
      ForCapsuleSpans(Pix(a.X), Pix(a.Y), Pix(b.X), Pix(b.Y), width, t.top, t.bottom,
                      [&](int64_t y, int64_t xa, int64_t xb) {
                        spans.push_back({y, xa, xb});
                      });
    }
    for (const RowSpan& s : MergeSpans(spans))
      for (int64_t x = s.xa; x <= s.xb; ++x) t.Pixel(x, s.y, rop);
    return;
  }
  const PenPattern pattern(style);
  const int64_t fx = Pix(points[0].X), fy = Pix(points[0].Y);
  int64_t base = 0;
  for (size_t k = 0; k + 1 < points.size() || k == 0; ++k) {
    const CanvasPoint& a = points[k];
    const CanvasPoint& b = points.size() > 1 ? points[k + 1] : a;
    const int64_t x0 = Pix(a.X), y0 = Pix(a.Y), x1 = Pix(b.X), y1 = Pix(b.Y);
    const bool closes = k > 0 && k + 2 == points.size() && x1 == fx && y1 == fy;
    const int64_t n = std::max(std::llabs(x1 - x0), std::llabs(y1 - y0));
    ForLinePixels(x0, y0, x1, y1, t, [&](int64_t x, int64_t y, int64_t i) {
      if (k > 0 && i == 0) return;
      if (closes && i == n && n > 0) return;
      if (pattern.On(base + i)) t.Pixel(x, y, rop);
    });
    base += n;
  }
}

TEST(RasterPolyline, MatchesThePerPixelReferenceOnRandomPaths) {
  std::mt19937 gen(11);
  auto coord = [&gen](int extent) {
    return float(std::uniform_int_distribution<int>(-extent / 2, extent * 3 / 2)(gen)) +
           (gen() % 2 ? 0.5f : 0.0f);
  };
  const int16_t modes[] = {kCopyPen, kXorPen, kNotCopyPen};
  for (int round = 0; round < 400; ++round) {
    const int16_t mode = modes[round % 3];
    const auto style = int16_t(gen() % 5);
    const auto width = int16_t(round % 4 == 0 ? 2 + gen() % 6 : 1);
    const uint32_t color = gen() & 0xFFFFFFu;
    std::vector<CanvasPoint> points(1 + gen() % 5);
    for (CanvasPoint& p : points) p = {coord(60), coord(40)};
    if (points.size() > 2 && round % 2 == 0) points.back() = points.front();  // closed
    QImage fast = test::Noise(60, 40, unsigned(round));
    QImage reference = fast.copy();
    GdiCanvas canvas(&fast);
    canvas.SetDrawMode(mode);
    canvas.SetDrawStyle(style);
    canvas.SetDrawWidth(width);
    canvas.SetForeColor(color);
    canvas.Polyline(points);
    ReferencePolyline(reference, points, mode, style, width, color);
    ASSERT_EQ(fast, reference) << "round " << round << " points " << points.size() << " width "
                               << width << " style " << style;
  }
}

}  // namespace
}  // namespace velmor::platform
