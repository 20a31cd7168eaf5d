#include <QScreen>
#include <QTest>

#include "capture/ScreenPattern.h"
#include "platform/Clipboard.h"
#include "platform/ScreenGrab.h"

using namespace velmor::platform;
using velmor::test::ScreenPattern;

// Offscreen the screen shows the program's own windows, so a pattern window stands in for
// whatever the user has on the screen.
class ScreenGrabTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QVERIFY(pattern_.ShowOnScreen()); }
  void init() { clipboard::Clear(); }

  void wholeScreenAtNaturalSize() {
    const QImage screen = GrabScreen();
    QCOMPARE(screen.size(), QGuiApplication::primaryScreen()->geometry().size());
    QCOMPARE(screen, pattern_.Image());
  }

  void rectangleInsideTheScreen() {
    const QRect rect(300, 250, 200, 100);
    QCOMPARE(GrabScreenRect(rect), pattern_.Image().copy(rect));
  }

  void rectangleCutOffAtTheScreenEdges() {
    const QSize screen = pattern_.Image().size();
    QCOMPARE(GrabScreenRect(QRect(-10, -5, 30, 20)), pattern_.Image().copy(0, 0, 20, 15));
    const QRect overRight(screen.width() - 40, screen.height() - 10, 100, 50);
    QCOMPARE(GrabScreenRect(overRight),
             pattern_.Image().copy(screen.width() - 40, screen.height() - 10, 40, 10));
  }

  void rectangleOffTheScreenOrEmptyGivesNothing() {
    const QSize screen = pattern_.Image().size();
    QVERIFY(GrabScreenRect(QRect(screen.width(), 0, 50, 50)).isNull());
    QVERIFY(GrabScreenRect(QRect(-60, -60, 50, 50)).isNull());
    QVERIFY(GrabScreenRect(QRect(10, 10, 0, 20)).isNull());
  }

  void noActiveWindowOutsideX11() {
    QVERIFY(!ActiveWindowFrame().has_value());
    QVERIFY(GrabActiveWindow().isNull());
  }

  void fullCopyPutsTheScreenOnTheClipboard() {
    Ful_Gcopy();
    QVERIFY(clipboard::HasBitmap());
    QCOMPARE(clipboard::GetPicture(), pattern_.Image());
  }

  void activeCopyWithoutWindowLeavesClipboardAlone() {
    const QImage before(5, 5, QImage::Format_RGB32);
    clipboard::PutPicture(before);
    Ac_GCopy();
    QCOMPARE(clipboard::GetPicture().size(), QSize(5, 5));
  }

 private:
  ScreenPattern pattern_;
};

QTEST_MAIN(ScreenGrabTest)
#include "ScreenGrabTest.moc"
