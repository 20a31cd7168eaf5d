// The viewport, the canvas's zoom, the frame zoom and the scroll bars, driven on a real window.
#include <QScrollBar>
#include <QStatusBar>
#include <QtTest>

#include "core/model/ControlIndexes.h"
#include "core/model/ZoomLimits.h"
#include "support/FormFixture.h"
#include "view/CanvasWidget.h"
#include "view/StretchCopy.h"

using velmor::Form1;
using velmor::test::FormFixture;

namespace {

// A picture whose every pixel tells where it came from.
QImage Pattern(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.setPixel(x, y, qRgb(x % 256, y % 256, (x * 7 + y * 13) % 256));
  return image;
}

// Shows the window with its client area (below the menu bar) at `size`.
bool SizeClient(Form1& form, QSize size) {
  form.show();
  if (!QTest::qWaitForWindowExposed(&form)) return false;
  QWidget* client = form.centralWidget();
  form.resize(form.size() + size - client->size());
  return QTest::qWaitFor([&] { return client->size() == size; });
}

// Sizes the window so that Pic_int lays out a viewport of `width` x `height`.
bool SizeForViewport(Form1& form, int width, int height) {
  // The status bar takes its height at the first layout, so measure it once more after that.
  for (int pass = 0; pass < 2; ++pass)
    if (!SizeClient(form, QSize(width + 60 + form.VScroll1->width(),
                                height + 60 + form.HScroll1->height() + form.Stb1->height())))
      return false;
  return true;
}

void Load(Form1& form, const QImage& picture) {
  form.Picture2->SetPicture(picture);
  form.view.ZoomPercent = 100;
  form.Pic_int();
}

void Drag(Form1& form, float x1, float y1, float x2, float y2) {
  form.drag.StartX = x1;
  form.drag.StartY = y1;
  form.drag.EndX = x2;
  form.drag.EndY = y2;
  form.panel.FrameDragMode = velmor::framedrag::kZoom;
  form.ZoomToFrame();
}

}  // namespace

class ViewTest : public QObject {
  Q_OBJECT

  std::unique_ptr<FormFixture> f_;
  Form1& form() { return *f_->form; }
  QPoint CanvasPos() { return form().Picture2->pos(); }
  QSize CanvasSize() { return form().Picture2->size(); }

 private slots:
  void init() {
    f_ = std::make_unique<FormFixture>();
    QVERIFY(SizeForViewport(form(), 600, 400));
  }
  void cleanup() { f_.reset(); }

