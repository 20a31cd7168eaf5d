// The viewport, the canvas inside it, the display scale and the scroll bars: the zoom and scroll
// commands over the view state and the widgets that show it. A function that changes what the
// canvas shows returns true when the caller has to refresh it (repaint and redraw the figures),
// which is the window's business.
#pragma once

#include <QPoint>

#include "core/model/DragState.h"
#include "core/model/PanelState.h"
#include "core/model/ViewState.h"

class QScrollBar;
class QWidget;

namespace velmor {
class CanvasWidget;
}

namespace velmor::viewport {

// The widgets the view works on.
struct Viewport {
  const QWidget* client = nullptr;  // the area the viewport is laid out in
  QWidget* frame = nullptr;         // the viewport
  CanvasWidget* canvas = nullptr;   // inside the viewport, moved by the bars
  QScrollBar* horizontal = nullptr;
  QScrollBar* vertical = nullptr;
  const QWidget* statusBar = nullptr;
};

// The wheel moves the bars (Shift: sideways), as their arrows would; hidden bars stay.
void ScrollByWheel(const Viewport& parts, QPoint angleDelta, bool shift);

// The picture's own size into ImageWidth/Height (the canvas's size when it holds no picture, as
// after the fixed-rectangle capture).
void MeasurePicture(ViewState& view, const CanvasWidget& canvas);
// The viewport at its origin filling the client area, the canvas and the bars at the start.
void ResetViewport(const Viewport& parts);
// The viewport refitted to the client area after a resize; false when there was nothing to do.
bool LayoutViewport(const Viewport& parts, bool minimized);

// The bars fitted to the canvas. The refresh that follows paints the picture with the figures.
void FitBars(const Viewport& parts);
// The canvas moved to the bars' positions.
void FollowHorizontalBar(const Viewport& parts);
void FollowVerticalBar(const Viewport& parts);
// The bars set to FrameLeft/FrameTop, clamped to their ranges (which are written back).
void ApplyScrollPosition(ViewState& view, const Viewport& parts);

// The canvas resized for `zoom`; the caller refreshes.
void ShowAtZoom(ViewState& view, CanvasWidget& canvas, int zoom);
// One zoom step in or out, 100 percent; true when the zoom changed and the caller refreshes.
bool ZoomIn(ViewState& view, const PanelState& panel, CanvasWidget& canvas);
bool ZoomOut(ViewState& view, const PanelState& panel, CanvasWidget& canvas);
// The zoom that fits the dragged frame into the viewport, scrolled to the frame. Ends the frame
// drag whenever there is a picture. True when it zoomed: the canvas is repainted and scrolled, and
// the caller redraws the figures.
bool ZoomToFrame(ViewState& view, const DragState& drag, PanelState& panel, const Viewport& parts);

}  // namespace velmor::viewport
