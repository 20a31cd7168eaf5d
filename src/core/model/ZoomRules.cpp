#include "core/model/ZoomRules.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/base/NumberRules.h"
#include "core/model/ZoomLimits.h"

namespace velmor {

namespace {
int32_t ClampedInt32(double value) {
  if (std::isnan(value)) return 0;
  const double r = RoundHalfEven(value);
  return static_cast<int32_t>(std::clamp(r,
                                         static_cast<double>(std::numeric_limits<int32_t>::min()),
                                         static_cast<double>(std::numeric_limits<int32_t>::max())));
}
}  // namespace

bool MayZoomTo(int zoom, int current, const ViewState& view) {
  if (zoom < 1) return false;
  return zoom <= current || ZoomFits(zoom, view.ImageWidth, view.ImageHeight);
}

std::optional<int> ZoomInStep(const ViewState& view, const PanelState& panel) {
  const int zoom = view.ZoomPercent + panel.ZoomStep;
  if (!MayZoomTo(zoom, view.ZoomPercent, view)) return std::nullopt;
  return zoom;
}

std::optional<int> ZoomOutStep(const ViewState& view, const PanelState& panel) {
  const int zoom = view.ZoomPercent - panel.ZoomStep;
  if (zoom < 10) return std::nullopt;
  return zoom;
}

void NormalizeFrame(const DragState& drag, ViewState& view) {
  const auto axis = [](float start, float end, int32_t& origin, int32_t& extent) {
    if (end - start > 0) {
      extent = ClampedInt32(end - start);
      origin = ClampedInt32(start);
    } else {
      extent = ClampedInt32(start - end);
      origin = ClampedInt32(end);
    }
  };
  axis(drag.StartX, drag.EndX, view.FrameLeft, view.FrameWidth);
  axis(drag.StartY, drag.EndY, view.FrameTop, view.FrameHeight);
}

std::optional<int16_t> FrameZoom(const ViewState& view, int viewportWidth, int viewportHeight) {
  if (view.FrameWidth <= 0 || view.FrameHeight <= 0) return std::nullopt;
  const double rx = static_cast<double>(viewportWidth) / view.FrameWidth;
  const double ry = static_cast<double>(viewportHeight) / view.FrameHeight;
  const double r = rx > ry ? ry : rx;
  const double zoom = RoundHalfEven(r * view.ZoomPercent);
  if (zoom > kMaxZoomPercent || !MayZoomTo(static_cast<int>(zoom), view.ZoomPercent, view))
    return std::nullopt;
  return static_cast<int16_t>(zoom);
}

int32_t MapFrameOffset(int32_t offset, int newRange, int oldRange) {
  return oldRange == 0 ? 0 : ClampedInt32(static_cast<double>(offset) * newRange / oldRange);
}

ScrollFit FitScroll(int canvasExtent, int viewportExtent) {
  ScrollFit fit;
  fit.Maximum = std::clamp(canvasExtent - viewportExtent, 0, kScrollRangeLimit);
  fit.PageStep = std::max(viewportExtent, 1);
  fit.SingleStep = std::max(viewportExtent / 10, 1);
  fit.Visible = canvasExtent > viewportExtent;
  return fit;
}

int WheelScrollMove(int eighths, int singleStep) {
  if (eighths == 0) return 0;
  const int move = eighths * 3 * singleStep / 120;
  return move != 0 ? move : (eighths > 0 ? 1 : -1);
}

ViewportSize InitialViewport(int clientWidth, int clientHeight, int verticalBarWidth,
                             int horizontalBarHeight, int statusBarHeight) {
  return {
      std::max(clientWidth - verticalBarWidth - kCanvasViewportOrigin, 0),
      std::max(clientHeight - horizontalBarHeight - statusBarHeight - kCanvasViewportOrigin, 0)};
}

std::optional<ViewportSize> RefittedViewport(int clientWidth, int clientHeight, int left, int top,
                                             int verticalBarWidth, int horizontalBarHeight,
                                             int statusBarHeight) {
  if (top + horizontalBarHeight > clientHeight || clientWidth < verticalBarWidth)
    return std::nullopt;
  return ViewportSize{std::max(clientWidth - left - verticalBarWidth, 0),
                      std::max(clientHeight - top - horizontalBarHeight - statusBarHeight, 0)};
}

}  // namespace velmor
