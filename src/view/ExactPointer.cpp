#include "view/ExactPointer.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>
#include <cmath>

namespace velmor {

ExactPointer::ExactPointer(QWidget& widget) : widget_(widget) {}

ExactPointer::~ExactPointer() {
  if (window_) window_->removeEventFilter(this);
}

void ExactPointer::Attach() {
  QWindow* window = widget_.window()->windowHandle();
  if (window == window_) return;
  if (window_) window_->removeEventFilter(this);
  window_ = window;
  last_.reset();
  if (window_) window_->installEventFilter(this);
}

bool ExactPointer::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_) {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseMove:
      case QEvent::MouseButtonDblClick:
        last_ = static_cast<QMouseEvent*>(event)->position();
        break;
      default:
        break;
    }
  }
  return false;
}

QPointF ExactPointer::LocalPosition(const QMouseEvent& event) const {
  if (window_ && last_) {
    const QPointF exact = *last_ - QPointF(widget_.mapTo(widget_.window(), QPoint(0, 0)));
    // Only the window's note of this very event: a rounded position lies within one unit.
    if (std::abs(exact.x() - event.position().x()) <= 1.0 &&
        std::abs(exact.y() - event.position().y()) <= 1.0)
      return exact;
  }
  return event.position();
}

}  // namespace velmor