  // The wheel over the canvas moves the bars as their arrows do: three small steps a notch,
  // Shift for sideways; a bar that is hidden (nothing to scroll) does not move.
  void wheelOverTheCanvasScrolls() {
    Load(form(), Pattern(2000, 1500));
    auto wheel = [&](QPoint delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
      QWheelEvent event(QPointF(50, 50), form().Picture2->mapToGlobal(QPointF(50, 50)), {}, delta,
                        Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
      QApplication::sendEvent(form().Picture2, &event);
    };
    wheel({0, -120});
    QCOMPARE(form().VScroll1->value(), 3 * form().VScroll1->singleStep());
    QCOMPARE(CanvasPos().y(), -form().VScroll1->value());  // the change handler ran
    wheel({0, -120}, Qt::ShiftModifier);
    QCOMPARE(form().HScroll1->value(), 3 * form().HScroll1->singleStep());
    wheel({0, 240});
    QCOMPARE(form().VScroll1->value(), 0);

    Load(form(), Pattern(300, 200));
    wheel({0, -120});
    QCOMPARE(form().VScroll1->value(), 0);
    QCOMPARE(CanvasPos(), QPoint(0, 0));
  }

  void newPictureIsMeasuredAndLaidOut() {
    Load(form(), Pattern(640, 480));
    QCOMPARE(form().Status(velmor::status::kImageSize), QStringLiteral("640 × 480"));
    QCOMPARE(form().view.ImageWidth, 640);
    QCOMPARE(form().view.ImageHeight, 480);
    QCOMPARE(form().view.ZoomPercent, int16_t{100});
    QCOMPARE(form().Picture1->geometry(), QRect(60, 60, 600, 400));
    QCOMPARE(CanvasSize(), QSize(640, 480));
    QCOMPARE(CanvasPos(), QPoint(0, 0));
    QCOMPARE(form().HScroll1->geometry(), QRect(60, 460, 600, 20));
    QCOMPARE(form().VScroll1->geometry(), QRect(660, 60, 20, 400));
    QVERIFY(!form().HScroll1->isHidden());
    QVERIFY(!form().VScroll1->isHidden());
    QCOMPARE(form().HScroll1->maximum(), 40);
    QCOMPARE(form().VScroll1->maximum(), 80);
  }

  void smallCanvasHidesBothBarsAtOffsetZero() {
    Load(form(), Pattern(640, 480));
    form().HScroll1->setValue(40);
    form().VScroll1->setValue(80);
    QCOMPARE(CanvasPos(), QPoint(-40, -80));
    Load(form(), Pattern(300, 200));
    QVERIFY(form().HScroll1->isHidden());
    QVERIFY(form().VScroll1->isHidden());
    QCOMPARE(CanvasPos(), QPoint(0, 0));
    QCOMPARE(form().HScroll1->value(), 0);
  }

  void refreshPaintsThePictureAtTheZoomAndWipesDrawings_data() {
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("zoom");
    QTest::newRow("100") << 0 << 100;
    QTest::newRow("200") << 100 << 200;
    QTest::newRow("300") << 100 << 300;
    QTest::newRow("130") << 30 << 130;
    QTest::newRow("175") << 75 << 175;
  }
  void refreshPaintsThePictureAtTheZoomAndWipesDrawings() {
    QFETCH(int, step);
    QFETCH(int, zoom);
    const QImage picture = Pattern(97, 61);
    Load(form(), picture);
    form().panel.ZoomStep = static_cast<int16_t>(step);
    while (form().view.ZoomPercent < zoom) form().ZoomIn();
    QCOMPARE(form().view.ZoomPercent, int16_t(zoom));
    form().Picture2->Surface().fill(Qt::red);
    form().RefreshView();
    const QImage& surface = form().Picture2->Surface();
    QCOMPARE(surface.size(), QSize(qRound(97 * zoom / 100.0), qRound(61 * zoom / 100.0)));
    // Each screen pixel shows the picture pixel under its centre.
    for (int y = 0; y < surface.height(); ++y)
      for (int x = 0; x < surface.width(); ++x) {
        // A centre that falls exactly between two picture pixels may show either.
        const double u = (x + 0.5) * 100 / zoom, v = (y + 0.5) * 100 / zoom;
        bool shown = false;
        for (double ex : {-1e-9, 1e-9})
          for (double ey : {-1e-9, 1e-9})
            shown = shown || surface.pixel(x, y) == picture.pixel(std::min(int(u + ex), 96),
                                                                  std::min(int(v + ey), 60));
        if (!shown) QFAIL(qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
      }
  }

  void zoomStepsAndFloor_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("step");
    QTest::addColumn<QList<int>>("zoomOutSequence");
    QTest::newRow("step 25") << 100 << 25 << QList<int>{75, 50, 25, 25};
    QTest::newRow("step 30") << 100 << 30 << QList<int>{70, 40, 10, 10};
    QTest::newRow("15 by 10 stays") << 15 << 10 << QList<int>{15};
    QTest::newRow("20 by 10 reaches 10") << 20 << 10 << QList<int>{10, 10};
  }
  void zoomStepsAndFloor() {
    QFETCH(int, start);
    QFETCH(int, step);
    QFETCH(QList<int>, zoomOutSequence);
    Load(form(), Pattern(640, 480));
    form().view.ZoomPercent = static_cast<int16_t>(start);
    form().Picture2->SetCanvasSize(qRound(6.4 * start), qRound(4.8 * start));
    form().panel.ZoomStep = static_cast<int16_t>(step);
    for (int expected : zoomOutSequence) {
      form().ZoomOut();
      QCOMPARE(form().view.ZoomPercent, int16_t(expected));
      QCOMPARE(CanvasSize(), QSize(qRound(6.4 * expected), qRound(4.8 * expected)));
    }
  }

  void zoomInThenActualSize() {
    Load(form(), Pattern(640, 480));
    form().panel.ZoomStep = 25;
    form().ZoomIn();
    QCOMPARE(form().view.ZoomPercent, int16_t{125});
    QCOMPARE(CanvasSize(), QSize(800, 600));
    form().ZoomIn();
    QCOMPARE(CanvasSize(), QSize(960, 720));
    QCOMPARE(form().HScroll1->maximum(), 360);
    form().ZoomActualSize();
    QCOMPARE(form().view.ZoomPercent, int16_t{100});
    QCOMPARE(CanvasSize(), QSize(640, 480));
    QCOMPARE(form().Picture2->Surface().pixel(10, 20), qRgb(10, 20, (70 + 260) % 256));
  }

  void zoomOutAtTheFarRightKeepsTheOffsetInRange() {
    Load(form(), Pattern(640, 480));
    form().panel.ZoomStep = 100;
    form().ZoomIn();
    form().HScroll1->setValue(form().HScroll1->maximum());
    form().VScroll1->setValue(form().VScroll1->maximum());
    QCOMPARE(CanvasPos(), QPoint(-680, -560));
    form().panel.ZoomStep = 50;
    form().ZoomOut();  // 150 percent: 960 x 720
    QCOMPARE(form().HScroll1->value(), 360);
    QCOMPARE(form().VScroll1->value(), 320);
    QCOMPARE(CanvasPos(), QPoint(-360, -320));
    form().ZoomOut();  // 100 percent
    QCOMPARE(CanvasPos(), QPoint(-40, -80));
    form().panel.ZoomStep = 10;
    form().ZoomOut();  // 90 percent: 576 wide fits, 432 high does not
    QVERIFY(form().HScroll1->isHidden());
    QVERIFY(!form().VScroll1->isHidden());
    QCOMPARE(CanvasPos(), QPoint(0, -32));
  }

  void frameZoomFillsTheViewport_data() {
    QTest::addColumn<QRectF>("drag");  // press point, then release point as the size field
    QTest::newRow("left to right") << QRectF(100, 100, 300, 150);
    QTest::newRow("right to left") << QRectF(300, 100, 100, 150);
    QTest::newRow("bottom to top") << QRectF(100, 150, 300, 100);
    QTest::newRow("both reversed") << QRectF(300, 150, 100, 100);
  }
  void frameZoomFillsTheViewport() {
    QFETCH(QRectF, drag);
    Load(form(), Pattern(640, 480));
    // 200 x 50 in a 600 x 400 viewport: RX = 3, RY = 8, so R = 3.
    Drag(form(), drag.x(), drag.y(), drag.width(), drag.height());
    QCOMPARE(form().view.FrameWidth, 200);
    QCOMPARE(form().view.FrameHeight, 50);
    QCOMPARE(form().view.ZoomPercent, int16_t{300});
    QCOMPARE(CanvasSize(), QSize(1920, 1440));
    // Offsets mapped from the old range onto the new one: 100 * 1320 / 440 and 100 * 1040 / 430.
    QCOMPARE(form().view.FrameLeft, 300);
    QCOMPARE(form().view.FrameTop, 242);
    QCOMPARE(form().HScroll1->value(), 300);
    QCOMPARE(form().VScroll1->value(), 242);
    QCOMPARE(CanvasPos(), QPoint(-300, -242));
    QCOMPARE(form().panel.FrameDragMode, int16_t{0});
    // The frame's left edge is now at the viewport's left edge.
    QCOMPARE(form().Picture2->Surface().pixel(300, 726), Pattern(640, 480).pixel(100, 242));
  }

  void framesWithoutWidthOrHeightChangeOnlyTheMode_data() {
    QTest::addColumn<QRectF>("drag");
    QTest::newRow("no width") << QRectF(100, 100, 100, 300);
    QTest::newRow("no height") << QRectF(100, 100, 300, 100);
    QTest::newRow("a click") << QRectF(5, 5, 5, 5);
  }
  void framesWithoutWidthOrHeightChangeOnlyTheMode() {
    QFETCH(QRectF, drag);
    Load(form(), Pattern(640, 480));
    Drag(form(), drag.x(), drag.y(), drag.width(), drag.height());
    QCOMPARE(form().view.ZoomPercent, int16_t{100});
    QCOMPARE(CanvasSize(), QSize(640, 480));
    QCOMPARE(form().panel.FrameDragMode, int16_t{0});
  }

  void frameAsWideAsTheCanvasStartsAtTheEdge() {
    Load(form(), Pattern(640, 480));
    Drag(form(), 0, 100, 640, 150);  // RX = 0.9375 wins: 94 percent
    QCOMPARE(form().view.ZoomPercent, int16_t{94});
    QCOMPARE(CanvasSize(), QSize(602, 451));
    QCOMPARE(form().view.FrameLeft, 0);
    QCOMPARE(form().view.FrameTop, 12);  // 100 * 51 / 430
    QCOMPARE(CanvasPos(), QPoint(0, -12));
  }

  void frameWithoutPictureDoesNothing() {
    Drag(form(), 0, 0, 100, 100);
    QCOMPARE(form().view.ZoomPercent, int16_t{100});
    QCOMPARE(form().panel.FrameDragMode, int16_t{1});
  }

  void zoomsPastTheBoundAreRefused() {
    Load(form(), Pattern(1920, 1080));
    QCOMPARE(velmor::MaxZoomPercent(1920, 1080), 1609);  // the surface stays under 512 Mi pixels
    form().panel.ZoomStep = 100;
    for (int i = 0; i < 16; ++i) form().ZoomIn();
    QCOMPARE(form().view.ZoomPercent, int16_t{1600});
    form().panel.ZoomStep = 10;
    form().ZoomIn();  // past the bound: refused
    QCOMPARE(form().view.ZoomPercent, int16_t{1600});
    form().panel.ZoomStep = 9;
    form().ZoomIn();
    QCOMPARE(form().view.ZoomPercent, int16_t{1609});
    QCOMPARE(CanvasSize(), QSize(30893, 17377));
    form().panel.ZoomStep = 1;
    form().ZoomIn();
    QCOMPARE(form().view.ZoomPercent, int16_t{1609});
    QCOMPARE(CanvasSize(), QSize(30893, 17377));
    form().ZoomOut();
    QCOMPARE(form().view.ZoomPercent, int16_t{1608});
  }

  void tinyFrameCannotOverflowTheZoom() {
    Load(form(), Pattern(40, 30));
    Drag(form(), 10, 10, 11, 11);  // R = 400 asks for 40000 percent
    QCOMPARE(form().view.ZoomPercent, int16_t{100});
    QCOMPARE(CanvasSize(), QSize(40, 30));
    QCOMPARE(form().panel.FrameDragMode, int16_t{0});
    Drag(form(), 10, 10, 14, 14);  // 10000 percent: 4000 x 3000 fits
    QCOMPARE(form().view.ZoomPercent, int16_t{10000});
    QCOMPARE(CanvasSize(), QSize(4000, 3000));
  }

  void bandOfAPictureIsBoundBySideLength() {
    QCOMPARE(velmor::MaxZoomPercent(4000, 10), 819);  // 32760 pixels wide
    QCOMPARE(velmor::MaxZoomPercent(1, 1), 32767);
    QCOMPARE(velmor::MaxZoomPercent(40000, 10), 81);
  }

  void applyScrollPositionClampsAndSkipsHiddenBars() {
    Load(form(), Pattern(640, 300));  // only the horizontal bar shows
    form().view.FrameLeft = 1000;
    form().view.FrameTop = 50;
    form().ApplyScrollPosition();
    QCOMPARE(form().view.FrameLeft, 40);
    QCOMPARE(form().view.FrameTop, 50);  // hidden bar: untouched
    QCOMPARE(CanvasPos(), QPoint(-40, 0));
    form().view.FrameLeft = -5;
    form().ApplyScrollPosition();
    QCOMPARE(form().view.FrameLeft, 0);
    QCOMPARE(CanvasPos(), QPoint(0, 0));
  }

  void resizingTheWindowRefitsTheViewport() {
    Load(form(), Pattern(640, 480));
    QVERIFY(SizeForViewport(form(), 700, 300));
    QCOMPARE(form().Picture1->geometry(), QRect(60, 60, 700, 300));
    QCOMPARE(form().VScroll1->geometry(), QRect(760, 60, 20, 300));
    QCOMPARE(form().HScroll1->geometry(), QRect(60, 360, 700, 20));
    QVERIFY(form().HScroll1->isHidden());
    QCOMPARE(form().VScroll1->maximum(), 180);
    // Smaller than the margins but past the early tests: the viewport empties.
    QVERIFY(SizeClient(form(), QSize(70, 90)));
    QCOMPARE(form().Picture1->size(), QSize(0, 0));
    QCOMPARE(form().HScroll1->width(), 0);
    QVERIFY(!form().HScroll1->isHidden());
    QCOMPARE(form().HScroll1->maximum(), 640);
  }
  // Resizing keeps what was drawn at the top-left and gives the rest the window colour, whether
  // the canvas grows, shrinks or does both at once.
  void resizingTheSurfaceKeepsItsTopLeft() {
    velmor::CanvasWidget canvas;
    const QRgb window = canvas.palette().color(QPalette::Window).rgb();
    const QImage drawn = Pattern(50, 40);
    canvas.SetCanvasSize(50, 40);
    canvas.Surface() = drawn.copy();
    for (QSize size : {QSize(80, 30), QSize(30, 70), QSize(120, 90)}) {
      const QImage before = canvas.Surface().copy();
      canvas.SetCanvasSize(size.width(), size.height());
      const QImage& after = canvas.Surface();
      QCOMPARE(after.size(), size);
      QCOMPARE(after.format(), QImage::Format_RGB32);
      for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
          const bool kept = x < before.width() && y < before.height();
          const QRgb expected = kept ? before.pixel(x, y) : window;
          if (after.pixel(x, y) != expected)
            QFAIL(qPrintable(QStringLiteral("%1 x %2 at %3,%4")
                                 .arg(size.width())
                                 .arg(size.height())
                                 .arg(x)
                                 .arg(y)));
        }
    }
  }

  // Zoom steps back and forth reuse the surface's memory; a copy someone still holds of an
  // earlier surface must not change under them, and each step's refresh equals a fresh one.
  void zoomStepsLeaveHeldCopiesAloneAndRefreshWhole() {
    const QImage picture = Pattern(97, 61);
    Load(form(), picture);
    form().panel.ZoomStep = 25;
    form().ZoomIn();
    const QImage held = form().Picture2->Surface();  // shares the pixels, as a save might
    const QImage heldPixels = held.copy();
    for (int step = 0; step < 6; ++step) {
      step % 2 ? form().ZoomIn() : form().ZoomOut();
      QImage fresh(form().Picture2->Surface().size(), QImage::Format_RGB32);
      fresh.fill(Qt::red);
      velmor::StretchCopy(picture, fresh.width() * 100.0 / form().view.ZoomPercent,
                          fresh.height() * 100.0 / form().view.ZoomPercent, fresh);
      QCOMPARE(form().Picture2->Surface(), fresh);
    }
    QCOMPARE(held, heldPixels);
  }
};

QTEST_MAIN(ViewTest)
#include "ViewTest.moc"
