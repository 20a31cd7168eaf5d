// The picture limits the fuzz targets run with, tighter than the program's own so that one run
// stays quick (a metafile is drawn onto a picture of up to maxPixels); the code is the same.
// The corpus replay test reads stored findings with them too.
#pragma once

#include "formats/PictureLoader.h"

namespace velmor::fuzz {

inline platform::PictureLimits PictureFuzzLimits() {
  platform::PictureLimits limits;
  limits.maxPixels = 1 << 20;
  limits.maxFileBytes = 1 << 20;
  limits.decoderAllocationMiB = 64;
  return limits;
}

}  // namespace velmor::fuzz
