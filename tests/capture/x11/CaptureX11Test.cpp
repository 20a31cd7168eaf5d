// The captures against a real X server (Xvfb with openbox, see run-on-private-xvfb.sh): another
// program shows a picture whose every pixel tells its place, and xdotool drives the mouse.
#include <QApplication>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <cstdio>

#include "capture/FakeCaptureHost.h"
#include "capture/FullScreenSelector.h"
#include "capture/ScreenCapture.h"
#include "capture/ScreenPattern.h"
#include "platform/Clipboard.h"
#include "platform/ScreenGrab.h"

using namespace velmor;

namespace {

const QString kPatternOption = QStringLiteral("--pattern-window");

// The other program: a pattern window, framed at (x, y) with the given client size, or
// frameless over the whole screen when no size is given.
int RunPatternWindow(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = app.arguments();
  QWidget window(nullptr, args.size() < 6 ? Qt::FramelessWindowHint : Qt::Window);
  QRect geometry = QGuiApplication::primaryScreen()->geometry();
  if (args.size() >= 6)
    geometry = QRect(args[2].toInt(), args[3].toInt(), args[4].toInt(), args[5].toInt());
  const QImage pattern = test::PatternImage(geometry.size());
  class Painted : public QWidget {
   public:
    explicit Painted(const QImage& image, QWidget* parent) : QWidget(parent), image_(image) {}
    void paintEvent(QPaintEvent*) override { QPainter(this).drawImage(0, 0, image_); }
    const QImage& image_;
  } content(pattern, &window);
  content.setGeometry(QRect(QPoint(0, 0), geometry.size()));
  window.setWindowTitle(QStringLiteral("PatternWindow"));
  window.setGeometry(geometry);
  window.show();
  window.activateWindow();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;
  QTest::qWait(200);
  std::printf("ready\n");
  std::fflush(stdout);
  return app.exec();
}

// A main window that really minimises, hides and comes back.
class MainWindowHost : public test::FakeCaptureHost {
 public:
  MainWindowHost() {
    window.setWindowTitle(QStringLiteral("Velmor"));
    window.setStyleSheet(QStringLiteral("background: magenta"));
    window.setGeometry(600, 400, 300, 200);
  }
  void MinimizeMainWindow() override {
    FakeCaptureHost::MinimizeMainWindow();
    window.showMinimized();
  }
  void RestoreMainWindow() override {
    FakeCaptureHost::RestoreMainWindow();
    window.showNormal();
    window.raise();
    window.activateWindow();
  }
  void HideMainWindow() override {
    FakeCaptureHost::HideMainWindow();
    window.hide();
  }
  void ShowMainWindow() override {
    FakeCaptureHost::ShowMainWindow();
    window.show();
  }
  QWidget window;
};

// Where `part` lies inside `picture`, or (-1, -1).
QPoint Find(const QImage& picture, const QImage& part) {
  for (int y = 0; y + part.height() <= picture.height(); ++y)
    for (int x = 0; x + part.width() <= picture.width(); ++x)
      if (picture.pixel(x, y) == part.pixel(0, 0) &&
          picture.pixel(x + part.width() - 1, y + part.height() - 1) ==
              part.pixel(part.width() - 1, part.height() - 1) &&
          picture.copy(x, y, part.width(), part.height()) == part)
        return {x, y};
  return {-1, -1};
}

bool RunXdotool(const QStringList& args) {
  QProcess xdotool;
  xdotool.start(QStringLiteral("xdotool"), args);
  if (!xdotool.waitForStarted(5000)) return false;
  // The selection window must see the events while xdotool sends them.
  QElapsedTimer timer;
  timer.start();
  while (xdotool.state() != QProcess::NotRunning && timer.elapsed() < 10000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    xdotool.waitForFinished(10);
  }
  QTest::qWait(200);
  return xdotool.exitStatus() == QProcess::NormalExit && xdotool.exitCode() == 0;
}

QStringList Drag(QPoint from, QPoint via, QPoint to) {
  auto n = [](int v) { return QString::number(v); };
  return {"mousemove", n(from.x()), n(from.y()), "sleep",    "0.2",      "mousedown", "1",
          "sleep",     "0.2",       "mousemove", n(via.x()), n(via.y()), "sleep",     "0.2",
          "mousemove", n(to.x()),   n(to.y()),   "sleep",    "0.2",      "mouseup",   "1"};
}

}  // namespace

