#include "view/StretchCopy.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace velmor {

namespace {
// Source index of each target index: the sample under the target pixel's centre.
std::vector<int> SampleIndexes(int targetExtent, double sourceExtent, int available) {
  std::vector<int> indexes(static_cast<size_t>(targetExtent));
  const double step = sourceExtent / targetExtent;
  for (int i = 0; i < targetExtent; ++i)
    indexes[static_cast<size_t>(i)] =
        std::clamp(static_cast<int>((i + 0.5) * step), 0, available - 1);
  return indexes;
}
// Each source pixel repeated `factor` times: whole-number zooms need no index table.
void RepeatPixels(const uint32_t* from, int count, int factor, uint32_t* to) {
  if (factor == 2) {
    for (int i = 0; i < count; ++i) {
      const uint64_t pair = from[i] | (uint64_t{from[i]} << 32);
      std::memcpy(to + 2 * i, &pair, sizeof pair);
    }
    return;
  }
  for (int i = 0; i < count; ++i)
    for (int j = 0; j < factor; ++j) *to++ = from[i];
}

}  // namespace

void StretchCopy(const QImage& source, double sourceWidth, double sourceHeight, QImage& target) {
  const int width = target.width();
  const int height = target.height();
  if (width <= 0 || height <= 0 || source.isNull()) return;
  Q_ASSERT(source.format() == QImage::Format_RGB32 && target.format() == QImage::Format_RGB32);

  uchar* targetBits = target.bits();
  const qsizetype targetPitch = target.bytesPerLine();
  const size_t rowBytes = static_cast<size_t>(width) * 4;

  if (sourceWidth == width && sourceHeight == height && source.width() >= width &&
      source.height() >= height) {
    for (int y = 0; y < height; ++y)
      std::memcpy(targetBits + y * targetPitch, source.constScanLine(y), rowBytes);
    return;
  }

  // A whole-number enlargement along x: width is exactly factor x sourceWidth.
  const int factor = width / std::max(static_cast<int>(sourceWidth), 1);
  const bool repeat = factor >= 2 && static_cast<double>(width) / factor == sourceWidth &&
                      static_cast<int>(sourceWidth) <= source.width();
  const std::vector<int> xs =
      repeat ? std::vector<int>() : SampleIndexes(width, sourceWidth, source.width());
  const std::vector<int> ys = SampleIndexes(height, sourceHeight, source.height());
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(targetBits + y * targetPitch);
    // Enlarging repeats rows: copy the row just built instead of sampling again.
    if (y > 0 && ys[static_cast<size_t>(y)] == ys[static_cast<size_t>(y) - 1]) {
      std::memcpy(row, targetBits + (y - 1) * targetPitch, rowBytes);
      continue;
    }
    const auto* from =
        reinterpret_cast<const uint32_t*>(source.constScanLine(ys[static_cast<size_t>(y)]));
    if (repeat)
      RepeatPixels(from, width / factor, factor, row);
    else
      for (int x = 0; x < width; ++x) row[x] = from[xs[static_cast<size_t>(x)]];
  }
}

}  // namespace velmor
