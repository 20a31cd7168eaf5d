#include "view/StretchCopy.h"

#include <algorithm>
#include <cstring>

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
  if ((part & target.rect()).isEmpty()) return;
  StretchPlan(source, sourceWidth, sourceHeight, target).Paint(part);
}

StretchPlan::StretchPlan(const QImage& source, double sourceWidth, double sourceHeight,
                         QImage& target) {
  const int width = target.width();
  const int height = target.height();
  if (width <= 0 || height <= 0 || source.isNull()) return;
  Q_ASSERT(source.format() == QImage::Format_RGB32 && target.format() == QImage::Format_RGB32);
  sourceBits_ = source.constBits();
  sourcePitch_ = source.bytesPerLine();
  targetBits_ = target.bits();
  targetPitch_ = target.bytesPerLine();
  targetRect_ = target.rect();
  same_ = sourceWidth == width && sourceHeight == height && source.width() >= width &&
          source.height() >= height;
  if (same_) return;
  // A whole-number enlargement along x: width is exactly factor x sourceWidth.
  const int factor = width / std::max(static_cast<int>(sourceWidth), 1);
  if (factor >= 2 && static_cast<double>(width) / factor == sourceWidth &&
      static_cast<int>(sourceWidth) <= source.width())
    factor_ = factor;
  else
    xs_ = SampleIndexes(width, sourceWidth, source.width());
  ys_ = SampleIndexes(height, sourceHeight, source.height());
}

void StretchPlan::Paint(const QRect& part) const {
  const QRect area = part & targetRect_;
  if (targetBits_ == nullptr || area.isEmpty()) return;
  const int left = area.left(), right = area.right() + 1;
  const size_t rowBytes = static_cast<size_t>(right - left) * 4;
  auto rowOf = [&](int y) { return reinterpret_cast<uint32_t*>(targetBits_ + y * targetPitch_); };
  auto sourceRow = [&](int y) {
    return reinterpret_cast<const uint32_t*>(sourceBits_ + y * sourcePitch_);
  };

  if (same_) {
    for (int y = area.top(); y <= area.bottom(); ++y)
      std::memcpy(rowOf(y) + left, sourceRow(y) + left, rowBytes);
    return;
  }
  for (int y = area.top(); y <= area.bottom(); ++y) {
    uint32_t* row = rowOf(y);
    // Enlarging repeats rows: copy the row just built instead of sampling again.
    if (y > area.top() && ys_[static_cast<size_t>(y)] == ys_[static_cast<size_t>(y) - 1]) {
      std::memcpy(row + left, rowOf(y - 1) + left, rowBytes);
      continue;
    }
    const uint32_t* from = sourceRow(ys_[static_cast<size_t>(y)]);
    if (factor_ > 0) {
      // The part's first and last source pixels may be cut; the ones between are whole.
      int x = left;
      for (; x < right && x % factor_ != 0; ++x) row[x] = from[x / factor_];
      const int whole = (right - x) / factor_;
      RepeatPixels(from + x / factor_, whole, factor_, row + x);
      for (x += whole * factor_; x < right; ++x) row[x] = from[x / factor_];
    } else {
      for (int x = left; x < right; ++x) row[x] = from[xs_[static_cast<size_t>(x)]];
    }
  }
}

}  // namespace velmor
