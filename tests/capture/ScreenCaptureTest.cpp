#include <QPainter>
#include <QTest>
#include <cmath>
#include <limits>

#include "capture/FakeCaptureHost.h"
#include "capture/FullScreenSelector.h"
#include "capture/ScreenCapture.h"
#include "capture/ScreenPattern.h"
#include "platform/Clipboard.h"
#include "platform/ScreenSource.h"
#include "support/FakeModal.h"

using namespace velmor;
using velmor::test::FakeCaptureHost;

namespace {

// Notes each message in the host's event list so that its order against the window calls shows.
class RecordingModal : public test::FakeModal {
 public:
  explicit RecordingModal(FakeCaptureHost& host) : host_(host) {}
  platform::MsgResult Message(const platform::MessageRequest& request) override {
    host_.events << QStringLiteral("message");
    return FakeModal::Message(request);
  }
  void WaitWithEvents(double seconds) override {
    host_.events << QStringLiteral("wait %1").arg(seconds);
    FakeModal::WaitWithEvents(seconds);
  }

 private:
  FakeCaptureHost& host_;
};

void SetRectangle(Settings& s, double cx, double cy, double dx, double dy) {
  s.Set(slot::kCaptureCX, cx);
  s.Set(slot::kCaptureCY, cy);
  s.Set(slot::kCaptureDX, dx);
  s.Set(slot::kCaptureDY, dy);
}

}  // namespace

class ScreenCaptureTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QVERIFY(pattern_.ShowOnScreen()); }

  void init() {
    host_ = std::make_unique<FakeCaptureHost>();
    modal_ = std::make_unique<RecordingModal>(*host_);
    capture_ = std::make_unique<ScreenCapture>(*host_);
    platform::clipboard::Clear();
  }
  void cleanup() {
    capture_.reset();
    modal_.reset();
    host_.reset();
  }

  // --- whole screen and active window ---

  void wholeScreenGoesFrozenIntoTheSelectionWindow() {
    capture_->CaptureScreen();
    QCOMPARE(host_->events, (QStringList{"minimize", "wait 0.3", "wait 0.3"}));
    QCOMPARE(host_->state, FakeCaptureHost::WindowState::Minimized);
    FullScreenSelector* selector = capture_->frmFullScreen();
    QVERIFY(selector);
    QVERIFY(selector->isVisible());
    QCOMPARE(selector->CapturedPicture(), pattern_.Image());
    QVERIFY(host_->canvas.isNull());
    QVERIFY(modal_->messages.empty());

    auto* picture1 = selector->findChild<QWidget*>(QStringLiteral("Picture1"));
    QTest::mousePress(picture1, Qt::LeftButton, {}, {300, 250});
    QTest::mouseMove(picture1, {400, 300});
    QTest::mouseMove(picture1, {500, 350});
    QTest::mouseRelease(picture1, Qt::LeftButton, {}, {500, 350});
    QCOMPARE(host_->canvas, pattern_.Image().copy(300, 250, 200, 100));
    QCOMPARE(host_->state, FakeCaptureHost::WindowState::Normal);
  }

  void selectionWindowIsCreatedOnce() {
    capture_->CaptureScreen();
    FullScreenSelector* first = capture_->frmFullScreen();
    first->Form_Click();
    capture_->CaptureScreen();
    QCOMPARE(capture_->frmFullScreen(), first);
    QVERIFY(first->isVisible());
    first->Form_Click();
  }

  void anOldClipboardPictureIsNeverTakenForTheCapture() {
    platform::clipboard::PutPicture(test::PatternImage({7, 7}));
    bool emptyDuringFirstWait = false;
    int waits = 0;
    modal_->onWait = [&](double) {
      if (++waits == 1) emptyDuringFirstWait = !platform::clipboard::HasBitmap();
      // The grab is swallowed: nothing new arrives.
      if (waits == 2) platform::clipboard::Clear();
    };
    capture_->CaptureScreen();
    QVERIFY(emptyDuringFirstWait);
    QVERIFY(!capture_->frmFullScreen());
    QVERIFY(host_->canvas.isNull());
  }

  void noScreenPictureBringsTheWindowBackThenWarns() {
    int waits = 0;
    modal_->onWait = [&](double) {
      if (++waits == 2) platform::clipboard::Clear();
    };
    capture_->CaptureScreen();
    QCOMPARE(host_->events.mid(host_->events.size() - 2), (QStringList{"restore", "message"}));
    QCOMPARE(modal_->messages.size(), size_t{1});
    const platform::MessageRequest& m = modal_->messages.front();
    QCOMPARE(m.text, QStringLiteral("画面全体を取得できませんでした。"));
    QCOMPARE(m.title, QStringLiteral("Velmor"));
    QCOMPARE(m.icon, platform::MsgIcon::Exclamation);
    QCOMPARE(m.buttons, platform::MsgButtons::Ok);
    QCOMPARE(host_->picIntCalls, 0);
  }

  void activeWindowGoesStraightIntoTheCanvas() {
    host_->captureActiveWindow = 1;
    const QImage window = test::PatternImage({120, 90});
    int waits = 0;
    // Offscreen there is no other program's window: the second wait hands one over.
    modal_->onWait = [&](double) {
      if (++waits == 2) platform::clipboard::PutPicture(window);
    };
    capture_->CaptureScreen();
    QCOMPARE(host_->canvas, window);
    QCOMPARE(host_->events,
             (QStringList{"minimize", "wait 0.3", "wait 0.3", "canvas", "Pic_int", "restore"}));
    QVERIFY(!capture_->frmFullScreen());
  }

  void noActiveWindowLeavesTheCanvasAndWarns() {
    host_->captureActiveWindow = 1;
    capture_->CaptureScreen();
    QVERIFY(host_->canvas.isNull());
    QCOMPARE(host_->events.mid(host_->events.size() - 2), (QStringList{"restore", "message"}));
    QCOMPARE(modal_->messages.front().text, capture_text::kActiveWindowFailed);
    QCOMPARE(modal_->messages.front().icon, platform::MsgIcon::Exclamation);
  }

  // --- fixed rectangle ---

  void centreAndSizeGiveThatAreaOfTheScreen() {
    SetRectangle(host_->settings, 400, 300, 200, 100);
    capture_->CaptureFixedRectangle();
    const QImage expected = pattern_.Image().copy(300, 250, 200, 100);
    QCOMPARE(host_->canvas, expected);
    QCOMPARE(host_->cutPic, expected);
    QCOMPARE(platform::clipboard::GetPicture(), expected);
    QCOMPARE(host_->events,
             (QStringList{"hide", "wait 1", "CutPic", "show", "canvas", "Pic_int", "restore"}));
    QVERIFY(modal_->messages.empty());
  }

  void aRectangleReachingPastTheScreenKeepsItsSize() {
    const QSize screen = pattern_.Image().size();
    // 50 pixels past the left edge and 30 past the bottom.
    SetRectangle(host_->settings, 50, screen.height() - 20, 200, 100);
    capture_->CaptureFixedRectangle();
    QImage expected(200, 100, QImage::Format_RGB32);
    expected.fill(Qt::black);
    {
      QPainter painter(&expected);
      painter.drawImage(50, 0, pattern_.Image().copy(0, screen.height() - 70, 150, 70));
    }
    QCOMPARE(host_->canvas.size(), QSize(200, 100));
    QCOMPARE(host_->canvas, expected);
    QCOMPARE(platform::clipboard::GetPicture(), expected);
    QVERIFY(modal_->messages.empty());
  }

  void halfPixelsRoundToTheEvenNeighbour_data() {
    QTest::addColumn<double>("dx");
    QTest::addColumn<int>("left");
    QTest::newRow("201 wide") << 201.0 << 300;    // 299.5 -> 300
    QTest::newRow("203 wide") << 203.0 << 298;    // 298.5 -> 298
    QTest::newRow("200.6 wide") << 200.6 << 300;  // 299.7 -> 300, width 201
  }
  void halfPixelsRoundToTheEvenNeighbour() {
    QFETCH(double, dx);
    QFETCH(int, left);
    SetRectangle(host_->settings, 400, 300, dx, 100);
    capture_->CaptureFixedRectangle();
    const int width = static_cast<int>(std::nearbyint(dx));
    QCOMPARE(host_->canvas, pattern_.Image().copy(left, 250, width, 100));
  }

  void unusableRectangleBringsTheWindowBackThenReports_data() {
    QTest::addColumn<double>("cx");
    QTest::addColumn<double>("dx");
    const double huge = std::numeric_limits<double>::max();
    QTest::newRow("off the screen") << -500.0 << 100.0;
    QTest::newRow("zero width") << 400.0 << 0.0;
    QTest::newRow("negative width") << 400.0 << -80.0;
    QTest::newRow("too large") << 400.0 << huge;
  }
  void unusableRectangleBringsTheWindowBackThenReports() {
    QFETCH(double, cx);
    QFETCH(double, dx);
    const QImage before = test::PatternImage({4, 4});
    host_->canvas = before;
    SetRectangle(host_->settings, cx, 300, dx, 100);
    capture_->CaptureFixedRectangle();
    QCOMPARE(host_->canvas, before);
    QCOMPARE(host_->picIntCalls, 0);
    QCOMPARE(host_->events.mid(host_->events.size() - 2), (QStringList{"restore", "message"}));
    QCOMPARE(host_->state, FakeCaptureHost::WindowState::Normal);
    const platform::MessageRequest& m = modal_->messages.front();
    QCOMPARE(m.text, QStringLiteral("取得中にエラーが発生しました"));
    QCOMPARE(m.title, QStringLiteral("Velmor"));
    QCOMPARE(m.icon, platform::MsgIcon::None);
  }

  // A platform that gives no picture (no portal, a refusal, a broken file): every capture ends
  // with its own message, the window back and the canvas as it was.
  void aScreenThatGivesNothingEndsEachCaptureWithItsMessage_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole screen") << 0 << capture_text::kScreenFailed;
    QTest::newRow("active window") << 1 << capture_text::kActiveWindowFailed;
    QTest::newRow("fixed rectangle") << 2 << capture_text::kRectangleFailed;
  }
  void aScreenThatGivesNothingEndsEachCaptureWithItsMessage() {
    QFETCH(int, mode);
    QFETCH(QString, text);
    platform::NullScreenSource none;
    platform::SetScreenSource(&none);
    const QImage before = test::PatternImage({6, 6});
    host_->canvas = before;
    SetRectangle(host_->settings, 400, 300, 200, 100);
    host_->captureActiveWindow = mode == 1 ? 1 : 0;
    if (mode == 2)
      capture_->CaptureFixedRectangle();
    else
      capture_->CaptureScreen();
    platform::SetScreenSource(nullptr);
    QCOMPARE(modal_->messages.size(), size_t{1});
    QCOMPARE(modal_->messages.front().text, text);
    QCOMPARE(host_->canvas, before);
    QCOMPARE(host_->picIntCalls, 0);
    QCOMPARE(host_->state, FakeCaptureHost::WindowState::Normal);
    QVERIFY(!capture_->frmFullScreen() || !capture_->frmFullScreen()->isVisible());
    QVERIFY(!platform::clipboard::HasBitmap());
  }

  void aCaptureStartedDuringAWaitIsRefused() {
    SetRectangle(host_->settings, 400, 300, 20, 10);
    modal_->onWait = [&](double) {
      modal_->onWait = nullptr;
      capture_->CaptureScreen();
      capture_->CaptureFixedRectangle();
    };
    capture_->CaptureFixedRectangle();
    QCOMPARE(host_->events.count("hide"), 1);
    QCOMPARE(host_->events.count("minimize"), 0);
    QCOMPARE(host_->picIntCalls, 1);
  }

 private:
  test::ScreenPattern pattern_;
  std::unique_ptr<FakeCaptureHost> host_;
  std::unique_ptr<RecordingModal> modal_;
  std::unique_ptr<ScreenCapture> capture_;
};

QTEST_MAIN(ScreenCaptureTest)
#include "ScreenCaptureTest.moc"
