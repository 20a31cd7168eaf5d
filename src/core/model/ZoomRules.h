// The arithmetic of zooming and scrolling the canvas, apart from the widgets it is shown on.
#pragma once

#include <cstdint>
#include <optional>

#include "core/model/DragState.h"
#include "core/model/PanelState.h"
#include "core/model/ViewState.h"

namespace velmor {

// The viewport's fixed top-left corner in the window's client area.
inline constexpr int kCanvasViewportOrigin = 60;
// The bars hold 16-bit offsets.
inline constexpr int kScrollRangeLimit = 32767;

// A zoom past the bound is refused; shrinking is always allowed, even for a picture that is
// already larger than the bound at 100 percent.
bool MayZoomTo(int zoom, int current, const ViewState& view);

// The zoom one step in (out) from the current one, or nothing when it may not be shown.
std::optional<int> ZoomInStep(const ViewState& view, const PanelState& panel);
std::optional<int> ZoomOutStep(const ViewState& view, const PanelState& panel);

// The frame of the last drag (StartX/StartY to EndX/EndY, either direction) as origin and
// extent in whole pixels, a half to even.
void NormalizeFrame(const DragState& drag, ViewState& view);

// The zoom that fits the normalized frame into a viewport of the given size, or nothing when
// the frame is empty or that zoom may not be shown.
std::optional<int16_t> FrameZoom(const ViewState& view, int viewportWidth, int viewportHeight);

// The frame's offset moved proportionally from its old scroll range onto the new one; a frame
// as wide (high) as the canvas had no range to move in and starts at the edge.
int32_t MapFrameOffset(int32_t offset, int newRange, int oldRange);

// A bar's range, steps and visibility for a canvas extent in a viewport extent.
struct ScrollFit {
  int Maximum = 0;
  int PageStep = 1;
  int SingleStep = 1;
  bool Visible = false;
};
ScrollFit FitScroll(int canvasExtent, int viewportExtent);

// How far one wheel turn (eighths of a degree, 120 a notch) moves a bar with the given small
// step: three small steps a notch, at least a pixel for the finest touchpad move. Nothing for 0.
int WheelScrollMove(int eighths, int singleStep);

struct ViewportSize {
  int Width = 0;
  int Height = 0;
};

// The viewport at kCanvasViewportOrigin filling the client area but for the bars and the status
// bar.
ViewportSize InitialViewport(int clientWidth, int clientHeight, int verticalBarWidth,
                             int horizontalBarHeight, int statusBarHeight);

// The viewport at (left, top) refitted to the client area; nothing when the client area is too
// small to lay it out at all. A window smaller than the margins leaves an empty viewport rather
// than a negative one.
std::optional<ViewportSize> RefittedViewport(int clientWidth, int clientHeight, int left, int top,
                                             int verticalBarWidth, int horizontalBarHeight,
                                             int statusBarHeight);

}  // namespace velmor
