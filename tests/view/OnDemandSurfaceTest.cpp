// The tiles of a surface painted on demand: painted once when needed, whole areas in few
// calls, kept when drawn on, and their memory given back when hidden and repaintable.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <QImage>
#include <vector>

#include "view/OnDemandSurface.h"

namespace velmor {
namespace {

constexpr int kWidth = 2048, kHeight = 640;  // 8 x 10 tiles, rows of two whole pages

// Surface memory as the canvas maps it: rows on page boundaries.
struct Mapped {
  size_t bytes = size_t(kWidth) * 4 * kHeight;
  void* bits = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ~Mapped() { ::munmap(bits, bytes); }
  QImage Image() const {
    return QImage(static_cast<uchar*>(bits), kWidth, kHeight, kWidth * 4, QImage::Format_RGB32);
  }
  // How many of the rows' pages in [y0, y1) are in memory.
  int ResidentPages(int y0, int y1) const {
    const size_t page = size_t(::sysconf(_SC_PAGESIZE));
    const size_t from = size_t(y0) * kWidth * 4, to = size_t(y1) * kWidth * 4;
    std::vector<unsigned char> in((to - from + page - 1) / page);
    ::mincore(static_cast<char*>(bits) + from, to - from, in.data());
    int n = 0;
    for (unsigned char c : in) n += c & 1;
    return n;
  }
};

// A painter that fills each part with the pixel's own coordinates and records the parts.
struct Recorder {
  std::vector<QRect> parts;
  OnDemandSurface::Painter Painter() {
    return [this](QImage& image, const QRect& part) {
      parts.push_back(part);
      for (int y = part.top(); y <= part.bottom(); ++y)
        for (int x = part.left(); x <= part.right(); ++x)
          reinterpret_cast<QRgb*>(image.scanLine(y))[x] = Expected(x, y);
    };
  }
  static QRgb Expected(int x, int y) { return 0xFF000000u | uint32_t(x) << 10 | uint32_t(y); }
  int64_t Area() const {
    int64_t a = 0;
    for (const QRect& r : parts) a += int64_t(r.width()) * r.height();
    return a;
  }
};

// A surface on mapped memory just after a refresh that painted nothing yet.
struct Refreshed {
  Mapped memory;
  OnDemandSurface surface;
  Recorder recorder;
  Refreshed() {
    surface.Reset(memory.Image(), true);
    surface.Repaint(recorder.Painter(), QRect());
  }
};

bool Painted(const QImage& image, const QRect& rect) {
  for (int y = rect.top(); y <= rect.bottom(); ++y)
    for (int x = rect.left(); x <= rect.right(); ++x)
      if (image.pixel(x, y) != Recorder::Expected(x, y)) return false;
  return true;
}

TEST(OnDemandSurface, PaintsEachTileOnceWhenItIsNeeded) {
  Refreshed r;
  auto& [memory, surface, recorder] = r;
  EXPECT_TRUE(recorder.parts.empty());

  surface.Ensure(QRect(300, 70, 10, 10));  // inside tile (1, 1)
  ASSERT_EQ(recorder.parts.size(), 1u);
  EXPECT_EQ(recorder.parts[0], QRect(256, 64, 256, 64));
  surface.Ensure(QRect(260, 100, 200, 20));
  EXPECT_EQ(recorder.parts.size(), 1u);

  surface.EnsureAll();
  EXPECT_EQ(recorder.Area(), int64_t(kWidth) * kHeight);  // no pixel painted twice
  EXPECT_LE(recorder.parts.size(), 5u);  // the tile, then bands around it, not tile by tile
  EXPECT_TRUE(Painted(surface.Image(), surface.Image().rect()));
  EXPECT_EQ(surface.UnpaintedTiles(), 0);
}

TEST(OnDemandSurface, DrawnTilesAreKeptUntilTheNextRefresh) {
  Refreshed r;
  auto& [memory, surface, recorder] = r;
  const QRect mark(1500, 500, 40, 30);
  surface.Drawn(mark);
  EXPECT_TRUE(Painted(surface.Image(), mark));  // painted before anything is drawn on it
  surface.Image().setPixel(1510, 510, 0xFF00FF00u);
  surface.EnsureAll();
  surface.Release(QRect(0, 0, 10, 10));
  surface.EnsureAll();
  EXPECT_EQ(surface.Image().pixel(1510, 510), 0xFF00FF00u);
  // A refresh paints over everything, marks included.
  surface.Repaint(recorder.Painter(), QRect(0, 0, 10, 10));
  surface.EnsureAll();
  EXPECT_TRUE(Painted(surface.Image(), surface.Image().rect()));
}

TEST(OnDemandSurface, HiddenRepaintableTilesGiveTheirMemoryBack) {
  Refreshed r;
  auto& [memory, surface, recorder] = r;
  surface.EnsureAll();
  const int pagesPerBand = 64 * 2;
  ASSERT_EQ(memory.ResidentPages(0, kHeight), 10 * pagesPerBand);

  // Keep the top-left page column of the first two bands; a mark holds one tile of band 5.
  surface.Drawn(QRect(1100, 330, 5, 5));
  surface.Release(QRect(0, 0, 1024, 128));
  EXPECT_EQ(memory.ResidentPages(0, 128), pagesPerBand);  // the kept page column of two bands
  EXPECT_EQ(memory.ResidentPages(320, 384), 64);          // the marked tile's page column alone
  EXPECT_EQ(memory.ResidentPages(384, kHeight), 0);

  const size_t before = recorder.parts.size();
  surface.EnsureAll();
  EXPECT_GT(recorder.parts.size(), before);
  EXPECT_TRUE(Painted(surface.Image(), surface.Image().rect()));
}

// A zoom step hands the memory on to a smaller surface laid out alike: what lies beyond it goes.
TEST(OnDemandSurface, NextSurfaceOnTheSameMemoryKeepsOnlyItsOwnPages) {
  Refreshed r;
  auto& [memory, surface, recorder] = r;
  surface.EnsureAll();
  const OnDemandSurface::Residency residency = surface.TakeResidency();
  surface.Reset(QImage(), false);
  const QImage smaller(static_cast<uchar*>(memory.bits), 1000, 300, kWidth * 4,
                       QImage::Format_RGB32);
  surface.Reset(smaller, true, &residency);
  EXPECT_EQ(memory.ResidentPages(0, 320), 320);  // its one page column, rows to the tile's end
  EXPECT_EQ(memory.ResidentPages(320, kHeight), 0);
  // A refresh showing none of it gives back the rest.
  surface.Repaint(recorder.Painter(), QRect());
  EXPECT_EQ(memory.ResidentPages(0, kHeight), 0);
}

TEST(OnDemandSurface, SurfacePaintedWholeNeedsNoPainter) {
  QImage image(300, 200, QImage::Format_RGB32);
  image.fill(0xFF112233u);
  OnDemandSurface surface;
  surface.Reset(image, false);
  Recorder recorder;
  surface.Ensure(image.rect());
  surface.Drawn(image.rect());
  EXPECT_TRUE(recorder.parts.empty());
  surface.Repaint(recorder.Painter(), QRect());  // painted whole at once
  EXPECT_EQ(recorder.Area(), 300 * 200);
}

}  // namespace
}  // namespace velmor
