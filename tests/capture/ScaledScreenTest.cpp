// On a screen scaled by two (QT_SCALE_FACTOR=2, set by the test's environment): the frozen
// screen and the canvas show one picture pixel per device pixel, and mouse positions, fractions
// of a window unit included, come out as the device pixels under them.
#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include "capture/FakeCaptureHost.h"
#include "capture/FullScreenSelector.h"
#include "capture/ScreenPattern.h"
#include "platform/Clipboard.h"
#include "platform/ScreenGrab.h"
#include "view/CanvasWidget.h"

using namespace velmor;

namespace {

// Through the window, as the platform delivers it, with the fraction a scaled screen has.
void Send(QWidget* target, QEvent::Type type, QPointF pos, Qt::MouseButton button,
          Qt::MouseButtons buttons) {
  QWindow* window = target->window()->windowHandle();
  const QPointF local = QPointF(target->mapTo(target->window(), QPoint(0, 0))) + pos;
  QMouseEvent event(type, local, window->mapToGlobal(local), button, buttons, Qt::NoModifier);
  QGuiApplication::sendEvent(window, &event);
}

QImage DevicePixels(QWidget& widget) {
  QImage pixels = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
  pixels.setDevicePixelRatio(1.0);
  return pixels;
}

}  // namespace

class ScaledScreenTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QCOMPARE(QGuiApplication::primaryScreen()->devicePixelRatio(), 2.0);
    platform::clipboard::Clear();
  }

  void frozenScreenShowsAndSelectsDevicePixels() {
    test::FakeCaptureHost host;
    FullScreenSelector selector(host);
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    const QImage picture = test::PatternImage(screen * 2);
    selector.ShowPicture(picture);
    QVERIFY(QTest::qWaitForWindowExposed(&selector));
    auto* picture1 = selector.findChild<QWidget*>(QStringLiteral("Picture1"));
    QVERIFY(picture1);
    QCOMPARE(picture1->size(), screen);
    QCOMPARE(DevicePixels(*picture1), picture);

    // Half a window unit is one device pixel.
    Send(picture1, QEvent::MouseButtonPress, {50.5, 40}, Qt::LeftButton, Qt::LeftButton);
    Send(picture1, QEvent::MouseMove, {100, 60}, Qt::NoButton, Qt::LeftButton);
    Send(picture1, QEvent::MouseMove, {150.5, 90.5}, Qt::NoButton, Qt::LeftButton);
    Send(picture1, QEvent::MouseButtonRelease, {150.5, 90.5}, Qt::LeftButton, Qt::NoButton);
    QCOMPARE(host.canvas, picture.copy(101, 80, 200, 101));
    QVERIFY(!selector.isVisible());
  }

  void canvasShowsOnePicturePixelPerDevicePixel() {
    QWidget window;
    auto* canvas = new CanvasWidget(&window);
    window.resize(400, 300);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QImage picture = test::PatternImage({200, 101});
    canvas->SetPicture(picture);
    QCOMPARE(canvas->ScaleWidth(), 200);
    QCOMPARE(canvas->ScaleHeight(), 101);
    QCOMPARE(canvas->size(), QSize(100, 51));  // the odd row still shows
    QPainter(&canvas->Surface()).drawImage(0, 0, picture);
    canvas->SurfaceChanged();
    QCOMPARE(DevicePixels(*canvas).copy(0, 0, 200, 101), picture);

    QList<QPointF> downs;
    canvas->onMouseDown = [&](int, int, float x, float y) { downs << QPointF(x, y); };
    for (const QPointF at : {QPointF(10.5, 20), QPointF(98.5, 49.5)}) {
      Send(canvas, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
      Send(canvas, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
      QTest::qWait(300);  // not a double click
    }
    QCOMPARE(downs, (QList<QPointF>{{21, 40}, {197, 99}}));
  }

  void screenGrabHoldsEveryDevicePixel() {
    test::ScreenPattern pattern;
    QVERIFY(pattern.ShowOnScreen());
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    QCOMPARE(platform::GrabScreen().size(), screen * 2);
    // A rectangle in device pixels, odd corners included.
    QCOMPARE(platform::GrabScreenRect(QRect(301, 251, 203, 77)).size(), QSize(203, 77));
  }
};

QTEST_MAIN(ScaledScreenTest)
#include "ScaledScreenTest.moc"
