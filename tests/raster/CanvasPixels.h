// Pictures and pixel queries shared by the canvas and rendering tests.
#pragma once

#include <QImage>
#include <QRect>
#include <cstdint>
#include <functional>
#include <random>

namespace velmor::test {

// Packed RGB as the canvas takes it.
constexpr uint32_t Rgb(int r, int g, int b) {
  return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16;
}

inline QImage Plain(int w, int h, QRgb color) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(color);
  return image;
}

// A picture where no two neighbouring pixels are alike, so any stray pixel shows.
inline QImage Noise(int w, int h, unsigned seed = 7) {
  QImage image(w, h, QImage::Format_RGB32);
  std::mt19937 gen(seed);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixel(x, y, 0xFF000000u | (gen() & 0xFFFFFFu));
  return image;
}

inline int CountIf(const QImage& image, const std::function<bool(int x, int y, QRgb)>& pred) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) n += pred(x, y, image.pixel(x, y)) ? 1 : 0;
  return n;
}

inline int Differences(const QImage& a, const QImage& b) {
  return CountIf(a, [&](int x, int y, QRgb p) { return p != b.pixel(x, y); });
}

// Bounding box of the pixels that differ from `before`.
inline QRect ChangedArea(const QImage& before, const QImage& after) {
  QRect box;
  for (int y = 0; y < after.height(); ++y)
    for (int x = 0; x < after.width(); ++x)
      if (after.pixel(x, y) != before.pixel(x, y)) box |= QRect(x, y, 1, 1);
  return box;
}

}  // namespace velmor::test
