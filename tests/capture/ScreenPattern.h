// A frameless window that covers the screen with a picture whose every pixel tells its place,
// so that a grab can be checked against the part of the screen it should show.
#pragma once

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QWidget>

namespace velmor::test {

inline QRgb PatternPixel(int x, int y) {
  return qRgb(x & 0xFF, y & 0xFF, ((x >> 8) << 4) | ((y >> 8) & 0x0F));
}

inline QImage PatternImage(QSize size) {
  QImage image(size, QImage::Format_RGB32);
  for (int y = 0; y < size.height(); ++y)
    for (int x = 0; x < size.width(); ++x) image.setPixel(x, y, PatternPixel(x, y));
  return image;
}

class ScreenPattern : public QWidget {
 public:
  ScreenPattern() : QWidget(nullptr, Qt::FramelessWindowHint) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    image_ = PatternImage(screen.size());
    setGeometry(screen);
  }
  // Shows the pattern and waits until it is on the screen.
  bool ShowOnScreen() {
    show();
    if (!QTest::qWaitForWindowExposed(this)) return false;
    QCoreApplication::processEvents();
    return true;
  }
  const QImage& Image() const { return image_; }

 protected:
  void paintEvent(QPaintEvent*) override { QPainter(this).drawImage(0, 0, image_); }

 private:
  QImage image_;
};

}  // namespace velmor::test
