#include "view/CanvasWidget.h"

#include <QMouseEvent>
#include <QPainter>

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

CanvasWidget::CanvasWidget(QWidget* parent) : QWidget(parent) {
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
  resize(width, height);
  update();
}

void CanvasWidget::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  const QRect r = event->rect();
  p.drawImage(r.topLeft(), surface_, r);
}

void CanvasWidget::mousePressEvent(QMouseEvent* event) {
  if (onMouseDown)
    onMouseDown(ButtonBits(event->button()), ShiftBits(event->modifiers()),
                static_cast<float>(event->position().x()), static_cast<float>(event->position().y()));
}

void CanvasWidget::mouseMoveEvent(QMouseEvent* event) {
  if (onMouseMove)
    onMouseMove(ButtonBits(event->buttons()), ShiftBits(event->modifiers()),
                static_cast<float>(event->position().x()), static_cast<float>(event->position().y()));
}

void CanvasWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (onMouseUp)
    onMouseUp(ButtonBits(event->button()), ShiftBits(event->modifiers()),
              static_cast<float>(event->position().x()), static_cast<float>(event->position().y()));
}

}  // namespace velmor
