// The state of a mouse gesture on the canvas and of the picks of the two-segment tools.
#pragma once

#include <cstdint>

namespace velmor {

// The end marker of a pick names the end of the segment that the edit moves by the figure
// table's column of its y: the first point (X1, Y1) or the second (X2, Y2).
namespace pick {
inline constexpr int32_t kFirstEnd = 2, kSecondEnd = 4;
}

struct DragState {
  // Canvas pixels at the current zoom (the hit test turns StartX/StartY into 100 percent).
  float StartX = 0, StartY = 0, EndX = 0, EndY = 0;
  float CircleRadius = 0;
  // Shift as last seen in the gesture: the highlighter then draws (and shows) a box.
  bool ShiftHeld = false;
  // The corners or ends of the shape just drawn.
  float DrawX1 = 0, DrawY1 = 0, DrawX2 = 0, DrawY2 = 0;
  int16_t PickStep = 0;
  // Picks[k][0]: row of the k-th picked segment (0 = none); Picks[k][1]: its end marker,
  // pick::kFirstEnd or kSecondEnd.
  int32_t Picks[2][2] = {{0, 0}, {0, 0}};
  int16_t PickedFigure = 0;  // row found by the last hit test, 0 = none
};

}  // namespace velmor
