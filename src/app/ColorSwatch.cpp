#include "app/ColorSwatch.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace velmor {

QColor ColorFromRgb(uint32_t rgb) {
  return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

uint32_t RgbFromColor(const QColor& c) {
  return static_cast<uint32_t>(c.red()) | (static_cast<uint32_t>(c.green()) << 8) |
         (static_cast<uint32_t>(c.blue()) << 16);
}

ColorSwatch::ColorSwatch(QWidget* parent) : QFrame(parent) {
  setFrameShape(QFrame::Box);
  setAutoFillBackground(true);
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::PointingHandCursor);
  SetBackColor(0);
}

void ColorSwatch::SetBackColor(uint32_t rgb) {
  color_ = rgb & 0xFFFFFF;
  QPalette pal = palette();
  pal.setColor(QPalette::Window, ColorFromRgb(color_));
  setPalette(pal);
  update();
}

void ColorSwatch::paintEvent(QPaintEvent* event) {
  // Styles do not all fill a frame's background, so the colour is painted here.
  QPainter(this).fillRect(contentsRect(), ColorFromRgb(color_));
  QFrame::paintEvent(event);
}

void ColorSwatch::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
    emit clicked();
}

void ColorSwatch::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return) {
    emit clicked();
    return;
  }
  QFrame::keyPressEvent(event);
}

}  // namespace velmor
