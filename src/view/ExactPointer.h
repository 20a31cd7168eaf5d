// Mouse positions with the fraction Qt drops. Qt hands a widget its mouse position in whole
// window units; on a screen scaled by two that skips every other device pixel. The window gets
// the position unrounded first, so it is noted there and handed over with the widget's event.
#pragma once

#include <QObject>
#include <QPointF>
#include <QPointer>
#include <optional>

class QMouseEvent;
class QWidget;
class QWindow;

namespace velmor {

class ExactPointer : public QObject {
 public:
  explicit ExactPointer(QWidget& widget);
  ~ExactPointer() override;

  // Starts watching the widget's window; call once it is shown (again after it was recreated).
  void Attach();
  // The event's position in the widget, with its fraction where the window saw it.
  QPointF LocalPosition(const QMouseEvent& event) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget& widget_;
  QPointer<QWindow> window_;
  std::optional<QPointF> last_;  // in the window's coordinates
};

}  // namespace velmor