class CaptureX11Test : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY2(QGuiApplication::platformName() == QLatin1String("xcb"), "needs an X server");
    screen_ = QGuiApplication::primaryScreen()->geometry().size();
  }

  void init() {
    host_ = std::make_unique<MainWindowHost>();
    capture_ = std::make_unique<ScreenCapture>(*host_);
  }

  void cleanup() {
    capture_.reset();
    host_.reset();
    if (other_.state() != QProcess::NotRunning) {
      other_.kill();
      other_.waitForFinished(3000);
    }
    QTest::qWait(100);
  }

  void activeWindowIsTheOtherProgramsWindowWithItsFrame() {
    QVERIFY(StartOther({"100", "120", "400", "300"}));
    host_->window.show();
    host_->window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&host_->window));

    host_->captureActiveWindow = 1;
    capture_->CaptureScreen();
    QCOMPARE(host_->picIntCalls, 1);
    const QImage& canvas = host_->canvas;
    // The frame (title bar included) surrounds the client area, which shows the pattern.
    QVERIFY2(canvas.height() > 300 && canvas.width() >= 400,
             qPrintable(QStringLiteral("%1x%2").arg(canvas.width()).arg(canvas.height())));
    const QPoint client = Find(canvas, test::PatternImage({400, 300}));
    QVERIFY(client.x() >= 0);
    QVERIFY(client.y() > 0);
    QTRY_VERIFY(!host_->window.isMinimized());
    QVERIFY(host_->window.isVisible());
  }

  void wholeScreenIsFrozenAndADragSelectsExactlyItsPixels() {
    QVERIFY(StartOther({}));
    host_->window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host_->window));

    capture_->CaptureScreen();
    FullScreenSelector* selector = capture_->frmFullScreen();
    QVERIFY(selector && selector->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(selector));
    QTest::qWait(300);
    QCOMPARE(selector->CapturedPicture(), test::PatternImage(screen_));
    QCOMPARE(selector->geometry(), QRect(QPoint(0, 0), screen_));
    auto* picture1 = selector->findChild<QWidget*>(QStringLiteral("Picture1"));
    QCOMPARE(picture1->mapToGlobal(QPoint(0, 0)), QPoint(0, 0));
    QVERIFY(host_->window.isMinimized() || !host_->window.isVisible());

    QVERIFY(RunXdotool(Drag({300, 250}, {400, 300}, {500, 350})));
    QTRY_COMPARE(host_->picIntCalls, 1);
    QCOMPARE(host_->canvas, test::PatternImage(screen_).copy(300, 250, 200, 100));
    QCOMPARE(platform::clipboard::GetPicture(), host_->canvas);
    QTRY_VERIFY(!selector->isVisible());
    QTRY_VERIFY(host_->window.isVisible() && !host_->window.isMinimized());
  }

  void dragUpLeftOrAPlainClickLeavesTheCanvas_data() {
    QTest::addColumn<QStringList>("gesture");
    QTest::newRow("up-left") << Drag({500, 350}, {400, 300}, {300, 250});
    QTest::newRow("click") << QStringList{"mousemove", "200", "200", "sleep", "0.2", "click", "1"};
  }
  void dragUpLeftOrAPlainClickLeavesTheCanvas() {
    QFETCH(QStringList, gesture);
    QVERIFY(StartOther({}));
    host_->window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host_->window));
    const QImage before = test::PatternImage({5, 5});
    host_->canvas = before;

    capture_->CaptureScreen();
    FullScreenSelector* selector = capture_->frmFullScreen();
    QVERIFY(selector && QTest::qWaitForWindowExposed(selector));
    QTest::qWait(300);
    QVERIFY(RunXdotool(gesture));
    QTRY_VERIFY(!selector->isVisible());
    QCOMPARE(host_->canvas, before);
    QCOMPARE(host_->picIntCalls, 0);
    QTRY_VERIFY(host_->window.isVisible() && !host_->window.isMinimized());
  }

  void fixedRectangleReadsTheScreenAreaOfTheSettings_data() {
    QTest::addColumn<double>("dx");
    QTest::addColumn<QRect>("area");
    QTest::newRow("200 x 100") << 200.0 << QRect(300, 250, 200, 100);
    QTest::newRow("odd width") << 201.0 << QRect(300, 250, 201, 100);
  }
  void fixedRectangleReadsTheScreenAreaOfTheSettings() {
    QFETCH(double, dx);
    QFETCH(QRect, area);
    QVERIFY(StartOther({}));
    // The main window lies over the area until the capture hides it.
    host_->window.setGeometry(350, 260, 300, 200);
    host_->window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host_->window));
    host_->settings.Set(slot::kCaptureCX, 400.0);
    host_->settings.Set(slot::kCaptureCY, 300.0);
    host_->settings.Set(slot::kCaptureDX, dx);
    host_->settings.Set(slot::kCaptureDY, 100.0);

    capture_->CaptureFixedRectangle();
    QCOMPARE(host_->canvas, test::PatternImage(screen_).copy(area));
    QCOMPARE(platform::clipboard::GetPicture(), host_->canvas);
    QVERIFY(host_->window.isVisible());
  }

 private:
  bool StartOther(const QStringList& geometry) {
    other_.setProgram(QCoreApplication::applicationFilePath());
    other_.setArguments(QStringList{kPatternOption} + geometry);
    other_.start();
    if (!other_.waitForStarted(5000)) return false;
    QElapsedTimer timer;
    timer.start();
    while (!other_.canReadLine() && timer.elapsed() < 10000) other_.waitForReadyRead(100);
    return other_.readLine().trimmed() == "ready";
  }

  QSize screen_;
  QProcess other_;
  std::unique_ptr<MainWindowHost> host_;
  std::unique_ptr<ScreenCapture> capture_;
};

int main(int argc, char** argv) {
  if (argc > 1 && QString::fromLocal8Bit(argv[1]) == kPatternOption)
    return RunPatternWindow(argc, argv);
  QApplication app(argc, argv);
  CaptureX11Test test;
  return QTest::qExec(&test, argc, argv);
}

#include "CaptureX11Test.moc"
