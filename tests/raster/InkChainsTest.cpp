// A layer of ink records highlighters as sequences of multiplies; laid over a picture, each must
// give what multiplying the picture's pixel on the canvas would have, step by step.
#include <gtest/gtest.h>

#include <cstring>

#include "raster/CanvasPixels.h"
#include "raster/GdiCanvas.h"
#include "raster/InkChains.h"

namespace velmor {
namespace {

using platform::CanvasPoint;
using platform::GdiCanvas;
using platform::InkChains;

// The pixel as stored: pixel() would set the top byte of a 32-bit RGB image.
uint32_t Stored(const QImage& image, int x, int y) {
  return reinterpret_cast<const uint32_t*>(image.constScanLine(y))[x];
}

// Nothing drawn yet: every byte 0 (fill() would set the top byte of a 32-bit RGB image).
QImage EmptyLayer(int w, int h) {
  QImage layer(w, h, QImage::Format_RGB32);
  std::memset(layer.bits(), 0, size_t(layer.sizeInBytes()));
  return layer;
}

TEST(InkChains, ASequenceLaidOverAPictureIsItsMultipliesInTurn) {
  const std::vector<CanvasPoint> square = {{0, 0}, {16, 0}, {16, 16}, {0, 16}};
  const uint32_t colours[] = {0xFFFF80, 0x80C0FF, 0x7F7F7F, 0x01FEFF};
  InkChains chains;
  QImage picture = test::Noise(16, 16, 4), layer = EmptyLayer(16, 16);
  GdiCanvas onPicture(&picture), onLayer(&layer);
  onLayer.SetInkChains(&chains);
  for (uint32_t colour : colours) {
    onPicture.MultiplyPolygon(square, colour);
    onLayer.MultiplyPolygon(square, colour);
  }
  EXPECT_EQ(onLayer.DestinationReads(), 0u);
  const QImage before = test::Noise(16, 16, 4);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const uint32_t id = Stored(layer, x, y) >> 24;
      ASSERT_GT(id, 0u);
      EXPECT_EQ(chains.Apply(uint8_t(id), before.pixel(x, y)), picture.pixel(x, y))
          << x << "," << y;
    }
}

TEST(InkChains, ColoursOnTheLayerAreDarkenedAndSequencesShared) {
  InkChains chains;
  QImage layer = EmptyLayer(8, 8);
  layer.setPixel(2, 2, 0xFF8040C0u);
  GdiCanvas canvas(&layer);
  canvas.SetInkChains(&chains);
  canvas.MultiplyPolygon({{0, 0}, {8, 0}, {8, 8}, {0, 8}}, 0x808080);
  // (0x80 * 0x80 + 127) / 255 = 64, and so on for each channel.
  EXPECT_EQ(Stored(layer, 2, 2), 0xFF402060u);
  EXPECT_EQ(Stored(layer, 5, 5) >> 24, chains.Then(0, 0x808080));
  EXPECT_EQ(chains.Then(0, 0x808080), chains.Then(0, 0x808080));
  EXPECT_NE(chains.Then(0, 0x808080), chains.Then(0, 0x808081));
  EXPECT_FALSE(chains.Overflowed());
}

TEST(InkChains, MoreSequencesThanTheTopByteHoldsAreRefused) {
  InkChains chains;
  uint8_t last = 0;
  for (uint32_t k = 0; k < InkChains::kMost; ++k) {
    last = chains.Then(last, 0x808080 + k);
    ASSERT_NE(last, 0) << k;
  }
  EXPECT_FALSE(chains.Overflowed());
  EXPECT_EQ(chains.Then(last, 0x123456), 0);
  EXPECT_TRUE(chains.Overflowed());
  chains.Clear();
  EXPECT_FALSE(chains.Overflowed());
  EXPECT_EQ(chains.Then(0, 0x123456), 1);
}

}  // namespace
}  // namespace velmor
