#include "view/CanvasWidget.h"

#include "view/ExactPointer.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace velmor {

namespace {
int ButtonBits(Qt::MouseButtons buttons) {
  int bits = 0;
  if (buttons & Qt::LeftButton) bits |= 1;
  if (buttons & Qt::RightButton) bits |= 2;
  if (buttons & Qt::MiddleButton) bits |= 4;
  return bits;
}
int ShiftBits(Qt::KeyboardModifiers mods) {
  int bits = 0;
  if (mods & Qt::ShiftModifier) bits |= 1;
  if (mods & Qt::ControlModifier) bits |= 2;
  if (mods & Qt::AltModifier) bits |= 4;
  return bits;
}
}  // namespace

CanvasWidget::CanvasWidget(QWidget* parent)
    : QWidget(parent), pointer_(std::make_unique<ExactPointer>(*this)) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  SetCanvasSize(1, 1);
}

void CanvasWidget::SetPicture(const QImage& picture) {
  if (picture.isNull()) {
    picture_ = QImage();
    return;
  }
  picture_ = picture.format() == QImage::Format_RGB32 ? picture
                                                        : picture.convertToFormat(QImage::Format_RGB32);
  SetCanvasSize(picture_.width(), picture_.height());
}

void CanvasWidget::SetCanvasSize(int width, int height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  if (surface_.width() != width || surface_.height() != height) {
    QImage next(width, height, QImage::Format_RGB32);
    next.fill(palette().color(QPalette::Window));
    if (!surface_.isNull()) {
      QPainter p(&next);
      p.setCompositionMode(QPainter::CompositionMode_Source);
      p.drawImage(0, 0, surface_);
    }
    surface_ = std::move(next);
  }
  const double scale = devicePixelRatioF();
  resize(static_cast<int>(std::ceil(width / scale)), static_cast<int>(std::ceil(height / scale)));
  update();
}

QPointF CanvasWidget::SurfacePoint(const QMouseEvent& event) const {
  const double scale = devicePixelRatioF();
  if (scale == 1.0) return event.position();
  return pointer_->LocalPosition(event) * scale;
}

void CanvasWidget::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  pointer_->Attach();
}

void CanvasWidget::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  const QRect r = event->rect();
  const double scale = devicePixelRatioF();
  if (scale == 1.0) {
    p.drawImage(r.topLeft(), surface_, r);
    return;
  }
  // On a scaled screen each surface pixel still lands on one device pixel.
  p.drawImage(QRectF(r), surface_,
              QRectF(r.x() * scale, r.y() * scale, r.width() * scale, r.height() * scale));
}

void CanvasWidget::mousePressEvent(QMouseEvent* event) {
  const QPointF at = SurfacePoint(*event);
  if (onMouseDown)
    onMouseDown(ButtonBits(event->button()), ShiftBits(event->modifiers()),
                static_cast<float>(at.x()), static_cast<float>(at.y()));
}

void CanvasWidget::mouseMoveEvent(QMouseEvent* event) {
  const QPointF at = SurfacePoint(*event);
  if (onMouseMove)
    onMouseMove(ButtonBits(event->buttons()), ShiftBits(event->modifiers()),
                static_cast<float>(at.x()), static_cast<float>(at.y()));
}

void CanvasWidget::mouseReleaseEvent(QMouseEvent* event) {
  const QPointF at = SurfacePoint(*event);
  if (onMouseUp)
    onMouseUp(ButtonBits(event->button()), ShiftBits(event->modifiers()),
              static_cast<float>(at.x()), static_cast<float>(at.y()));
}

CanvasWidget::~CanvasWidget() = default;

}  // namespace velmor
