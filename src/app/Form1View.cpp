// The viewport, the canvas inside it, the display scale and the scroll bars.
#include <QScrollBar>
#include <QStatusBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <limits>

#include "app/Form1.h"
#include "app/ControlIndexes.h"
#include "core/base/NumberRules.h"
#include "view/CanvasWidget.h"
#include "view/StretchCopy.h"
#include "core/model/ZoomLimits.h"

namespace velmor {

namespace {
constexpr int kViewportOrigin = 60;
constexpr int kScrollRangeLimit = 32767;  // the bars hold 16-bit offsets

int32_t ClampedInt32(double value) {
  if (std::isnan(value)) return 0;
  const double r = RoundHalfEven(value);
  return static_cast<int32_t>(std::clamp(r,
                                         static_cast<double>(std::numeric_limits<int32_t>::min()),
                                         static_cast<double>(std::numeric_limits<int32_t>::max())));
}

// Range, steps and visibility of one bar for a canvas extent in a viewport extent.
void FitScrollBar(QScrollBar* bar, int canvasExtent, int viewportExtent) {
  const int overhang = std::clamp(canvasExtent - viewportExtent, 0, kScrollRangeLimit);
  bar->setPageStep(std::max(viewportExtent, 1));
  bar->setSingleStep(std::max(viewportExtent / 10, 1));
  bar->setRange(0, overhang);  // a value that has to move fires the bar's change handler here
  bar->setVisible(canvasExtent > viewportExtent);
}
}  // namespace

void Form1::ScrollByWheel(const QWheelEvent& wheel) {
  QPoint delta = wheel.angleDelta();  // eighths of a degree; one notch is 120
  if (wheel.modifiers() & Qt::ShiftModifier) delta = delta.transposed();
  for (auto [bar, eighths] : {std::pair{HScroll1, delta.x()}, std::pair{VScroll1, delta.y()}}) {
    if (eighths == 0 || !bar->isVisible()) continue;
    // Three of the bar's small steps per notch, at least a pixel for the finest touchpad move.
    const int move = eighths * 3 * bar->singleStep() / 120;
    bar->setValue(bar->value() - (move != 0 ? move : (eighths > 0 ? 1 : -1)));
  }
}

void Form1::Pic_int() {
  // The picture's own size: the fixed-rectangle capture sizes the canvas at the kept zoom.
  const bool measured = Picture2->HasPicture();
  view.ImageWidth = measured ? Picture2->Picture().width() : Picture2->ScaleWidth();
  view.ImageHeight = measured ? Picture2->Picture().height() : Picture2->ScaleHeight();
  SetStatus(status::kImageSize, QStringLiteral("%1 × %2").arg(view.ImageWidth).arg(view.ImageHeight));

  const QWidget* client = centralWidget();
  const int width = std::max(client->width() - VScroll1->width() - kViewportOrigin, 0);
  const int height =
      std::max(client->height() - HScroll1->height() - Stb1->height() - kViewportOrigin, 0);
  Picture1->setGeometry(kViewportOrigin, kViewportOrigin, width, height);

  Picture2->move(0, 0);
  HScroll1->setValue(0);
  VScroll1->setValue(0);

  HScroll1->setGeometry(kViewportOrigin, height + kViewportOrigin, width, HScroll1->height());
  VScroll1->setGeometry(width + kViewportOrigin, kViewportOrigin, VScroll1->width(), height);
  RefreshView();
}

void Form1::LayoutViewport() {
  if (isMinimized()) return;
  const QWidget* client = centralWidget();
  if (Picture1->y() + HScroll1->height() > client->height() || client->width() < VScroll1->width())
    return;
  // A window smaller than the margins leaves an empty viewport rather than a negative one.
  const int height =
      std::max(client->height() - Picture1->y() - HScroll1->height() - Stb1->height(), 0);
  const int width = std::max(client->width() - Picture1->x() - VScroll1->width(), 0);
  Picture1->resize(width, height);
  VScroll1->setGeometry(width + Picture1->x(), Picture1->y(), VScroll1->width(), height);
  HScroll1->setGeometry(Picture1->x(), height + Picture1->y(), width, HScroll1->height());
  RefreshView();
}

void Form1::RefreshView() {
  if (!Picture2->HasPicture()) return;
  RepaintCanvas();
  RedrawFigures();
}

void Form1::RepaintCanvas() {
  const int width = Picture2->ScaleWidth();
  const int height = Picture2->ScaleHeight();
  if (Picture2->HasPicture() && view.ZoomPercent > 0) {
    StretchCopy(Picture2->Picture(), width * 100.0 / view.ZoomPercent,
                height * 100.0 / view.ZoomPercent, Picture2->Surface());
    Picture2->SurfaceChanged();
  }
  FitScrollBar(HScroll1, Picture2->width(), Picture1->width());
  FitScrollBar(VScroll1, Picture2->height(), Picture1->height());
}

void Form1::HScroll1_Change() {
  Picture2->move(-HScroll1->value(), Picture2->y());
  RefreshView();
}

void Form1::VScroll1_Change() {
  Picture2->move(Picture2->x(), -VScroll1->value());
  RefreshView();
}

void Form1::ApplyScrollPosition() {
  if (!HScroll1->isHidden()) {
    view.FrameLeft = std::max(std::min(view.FrameLeft, HScroll1->maximum()), 0);
    HScroll1->setValue(view.FrameLeft);
  }
  if (!VScroll1->isHidden()) {
    view.FrameTop = std::max(std::min(view.FrameTop, VScroll1->maximum()), 0);
    VScroll1->setValue(view.FrameTop);
  }
}

namespace {
// A zoom past the bound is refused; shrinking is always allowed, even for a picture that is
// already larger than the bound at 100 percent.
bool MayZoomTo(int zoom, int current, const ViewState& view) {
  if (zoom < 1) return false;
  return zoom <= current || ZoomFits(zoom, view.ImageWidth, view.ImageHeight);
}
}  // namespace

void Form1::ZoomIn() {
  const int zoom = view.ZoomPercent + panel.ZoomStep;
  if (!MayZoomTo(zoom, view.ZoomPercent, view)) return;
  ShowAtZoom(zoom);
}

void Form1::ZoomOut() {
  const int zoom = view.ZoomPercent - panel.ZoomStep;
  if (zoom < 10) return;
  ShowAtZoom(zoom);
}

void Form1::ZoomActualSize() {
  ShowAtZoom(100);
}

void Form1::ShowAtZoom(int zoom) {
  view.ZoomPercent = static_cast<int16_t>(zoom);
  Picture2->ResizeForRepaint(ScaledExtent(zoom, view.ImageWidth), ScaledExtent(zoom, view.ImageHeight));
  RefreshView();
}

void Form1::NormalizeFrame() {
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

void Form1::ZoomToFrame() {
  if (!Picture2->HasPicture()) return;
  NormalizeFrame();
  if (view.FrameWidth > 0 && view.FrameHeight > 0) {
    const int viewportWidth = HScroll1->width();
    const int viewportHeight = VScroll1->height();
    const double rx = static_cast<double>(viewportWidth) / view.FrameWidth;
    const double ry = static_cast<double>(viewportHeight) / view.FrameHeight;
    const double r = rx > ry ? ry : rx;
    const double zoom = RoundHalfEven(r * view.ZoomPercent);
    if (zoom <= kMaxZoomPercent && MayZoomTo(static_cast<int>(zoom), view.ZoomPercent, view)) {
      view.ZoomPercent = static_cast<int16_t>(zoom);
      const int dx = Picture2->ScaleWidth() - view.FrameWidth;
      const int dy = Picture2->ScaleHeight() - view.FrameHeight;
      Picture2->ResizeForRepaint(ScaledExtent(view.ZoomPercent, view.ImageWidth),
                              ScaledExtent(view.ZoomPercent, view.ImageHeight));
      RepaintCanvas();
      // The frame's offset moves proportionally from its old range onto the new scroll range; a
      // frame as wide (high) as the canvas had no range to move in and starts at the edge.
      const auto mapOffset = [](int32_t offset, int newRange, int oldRange) {
        return oldRange == 0 ? 0 : ClampedInt32(static_cast<double>(offset) * newRange / oldRange);
      };
      view.FrameLeft = mapOffset(view.FrameLeft, Picture2->ScaleWidth() - viewportWidth, dx);
      view.FrameTop = mapOffset(view.FrameTop, Picture2->ScaleHeight() - viewportHeight, dy);
      ApplyScrollPosition();
      RedrawFigures();
    }
  }
  panel.FrameDragMode = framedrag::kNone;
}

}  // namespace velmor
