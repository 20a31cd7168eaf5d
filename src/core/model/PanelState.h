// The tool panel's and toolbar's state kept in variables (the rest lives in the controls).
#pragma once

#include <cstdint>
#include <string>

namespace velmor {

namespace tool {
inline constexpr int16_t kNone = 0, kSegment = 1, kRectangle = 2, kCircle = 3, kText = 4,
                         kMosaic = 5, kMarker = 6, kHighlight = 7, kMove = 8, kDelete = 9,
                         kTrimBoth = 10, kTrimOne = 11, kExtend = 12, kParallel = 13;
}

// What the next left drag on the canvas does instead of the tool's work.
namespace framedrag {
inline constexpr int16_t kNone = 0, kZoom = 1, kCut = 2;
}

struct PanelState {
  int16_t ToolMode = tool::kNone;
  int16_t ZoomStep = 1;
  int16_t PenWidth = 1;
  int16_t ArrowOn = 0;
  int16_t FrameDragMode = framedrag::kNone;
  int16_t CaptureActiveWindow = 0;
  uint32_t PenColor = 0;  // RGB packed as red + 256 * green + 65536 * blue
  uint32_t BrushColor = 0;
  int16_t BrushStyle = 0;  // fill style index, 1 = no fill
};

// The text attributes of the figure being drawn or redrawn.
struct TextState {
  std::string TextFont;
  int32_t TextSize = 0;  // points, already scaled to the zoom
  bool TextBold = false;
  bool TextItalic = false;
  int32_t TextEscapement = 0;  // tenths of a degree
  std::string TextString;
};

}  // namespace velmor
