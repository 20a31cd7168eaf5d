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
  StretchCopy(source, sourceWidth, sourceHeight, target, target.rect());
}

void StretchCopy(const QImage& source, double sourceWidth, double sourceHeight, QImage& target,
                 const QRect& part) {
  const int width = target.width();
  const int height = target.height();
  const QRect area = part & target.rect();
  if (width <= 0 || height <= 0 || source.isNull() || area.isEmpty()) return;
  Q_ASSERT(source.format() == QImage::Format_RGB32 && target.format() == QImage::Format_RGB32);

  uchar* targetBits = target.bits();
  const qsizetype targetPitch = target.bytesPerLine();
  const int left = area.left(), right = area.right() + 1;
  const size_t rowBytes = static_cast<size_t>(right - left) * 4;
  auto rowOf = [&](int y) { return reinterpret_cast<uint32_t*>(targetBits + y * targetPitch); };

  if (sourceWidth == width && sourceHeight == height && source.width() >= width &&
      source.height() >= height) {
    for (int y = area.top(); y <= area.bottom(); ++y)
      std::memcpy(rowOf(y) + left,
                  reinterpret_cast<const uint32_t*>(source.constScanLine(y)) + left, rowBytes);
    return;
  }

  // A whole-number enlargement along x: width is exactly factor x sourceWidth.
  const int factor = width / std::max(static_cast<int>(sourceWidth), 1);
  const bool repeat = factor >= 2 && static_cast<double>(width) / factor == sourceWidth &&
                      static_cast<int>(sourceWidth) <= source.width();
  const std::vector<int> xs =
      repeat ? std::vector<int>() : SampleIndexes(width, sourceWidth, source.width());
  const std::vector<int> ys = SampleIndexes(height, sourceHeight, source.height());
  for (int y = area.top(); y <= area.bottom(); ++y) {
    uint32_t* row = rowOf(y);
    // Enlarging repeats rows: copy the row just built instead of sampling again.
    if (y > area.top() && ys[static_cast<size_t>(y)] == ys[static_cast<size_t>(y) - 1]) {
      std::memcpy(row + left, rowOf(y - 1) + left, rowBytes);
      continue;
    }
    const auto* from =
        reinterpret_cast<const uint32_t*>(source.constScanLine(ys[static_cast<size_t>(y)]));
    if (repeat) {
      // The part's first and last source pixels may be cut; the ones between are whole.
      int x = left;
      for (; x < right && x % factor != 0; ++x) row[x] = from[x / factor];
      const int whole = (right - x) / factor;
      RepeatPixels(from + x / factor, whole, factor, row + x);
      for (x += whole * factor; x < right; ++x) row[x] = from[x / factor];
    } else {
      for (int x = left; x < right; ++x) row[x] = from[xs[static_cast<size_t>(x)]];
    }
  }
}

}  // namespace velmor
