#include "view/Viewport.h"

#include <QScrollBar>
#include <QWidget>

#include "core/model/ZoomLimits.h"
#include "core/model/ZoomRules.h"
#include "view/CanvasWidget.h"

namespace velmor::viewport {

namespace {
void Fit(QScrollBar* bar, int canvasExtent, int viewportExtent) {
  const ScrollFit fit = FitScroll(canvasExtent, viewportExtent);
  bar->setPageStep(fit.PageStep);
  bar->setSingleStep(fit.SingleStep);
  bar->setRange(0, fit.Maximum);  // a value that has to move fires the bar's change handler here
  bar->setVisible(fit.Visible);
}
}  // namespace

void ScrollByWheel(const Viewport& parts, QPoint angleDelta, bool shift) {
  if (shift) angleDelta = angleDelta.transposed();
  for (auto [bar, eighths] :
       {std::pair{parts.horizontal, angleDelta.x()}, std::pair{parts.vertical, angleDelta.y()}}) {
    if (eighths == 0 || !bar->isVisible()) continue;
    bar->setValue(bar->value() - WheelScrollMove(eighths, bar->singleStep()));
  }
}

void MeasurePicture(ViewState& view, const CanvasWidget& canvas) {
  const bool measured = canvas.HasPicture();
  view.ImageWidth = measured ? canvas.Picture().width() : canvas.ScaleWidth();
  view.ImageHeight = measured ? canvas.Picture().height() : canvas.ScaleHeight();
}

void ResetViewport(const Viewport& parts) {
  const ViewportSize size =
      InitialViewport(parts.client->width(), parts.client->height(), parts.vertical->width(),
                      parts.horizontal->height(), parts.statusBar->height());
  constexpr int origin = kCanvasViewportOrigin;
  parts.frame->setGeometry(origin, origin, size.Width, size.Height);

  parts.canvas->move(0, 0);
  parts.horizontal->setValue(0);
  parts.vertical->setValue(0);

  parts.horizontal->setGeometry(origin, size.Height + origin, size.Width,
                                parts.horizontal->height());
  parts.vertical->setGeometry(size.Width + origin, origin, parts.vertical->width(), size.Height);
}

bool LayoutViewport(const Viewport& parts, bool minimized) {
  if (minimized) return false;
  const QWidget* frame = parts.frame;
  const std::optional<ViewportSize> size = RefittedViewport(
      parts.client->width(), parts.client->height(), frame->x(), frame->y(),
      parts.vertical->width(), parts.horizontal->height(), parts.statusBar->height());
  if (!size) return false;
  parts.frame->resize(size->Width, size->Height);
  parts.vertical->setGeometry(size->Width + frame->x(), frame->y(), parts.vertical->width(),
                              size->Height);
  parts.horizontal->setGeometry(frame->x(), size->Height + frame->y(), size->Width,
                                parts.horizontal->height());
  return true;
}

void FitBars(const Viewport& parts) {
  Fit(parts.horizontal, parts.canvas->width(), parts.frame->width());
  Fit(parts.vertical, parts.canvas->height(), parts.frame->height());
}

void FollowHorizontalBar(const Viewport& parts) {
  parts.canvas->move(-parts.horizontal->value(), parts.canvas->y());
}

void FollowVerticalBar(const Viewport& parts) {
  parts.canvas->move(parts.canvas->x(), -parts.vertical->value());
}

void ApplyScrollPosition(ViewState& view, const Viewport& parts) {
  if (!parts.horizontal->isHidden()) {
    view.FrameLeft = std::max(std::min(view.FrameLeft, parts.horizontal->maximum()), 0);
    parts.horizontal->setValue(view.FrameLeft);
  }
  if (!parts.vertical->isHidden()) {
    view.FrameTop = std::max(std::min(view.FrameTop, parts.vertical->maximum()), 0);
    parts.vertical->setValue(view.FrameTop);
  }
}

void ShowAtZoom(ViewState& view, CanvasWidget& canvas, int zoom) {
  view.ZoomPercent = static_cast<int16_t>(zoom);
  canvas.ResizeForRepaint(ScaledExtent(zoom, view.ImageWidth),
                          ScaledExtent(zoom, view.ImageHeight));
}

bool ZoomIn(ViewState& view, const PanelState& panel, CanvasWidget& canvas) {
  const std::optional<int> zoom = ZoomInStep(view, panel);
  if (!zoom) return false;
  ShowAtZoom(view, canvas, *zoom);
  return true;
}

bool ZoomOut(ViewState& view, const PanelState& panel, CanvasWidget& canvas) {
  const std::optional<int> zoom = ZoomOutStep(view, panel);
  if (!zoom) return false;
  ShowAtZoom(view, canvas, *zoom);
  return true;
}

bool ZoomToFrame(ViewState& view, const DragState& drag, PanelState& panel, const Viewport& parts) {
  CanvasWidget& canvas = *parts.canvas;
  if (!canvas.HasPicture()) return false;
  NormalizeFrame(drag, view);
  bool zoomed = false;
  const int viewportWidth = parts.horizontal->width();
  const int viewportHeight = parts.vertical->height();
  if (const std::optional<int16_t> zoom = FrameZoom(view, viewportWidth, viewportHeight)) {
    view.ZoomPercent = *zoom;
    const int dx = canvas.ScaleWidth() - view.FrameWidth;
    const int dy = canvas.ScaleHeight() - view.FrameHeight;
    canvas.ResizeForRepaint(ScaledExtent(view.ZoomPercent, view.ImageWidth),
                            ScaledExtent(view.ZoomPercent, view.ImageHeight));
    FitBars(parts);
    view.FrameLeft = MapFrameOffset(view.FrameLeft, canvas.ScaleWidth() - viewportWidth, dx);
    view.FrameTop = MapFrameOffset(view.FrameTop, canvas.ScaleHeight() - viewportHeight, dy);
    ApplyScrollPosition(view, parts);
    zoomed = true;
  }
  panel.FrameDragMode = framedrag::kNone;
  return zoomed;
}

}  // namespace velmor::viewport
