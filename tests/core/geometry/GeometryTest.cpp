#include <gtest/gtest.h>

#include "core/geometry/Geometry.h"

namespace velmor {
namespace {

TEST(VectorLength, IsTheEuclideanLength) {
  EXPECT_DOUBLE_EQ(VectorLength(3, 4), 5);
  EXPECT_DOUBLE_EQ(VectorLength(0, 0), 0);
}

TEST(DirectionAngle, CarriesTheRoutinesOwnSmallErrors) {
  EXPECT_NEAR(DirectionAngle(1, 0), -6.28317530717958, 1e-12);  // -2pi + 1e-5
  EXPECT_NEAR(DirectionAngle(0, 1), -4.71238898038469, 1e-12);  // 90 degrees
  EXPECT_NEAR(DirectionAngle(0, -1), -1.5707963267949, 1e-12);  // 270 degrees
  EXPECT_NEAR(DirectionAngle(-1, 0), -kPi - 1e-5, 1e-9);
  // dy above -1e-10 counts as upward: near -2pi, not near 0.
  EXPECT_NEAR(DirectionAngle(1, -5e-11), -2 * kPi + 1e-5, 1e-9);
  EXPECT_THROW(DirectionAngle(0, 0), GeometryError);
}

TEST(ArcCos, EndsAreOffByTheGuardTerm) {
  EXPECT_NEAR(ArcCos(1), 1e-5, 1e-9);
  EXPECT_NEAR(ArcCos(-1), kPi - 1e-5, 1e-9);
  EXPECT_NEAR(ArcCos(0), kPi / 2, 1e-12);
}

TEST(RotateOffset, TurnsCounterclockwiseOnScreen) {
  WorkArea w;
  w.WorkPoints[1] = {100, 100};
  w.WorkX = 10;
  w.WorkY = 0;
  w.WorkRadians = kPi / 2;
  w.WorkIndex = 3;
  RotateOffset(w);
  EXPECT_NEAR(w.WorkPoints[3].X, 100, 1e-4);
  EXPECT_NEAR(w.WorkPoints[3].Y, 90, 1e-4);
  w.WorkIndex = 5;
  EXPECT_THROW(RotateOffset(w), GeometryError);
  w.WorkIndex = 0;
  w.WorkX = 1e39;
  EXPECT_THROW(RotateOffset(w), GeometryError);
}

TEST(BuildRotatedBox, GivesCornersAndSeed) {
  WorkArea w;
  w.WorkPoints[1] = {10, 20};
  w.WorkAngle = 0;
  w.WorkWidth = 30;
  w.WorkHeight = 5;
  BuildRotatedBox(w);
  EXPECT_FLOAT_EQ(w.WorkPoints[2].X, 40);
  EXPECT_FLOAT_EQ(w.WorkPoints[2].Y, 20);
  EXPECT_FLOAT_EQ(w.WorkPoints[3].X, 40);
  EXPECT_FLOAT_EQ(w.WorkPoints[3].Y, 25);
  EXPECT_FLOAT_EQ(w.WorkPoints[4].X, 10);
  EXPECT_FLOAT_EQ(w.WorkPoints[4].Y, 25);
  EXPECT_FLOAT_EQ(w.WorkPoints[0].X, 12);
  EXPECT_FLOAT_EQ(w.WorkPoints[0].Y, 22);
  EXPECT_EQ(w.WorkIndex, 0);
  EXPECT_EQ(w.WorkX, 2);
  EXPECT_EQ(w.WorkY, 2);
}

}  // namespace
}  // namespace velmor
