#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>

#include "capture/FakeCaptureHost.h"
#include "capture/FullScreenSelector.h"
#include "capture/ScreenPattern.h"
#include "platform/Clipboard.h"

using namespace velmor;
using velmor::test::FakeCaptureHost;

namespace {

constexpr QRgb kBandXor = 0x008080;  // dark cyan (0, 128, 128)

void Send(QWidget* target, QEvent::Type type, QPoint pos, Qt::MouseButton button,
          Qt::MouseButtons buttons) {
  QMouseEvent event(type, QPointF(pos), QPointF(target->mapToGlobal(pos)), button, buttons,
                    Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}
void Press(QWidget* w, QPoint p) {
  Send(w, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
}
void Drag(QWidget* w, QPoint p) {
  Send(w, QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton);
}
void Release(QWidget* w, QPoint p, Qt::MouseButton b = Qt::LeftButton) {
  Send(w, QEvent::MouseButtonRelease, p, b, Qt::NoButton);
}

// Pixels where `shown` differs from `picture`, each checked to be the XOR of the band colour.
QList<QPoint> BandPixels(const QImage& shown, const QImage& picture) {
  QList<QPoint> out;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) {
      const QRgb a = shown.pixel(x, y) & 0xFFFFFF, b = picture.pixel(x, y) & 0xFFFFFF;
      if (a == b) continue;
      if ((a ^ b) != kBandXor) return {QPoint(-1, -1)};
      out << QPoint(x, y);
    }
  return out;
}

bool OnOutline(QPoint p, QRect box) {
  const bool inX = p.x() >= box.left() && p.x() <= box.right();
  const bool inY = p.y() >= box.top() && p.y() <= box.bottom();
  return (inX && (p.y() == box.top() || p.y() == box.bottom())) ||
         (inY && (p.x() == box.left() || p.x() == box.right()));
}

}  // namespace

class FullScreenSelectorTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    host_ = std::make_unique<FakeCaptureHost>();
    host_->state = FakeCaptureHost::WindowState::Minimized;
    selector_ = std::make_unique<FullScreenSelector>(*host_);
    screen_ = test::PatternImage(QGuiApplication::primaryScreen()->geometry().size());
    platform::clipboard::Clear();
  }
  void cleanup() {
    selector_.reset();
    host_.reset();
  }

  void coversTheScreenWithoutFrameOrTaskbarEntry() {
    selector_->ShowPicture(screen_);
    QCOMPARE(selector_->objectName(), QStringLiteral("frmFullScreen"));
    QCOMPARE(selector_->windowTitle(), QStringLiteral("Form2"));
    QVERIFY(selector_->windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(selector_->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    QVERIFY(selector_->isVisible());
    QCOMPARE(selector_->geometry(), QGuiApplication::primaryScreen()->geometry());
    QWidget* picture1 = Picture1();
    QCOMPARE(picture1->geometry(), QRect(QPoint(0, 0), screen_.size()));
    QCOMPARE(selector_->Picture1Image(), screen_);
  }

  void dragDownRightCopiesThatRegionOfThePicture() {
    selector_->ShowPicture(screen_);
    Press(Picture1(), {100, 80});
    Drag(Picture1(), {130, 90});
    Drag(Picture1(), {160, 120});
    Release(Picture1(), {160, 120});

    const QImage expected = screen_.copy(100, 80, 60, 40);
    QCOMPARE(host_->canvas, expected);
    QCOMPARE(platform::clipboard::GetPicture(), expected);
    QCOMPARE(selector_->Picture2(), expected);
    QCOMPARE(host_->events, (QStringList{"canvas", "Pic_int", "restore"}));
    QVERIFY(!selector_->isVisible());
    QVERIFY(selector_->Picture1Image().isNull());
  }

  void rubberBandIsDottedDarkCyanXorOfOnlyTheLatestBox() {
    selector_->ShowPicture(screen_);
    Press(Picture1(), {10, 10});
    Drag(Picture1(), {50, 40});
    Drag(Picture1(), {70, 60});

    const QList<QPoint> band = BandPixels(selector_->Picture1Image(), screen_);
    QVERIFY(!band.isEmpty());
    QVERIFY(band.first() != QPoint(-1, -1));
    const QRect box(QPoint(10, 10), QPoint(70, 60));
    for (const QPoint& p : band) QVERIFY2(OnOutline(p, box), qPrintable(QString::number(p.x())));
    // Dotted: gaps along the top edge.
    int onTop = 0;
    for (const QPoint& p : band) onTop += p.y() == 10;
    QVERIFY(onTop > 10 && onTop < 55);
    // The handed-over picture itself is never drawn on.
    QCOMPARE(selector_->CapturedPicture(), screen_);
  }

  void copyCarriesNoTraceOfTheBand() {
    const QImage black = [] {
      QImage i(400, 300, QImage::Format_RGB32);
      i.fill(Qt::black);
      return i;
    }();
    selector_->ShowPicture(black);
    Press(Picture1(), {20, 20});
    Drag(Picture1(), {60, 50});  // a box inside the final region
    Drag(Picture1(), {120, 90});
    Release(Picture1(), {120, 90});
    QCOMPARE(host_->canvas.size(), QSize(100, 70));
    QCOMPARE(host_->canvas, black.copy(20, 20, 100, 70));
  }

  void dragUpOrLeftOrFlatSelectsNothing_data() {
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::newRow("up-left") << QPoint(160, 120) << QPoint(100, 80);
    QTest::newRow("left") << QPoint(160, 80) << QPoint(100, 120);
    QTest::newRow("up") << QPoint(100, 120) << QPoint(160, 80);
    QTest::newRow("zero width") << QPoint(50, 50) << QPoint(50, 90);
    QTest::newRow("zero height") << QPoint(50, 50) << QPoint(90, 50);
  }
  void dragUpOrLeftOrFlatSelectsNothing() {
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    const QImage sentinel = test::PatternImage({3, 3});
    platform::clipboard::PutPicture(sentinel);
    selector_->ShowPicture(screen_);
    Press(Picture1(), from);
    Drag(Picture1(), to);
    Release(Picture1(), to);
    QCOMPARE(host_->events, QStringList{"restore"});
    QVERIFY(host_->canvas.isNull());
    QCOMPARE(platform::clipboard::GetPicture(), sentinel);
    QVERIFY(!selector_->isVisible());
  }

  void clickWithoutMovingNeverReusesAnEarlierBox() {
    selector_->ShowPicture(screen_);
    Press(Picture1(), {10, 10});
    Drag(Picture1(), {60, 40});
    Release(Picture1(), {60, 40});
    QCOMPARE(host_->picIntCalls, 1);

    selector_->ShowPicture(screen_);
    Press(Picture1(), {200, 200});
    Release(Picture1(), {200, 200});
    QCOMPARE(host_->picIntCalls, 1);

    selector_->ShowPicture(screen_);
    Send(Picture1(), QEvent::MouseButtonPress, {30, 30}, Qt::RightButton, Qt::RightButton);
    Release(Picture1(), {30, 30}, Qt::RightButton);
    QCOMPARE(host_->picIntCalls, 1);
    QCOMPARE(host_->events.count("restore"), 3);
  }

  void releasingTheRightButtonEndsTheSelection() {
    selector_->ShowPicture(screen_);
    Press(Picture1(), {10, 20});
    Drag(Picture1(), {40, 40});
    Send(Picture1(), QEvent::MouseMove, {45, 50}, Qt::NoButton,
         Qt::LeftButton | Qt::RightButton);  // not exactly the left button: ignored
    Release(Picture1(), {45, 50}, Qt::RightButton);
    QCOMPARE(host_->canvas, screen_.copy(10, 20, 30, 20));
    QVERIFY(!selector_->isVisible());
  }

  void dragLeavingThePictureStopsAtItsEdge() {
    const QImage small = test::PatternImage({200, 100});
    selector_->ShowPicture(small);
    Press(Picture1(), {150, 50});
    Drag(Picture1(), {300, 200});
    Release(Picture1(), {300, 200});
    QCOMPARE(host_->canvas, small.copy(150, 50, 50, 50));
  }

  void clickOutsideThePictureReturnsToTheMainWindow() {
    selector_->ShowPicture(test::PatternImage({200, 100}));
    QTest::mouseClick(selector_.get(), Qt::LeftButton, {}, QPoint(400, 300));
    QCOMPARE(host_->events, QStringList{"restore"});
    QVERIFY(!selector_->isVisible());
    QVERIFY(selector_->CapturedPicture().isNull());
  }

  // Esc, even in the middle of a drag, leaves without choosing anything.
  void escapeReturnsToTheMainWindowWithoutASelection() {
    selector_->ShowPicture(screen_);
    Press(Picture1(), {10, 20});
    Drag(Picture1(), {40, 40});
    QTest::keyClick(Picture1(), Qt::Key_Escape);
    QVERIFY(!selector_->isVisible());
    QCOMPARE(host_->events, QStringList{"restore"});
    QVERIFY(host_->canvas.isNull());
    Release(Picture1(), {40, 40});  // the button let go afterwards changes nothing
    QCOMPARE(host_->events, QStringList{"restore"});
  }

  void closingTheWindowReturnsToTheMainWindow() {
    selector_->ShowPicture(screen_);
    selector_->close();
    QVERIFY(!selector_->isVisible());
    QCOMPARE(host_->events, QStringList{"restore"});
  }

 private:
  QWidget* Picture1() const {
    auto* w = selector_->findChild<QWidget*>(QStringLiteral("Picture1"));
    Q_ASSERT(w);
    return w;
  }

  std::unique_ptr<FakeCaptureHost> host_;
  std::unique_ptr<FullScreenSelector> selector_;
  QImage screen_;
};

QTEST_MAIN(FullScreenSelectorTest)
#include "FullScreenSelectorTest.moc"
