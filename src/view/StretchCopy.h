// The one stretching copy of a refresh: a region of the picture painted over a whole target by
// nearest neighbour, pixels copied as they are (no blending, no smoothing).
#pragma once

#include <QImage>

namespace velmor {

// Paints the region (0, 0, sourceWidth, sourceHeight) of `source` (image pixels, possibly
// fractional) stretched over all of `target`. Both must be Format_RGB32. Samples that fall past
// the picture's edge repeat its last row or column.
void StretchCopy(const QImage& source, double sourceWidth, double sourceHeight, QImage& target);
// The same, painting only the pixels of `part` (target pixels): each comes out as the whole
// copy would make it.
void StretchCopy(const QImage& source, double sourceWidth, double sourceHeight, QImage& target,
                 const QRect& part);

}  // namespace velmor
