// Display scale and the frame of the last zoom or cut drag.
#pragma once

#include <cstdint>

namespace velmor {

struct ViewState {
  int16_t ZoomPercent = 100;
  int32_t ImageWidth = 0, ImageHeight = 0;  // picture size at 100 percent
  int32_t FrameLeft = 0, FrameTop = 0, FrameWidth = 0, FrameHeight = 0;
};

}  // namespace velmor
