#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include "capture/ScreenPattern.h"
#include "platform/Clipboard.h"
#include "platform/ScreenGrab.h"

using namespace velmor::platform;
using velmor::test::ScreenPattern;

// Offscreen the screen shows the program's own windows, so a pattern window stands in for
// whatever the user has on the screen. The desktop has two monitors: the primary one of 800 x 600
// and one of 640 x 480 to its right, so the strip below the smaller one is on neither.
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

  void rectangleCutOffAtTheDesktopEdges() {
    QCOMPARE(GrabScreenRect(QRect(-10, -5, 30, 20)), pattern_.Image().copy(0, 0, 20, 15));
    QCOMPARE(GrabScreenRect(QRect(300, 590, 100, 50)), pattern_.Image().copy(300, 590, 100, 10));
    QCOMPARE(GrabScreenRect(QRect(1400, 10, 100, 20)).size(), QSize(40, 20));
  }

  // The offscreen platform reads every screen in desktop coordinates, unlike X11; the pixels a
  // second monitor shows are checked on a real X display by the end-to-end scenario.
  void rectangleOnTheSecondMonitor() {
    QCOMPARE(GrabScreenRect(QRect(900, 100, 100, 50)).size(), QSize(100, 50));
  }

  void rectangleAcrossBothMonitorsAndTheGap() {
    const QImage grabbed = GrabScreenRect(QRect(700, 450, 200, 100));
    QCOMPARE(grabbed.size(), QSize(200, 100));
    QCOMPARE(grabbed.copy(0, 0, 100, 100), pattern_.Image().copy(700, 450, 100, 100));
    QImage gap(100, 70, QImage::Format_RGB32);
    gap.fill(Qt::black);
    QCOMPARE(grabbed.copy(100, 30, 100, 70), gap);
  }

  void rectangleOffEveryMonitorOrEmptyGivesNothing() {
    QVERIFY(GrabScreenRect(QRect(1440, 0, 50, 50)).isNull());
    QVERIFY(GrabScreenRect(QRect(0, 600, 50, 50)).isNull());
    QVERIFY(GrabScreenRect(QRect(-60, -60, 50, 50)).isNull());
    QVERIFY(GrabScreenRect(QRect(1000, 500, 50, 50)).isNull());
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

int main(int argc, char** argv) {
  QTemporaryDir folder;
  const QString layout = folder.filePath("screens.json");
  QFile file(layout);
  if (!file.open(QIODevice::WriteOnly)) return 1;
  file.write(R"({"screens": [
    {"name": "primary", "x": 0, "y": 0, "width": 800, "height": 600,
     "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1},
    {"name": "second", "x": 800, "y": 0, "width": 640, "height": 480,
     "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
  file.close();
  qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + layout.toLocal8Bit());
  QApplication app(argc, argv);
  ScreenGrabTest test;
  return QTest::qExec(&test, argc, argv);
}
#include "ScreenGrabTest.moc"
