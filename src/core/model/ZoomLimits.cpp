#include "core/model/ZoomLimits.h"

#include <algorithm>

#include "core/base/NumberRules.h"

namespace velmor {

int32_t ScaledExtent(int zoomPercent, int32_t imageExtent) {
  const double scaled = RoundHalfEven(zoomPercent / 100.0 * imageExtent);
  return static_cast<int32_t>(std::clamp(scaled, -2147483648.0, 2147483647.0));
}

bool ZoomFits(int zoomPercent, int32_t imageWidth, int32_t imageHeight) {
  if (zoomPercent < 1 || zoomPercent > kMaxZoomPercent) return false;
  const int64_t w = std::max(ScaledExtent(zoomPercent, imageWidth), 1);
  const int64_t h = std::max(ScaledExtent(zoomPercent, imageHeight), 1);
  return w <= kMaxCanvasExtent && h <= kMaxCanvasExtent && w * h <= kMaxCanvasPixels;
}

bool PictureFits(int32_t width, int32_t height) {
  return ZoomFits(100, width, height) &&
         int64_t(std::max(width, 1)) * std::max(height, 1) <= kMaxPicturePixels;
}

int MaxZoomPercent(int32_t imageWidth, int32_t imageHeight) {
  // Fitting shrinks as the zoom grows, so a binary search finds the edge.
  int lo = 1, hi = kMaxZoomPercent;
  if (!ZoomFits(lo, imageWidth, imageHeight)) return 1;
  while (lo < hi) {
    const int mid = lo + (hi - lo + 1) / 2;
    if (ZoomFits(mid, imageWidth, imageHeight))
      lo = mid;
    else
      hi = mid - 1;
  }
  return lo;
}

}  // namespace velmor
