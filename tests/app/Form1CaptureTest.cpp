// The captures started from the main window: the picture reaches the canvas at the right size,
// the window comes back as it was, and the fixed rectangle keeps figures and zoom.
#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QToolButton>
#include <QtTest>

#include "capture/FullScreenSelector.h"
#include "capture/ScreenCapture.h"
#include "core/model/ControlIndexes.h"
#include "core/model/ZoomLimits.h"
#include "platform/Clipboard.h"
#include "support/FakeModal.h"
#include "support/FormFixture.h"
#include "view/CanvasWidget.h"

using velmor::Settings;
using velmor::test::FakeModal;
using velmor::test::FormFixture;
namespace platform = velmor::platform;
namespace slot = velmor::slot;

namespace {

QImage Pattern(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.setPixel(x, y, qRgb(x * 3 % 256, y * 11 % 256, (x ^ y) % 256));
  return image;
}

void LoadPicture(FormFixture& f, const QImage& picture) {
  f.form->view.ZoomPercent = 100;
  f.form->Picture2->SetPicture(picture);
  f.form->Pic_int();
}

void Mouse(QWidget* target, QEvent::Type type, QPoint pos, Qt::MouseButton button,
           Qt::MouseButtons buttons) {
  QMouseEvent event(type, QPointF(pos), QPointF(target->mapToGlobal(pos)), button, buttons,
                    Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

}  // namespace

class Form1CaptureTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { platform::clipboard::Clear(); }

  void newPictureTakesTheCanvasAtTheCurrentZoom() {
    FormFixture f;
    f.form->view.ZoomPercent = 150;
    const QImage picture = Pattern(40, 30);
    f.form->SetCanvasPicture(picture);
    QCOMPARE(f.form->Picture2->Picture(), picture);
    QCOMPARE(f.form->Picture2->size(), QSize(60, 45));
    f.form->SetCanvasPicture(QImage());  // an empty picture changes nothing
    QCOMPARE(f.form->Picture2->Picture(), picture);
    QCOMPARE(f.form->Picture2->size(), QSize(60, 45));
  }

  void aZoomTooLargeForTheNewPictureComesDownToTheLargestThatFits() {
    FormFixture f;
    LoadPicture(f, Pattern(20, 10));
    f.form->view.ZoomPercent = 20000;  // 4000 x 2000 for the old picture
    f.form->SetCanvasPicture(Pattern(640, 480));
    const int zoom = f.form->view.ZoomPercent;
    QCOMPARE(zoom, velmor::MaxZoomPercent(640, 480));
    QVERIFY(zoom < 20000 && zoom > 100);
    QCOMPARE(f.form->Picture2->size(),
             QSize(velmor::ScaledExtent(zoom, 640), velmor::ScaledExtent(zoom, 480)));
    QVERIFY(f.form->Picture2->width() <= velmor::kMaxCanvasExtent);
  }

  void windowComesBackAsItWas() {
    FormFixture f;
    f.form->showMaximized();
    f.form->MinimizeMainWindow();
    QVERIFY(f.form->isMinimized());
    f.form->RestoreMainWindow();
    QVERIFY(!f.form->isMinimized());
    QVERIFY(f.form->isMaximized());

    f.form->showNormal();
    f.form->HideMainWindow();
    QVERIFY(f.form->isHidden());
    f.form->ShowMainWindow();
    QVERIFY(f.form->isVisible());
    QVERIFY(!f.form->isMaximized());
    f.form->MinimizeMainWindow();
    f.form->RestoreMainWindow();
    QVERIFY(f.form->isVisible() && !f.form->isMinimized() && !f.form->isMaximized());
  }

  void wholeScreenCaptureBringsTheDraggedRegionAt100Percent() {
    FormFixture f;
    FakeModal modal;
    f.form->show();
    LoadPicture(f, Pattern(50, 50));
    f.form->panel.ZoomStep = 50;
    f.form->ZoomIn();
    f.form->Toolbar1Buttons.at(velmor::toolbar::kCapture)->trigger();

    velmor::FullScreenSelector* selector = f.form->Capture().frmFullScreen();
    QVERIFY(selector && selector->isVisible());
    QVERIFY(f.form->isMinimized());
    const QImage screen = selector->CapturedPicture();
    QVERIFY(screen.width() >= 200 && screen.height() >= 150);
    auto* picture1 = selector->findChild<QWidget*>(QStringLiteral("Picture1"));
    QVERIFY(picture1);
    Mouse(picture1, QEvent::MouseButtonPress, {20, 30}, Qt::LeftButton, Qt::LeftButton);
    Mouse(picture1, QEvent::MouseMove, {100, 90}, Qt::NoButton, Qt::LeftButton);
    Mouse(picture1, QEvent::MouseMove, {170, 120}, Qt::NoButton, Qt::LeftButton);
    Mouse(picture1, QEvent::MouseButtonRelease, {170, 120}, Qt::LeftButton, Qt::NoButton);

    const QImage region = screen.copy(20, 30, 150, 90).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(f.form->Picture2->Picture(), region);
    QCOMPARE(f.form->view.ZoomPercent, int16_t{100});
    QCOMPARE(f.form->Picture2->size(), QSize(150, 90));
    QCOMPARE(f.form->Status(velmor::status::kImageSize), QStringLiteral("150 × 90"));
    QCOMPARE(platform::clipboard::GetPicture(), region);
    QVERIFY(selector->isHidden());
    QVERIFY(f.form->isVisible() && !f.form->isMinimized());
  }

  void fixedRectangleKeepsFiguresAndZoom() {
    Settings s;
    s.Set(slot::kCaptureCX, 400.0);
    s.Set(slot::kCaptureCY, 300.0);
    s.Set(slot::kCaptureDX, 200.0);
    s.Set(slot::kCaptureDY, 100.0);
    FormFixture f(&s);
    FakeModal modal;
    f.form->show();
    LoadPicture(f, Pattern(300, 200));
    f.form->Opb_Click(velmor::tool::kRectangle);
    f.form->Picture2_MouseDown(1, 0, 10, 10);
    f.form->Picture2_MouseMove(1, 0, 60, 40);
    f.form->Picture2_MouseUp(1, 0, 60, 40);
    QCOMPARE(f.form->figures.FigureCount, int16_t{1});
    f.form->panel.ZoomStep = 100;
    f.form->ZoomIn();

    f.form->Command5->click();
    QVERIFY(modal.messages.empty());
    QVERIFY(f.form->isVisible() && !f.form->isMinimized());
    QCOMPARE(f.form->figures.FigureCount, int16_t{1});
    QCOMPARE(f.form->view.ZoomPercent, int16_t{200});
    QCOMPARE(f.form->Picture2->Picture().size(), QSize(200, 100));
    QCOMPARE(f.form->CutPic.size(), QSize(200, 100));
    // The canvas and the zoom agree; the image size is the picture's, not the canvas's.
    QCOMPARE(f.form->Picture2->size(), QSize(400, 200));
    QCOMPARE(f.form->view.ImageWidth, 200);
    QCOMPARE(f.form->view.ImageHeight, 100);
    QCOMPARE(f.form->Status(velmor::status::kImageSize), QStringLiteral("200 × 100"));
    f.form->ZoomActualSize();
    QCOMPARE(f.form->Picture2->size(), QSize(200, 100));
  }

  void fixedRectangleOffTheScreenReportsTheFailure() {
    Settings s;
    s.Set(slot::kCaptureCX, -5000.0);
    s.Set(slot::kCaptureCY, -5000.0);
    s.Set(slot::kCaptureDX, 200.0);
    s.Set(slot::kCaptureDY, 100.0);
    FormFixture f(&s);
    FakeModal modal;
    f.form->show();
    const QImage picture = Pattern(30, 20);
    LoadPicture(f, picture);
    f.form->Command5->click();
    QCOMPARE(modal.messages.size(), size_t{1});
    QCOMPARE(modal.messages[0].text, QStringLiteral("取得中にエラーが発生しました"));
    QCOMPARE(modal.messages[0].title, QStringLiteral("Velmor"));
    QCOMPARE(modal.messages[0].icon, platform::MsgIcon::None);
    QCOMPARE(f.form->Picture2->Picture(), picture);
    QVERIFY(f.form->isVisible() && !f.form->isMinimized());
  }
};

QTEST_MAIN(Form1CaptureTest)
#include "Form1CaptureTest.moc"
