// The one stretching copy of a refresh: a region of the picture painted over a whole target by
// nearest neighbour, pixels copied as they are (no blending, no smoothing).
#pragma once

#include <QImage>
#include <cstdint>
#include <vector>

namespace velmor {

// Paints the region (0, 0, sourceWidth, sourceHeight) of `source` (image pixels, possibly
// fractional) stretched over all of `target`. Both must be Format_RGB32. Samples that fall past
// the picture's edge repeat its last row or column.
void StretchCopy(const QImage& source, double sourceWidth, double sourceHeight, QImage& target);
// The same, painting only the pixels of `part` (target pixels): each comes out as the whole
// copy would make it.
void StretchCopy(const QImage& source, double sourceWidth, double sourceHeight, QImage& target,
                 const QRect& part);

// The same copy worked out once and painted part by part. The images' pixels are taken when
// the plan is made, on that thread; Paint may then run on several threads at once for parts
// that do not overlap, while both images live and neither is resized or reassigned.
class StretchPlan {
 public:
  StretchPlan(const QImage& source, double sourceWidth, double sourceHeight, QImage& target);
  void Paint(const QRect& part) const;

 private:
  const uchar* sourceBits_ = nullptr;
  qsizetype sourcePitch_ = 0;
  uchar* targetBits_ = nullptr;
  qsizetype targetPitch_ = 0;
  QRect targetRect_;
  bool same_ = false;    // one to one: rows copied as they are
  int factor_ = 0;       // above 1: each source pixel repeated this many times along x
  std::vector<int> xs_;  // otherwise the source column of each target column
  std::vector<int> ys_;  // the source row of each target row
};

}  // namespace velmor
