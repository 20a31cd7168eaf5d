#include "core/geometry/Geometry.h"

#include <cmath>
#include <limits>

namespace velmor {

namespace {
float ToSingle(double value) {
  if (!std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max())
    throw GeometryError("value beyond single precision");
  return static_cast<float>(value);
}
}  // namespace

double VectorLength(double dx, double dy) {
  return std::sqrt(dx * dx + dy * dy);
}

double ArcCos(double x) {
  const double under = -x * x + 1 + 1e-10;
  if (under < 0) throw GeometryError("ArcCos argument out of range");
  return std::atan(-x / std::sqrt(under)) + 2 * std::atan(1.0);
}

double DirectionAngle(double dx, double dy) {
  const double shifted = dy + 1e-10;
  const int s = shifted > 0 ? 1 : (shifted < 0 ? -1 : 0);
  const double len = std::sqrt(dx * dx + dy * dy);
  if (len == 0 || !std::isfinite(len)) throw GeometryError("direction of a zero vector");
  const double r = dx / len;
  const double a = ArcCos(r);
  return s * a - s * kPi - kPi;
}

void RotateOffset(WorkArea& work) {
  if (work.WorkIndex < 0 || work.WorkIndex > 4) throw GeometryError("work index out of range");
  const WorkPoint pivot = work.WorkPoints[1];
  const double u = work.WorkX, w = work.WorkY, phi = work.WorkRadians;
  WorkPoint& out = work.WorkPoints[work.WorkIndex];
  out.X = ToSingle(pivot.X + u * std::cos(phi) + w * std::sin(phi));
  out.Y = ToSingle(pivot.Y - u * std::sin(phi) + w * std::cos(phi));
}

void BuildRotatedBox(WorkArea& work) {
  work.WorkRadians = kPi * work.WorkAngle / 180;
  work.WorkX = work.WorkWidth;
  work.WorkY = 0;
  work.WorkIndex = 2;
  RotateOffset(work);
  work.WorkY = work.WorkHeight;
  work.WorkIndex = 3;
  RotateOffset(work);
  work.WorkX = 0;
  work.WorkIndex = 4;
  RotateOffset(work);
  work.WorkX = 2;
  work.WorkY = 2;
  work.WorkIndex = 0;
  RotateOffset(work);
}

}  // namespace velmor
