// The output size of a metafile picture, bounded by the limits with its aspect kept.
#pragma once

#include <QSize>
#include <algorithm>
#include <cmath>

#include "formats/metafile/MetafilePlayer.h"

namespace velmor::platform::metafile {

// `width` x `height` pixels (any magnitude) scaled down to fit the limits; empty when either
// is not a positive finite number.
inline QSize BoundedPictureSize(double width, double height, const MetafileLimits& limits) {
  width = std::abs(width);
  height = std::abs(height);
  if (!std::isfinite(width) || !std::isfinite(height) || width < 0.5 || height < 0.5) return {};
  double scale = std::min({1.0, limits.maxSide / width, limits.maxSide / height,
                           std::sqrt(static_cast<double>(limits.maxPixels) / (width * height))});
  const int w = std::max(1, static_cast<int>(std::floor(width * scale + 0.5)));
  const int h = std::max(1, static_cast<int>(std::floor(height * scale + 0.5)));
  if (static_cast<double>(w) * h > static_cast<double>(limits.maxPixels)) return {};
  return {w, h};
}

}  // namespace velmor::platform::metafile
