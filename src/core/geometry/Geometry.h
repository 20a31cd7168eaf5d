// Plane-geometry routines shared by drawing and editing, and the work area through which they
// take their input and leave their output. The small errors of these routines (the 1e-10 terms,
// pi to 14 decimals, single-precision points) are part of the results callers rely on.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>

namespace velmor {

// pi to 14 decimals rather than M_PI: stored figures and the tests' expected points were
// computed with this value, and turned points differ in their last bits with a closer one.
inline constexpr double kPi = 3.14159265358979;

// An arithmetic failure inside a routine (0/0, a point beyond single precision, a bad index).
class GeometryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct WorkPoint {
  float X = 0;
  float Y = 0;
};

struct WorkArea {
  std::array<WorkPoint, 5> WorkPoints{};  // entry 1 is the pivot of every turn
  int16_t WorkIndex = 0;                  // the entry RotateOffset writes
  double WorkX = 0;
  double WorkY = 0;
  double WorkAngle = 0;    // degrees
  double WorkRadians = 0;  // radians
  double WorkWidth = 0;
  double WorkHeight = 0;
};

double VectorLength(double dx, double dy);

// Direction of (dx, dy) with dy counted upward, in radians between -2pi and 0; adding 2pi gives
// the counterclockwise angle from the positive x axis. Throws GeometryError for (0, 0).
double DirectionAngle(double dx, double dy);

// arccos through arctan, with 1e-10 under the root so that +-1 does not divide by zero.
double ArcCos(double x);

// WorkPoints[WorkIndex] := the point WorkX to the right of and WorkY below WorkPoints[1] in a
// frame turned counterclockwise (on screen) by WorkRadians.
void RotateOffset(WorkArea& work);

// From the pivot WorkPoints[1], WorkAngle, WorkWidth and WorkHeight: corners 2, 3 and 4 of the
// turned box and, in entry 0, a seed point 2 pixels inside the pivot corner.
void BuildRotatedBox(WorkArea& work);

}  // namespace velmor
