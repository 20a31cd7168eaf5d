// The toolbar's delay before the whole-screen, active-window and fixed-rectangle captures: one
// wait a second with its count on the prompt panel, nothing of the capture before the last one,
// then the capture as it runs without a delay; Esc gives the countdown up, and a second capture
// asked for meanwhile is ignored.
#include <QAction>
#include <QSpinBox>
#include <QToolButton>
#include <QtTest>
#include <stdexcept>

#include "capture/FullScreenSelector.h"
#include "capture/ScreenCapture.h"
#include "core/model/ControlIndexes.h"
#include "platform/Clipboard.h"
#include "support/FakeModal.h"
#include "support/FormFixture.h"
#include "view/CanvasWidget.h"

using velmor::Settings;
using velmor::test::FakeModal;
using velmor::test::FormFixture;
namespace platform = velmor::platform;
namespace slot = velmor::slot;
namespace status = velmor::status;

namespace {

// What the program showed while it waited.
struct Wait {
  double seconds;
  QString prompt;
  bool windowShown;
  int figures;
  size_t messages;
};

struct Outcome {
  std::vector<Wait> waits;
  QStringList messages;
  QString prompt;
  int figures = 0;
  QSize canvas;
  QSize cutPic;
  bool selectorShown = false;
};

Settings WithRectangleAndDelay(int seconds) {
  Settings s;
  s.Set(slot::kCaptureCX, 400.0);
  s.Set(slot::kCaptureCY, 300.0);
  s.Set(slot::kCaptureDX, 200.0);
  s.Set(slot::kCaptureDY, 100.0);
  s.Set(slot::kCaptureDelay, static_cast<int16_t>(seconds));
  return s;
}

// A shown window with a picture and one rectangle drawn on it.
void Prepare(FormFixture& f) {
  f.form->show();
  QImage picture(120, 90, QImage::Format_RGB32);
  picture.fill(qRgb(20, 120, 220));
  f.form->Picture2->SetPicture(picture);
  f.form->Pic_int();
  f.form->Opb_Click(velmor::tool::kRectangle);
  f.form->Picture2_MouseDown(1, 0, 10, 10);
  f.form->Picture2_MouseMove(1, 0, 60, 40);
  f.form->Picture2_MouseUp(1, 0, 60, 40);
}

void Record(FakeModal& modal, FormFixture& f, std::vector<Wait>& waits) {
  modal.onWait = [&modal, &f, &waits](double seconds) {
    waits.push_back({seconds, f.form->Status(status::kPrompt),
                     f.form->isVisible() && !f.form->isMinimized(), f.form->figures.FigureCount,
                     modal.messages.size()});
  };
}

// Starts a capture as the user does: "screen" and "window" with the toolbar (its toggle set
// first), "rect" with 矩形.
void StartCapture(FormFixture& f, const QString& kind) {
  if (kind == QLatin1String("rect")) {
    f.Find<QToolButton>("Command5")->click();
    return;
  }
  if (kind == QLatin1String("window")) f.Find<QAction>("Toolbar1_16")->trigger();
  f.Find<QAction>("Toolbar1_15")->trigger();
}

Outcome Capture(int delay, const QString& kind) {
  const Settings s = WithRectangleAndDelay(delay);
  FormFixture f(&s);
  FakeModal modal;
  Prepare(f);
  Outcome out;
  Record(modal, f, out.waits);
  StartCapture(f, kind);
  for (const platform::MessageRequest& m : modal.messages) out.messages << m.text;
  out.prompt = f.form->Status(status::kPrompt);
  out.figures = f.form->figures.FigureCount;
  out.canvas = f.form->Picture2->Picture().size();
  out.cutPic = f.form->CutPic.size();
  const velmor::FullScreenSelector* selector = f.form->Capture().frmFullScreen();
  out.selectorShown = selector && selector->isVisible();
  return out;
}

}  // namespace

class CaptureDelayTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { platform::clipboard::Clear(); }

  void eachCaptureCountsTheDelayDownBeforeAnythingElse_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QList<double>>("ownWaits");
    QTest::newRow("whole screen") << "screen" << QList<double>{0.3, 0.3};
    QTest::newRow("active window") << "window" << QList<double>{0.3, 0.3};
    QTest::newRow("fixed rectangle") << "rect" << QList<double>{1.0};
  }
  void eachCaptureCountsTheDelayDownBeforeAnythingElse() {
    QFETCH(QString, kind);
    QFETCH(QList<double>, ownWaits);
    const Outcome plain = Capture(0, kind);
    QCOMPARE(plain.waits.size(), size_t(ownWaits.size()));  // no delay: no wait of its own
    for (qsizetype i = 0; i < ownWaits.size(); ++i) {
      QCOMPARE(plain.waits[i].seconds, ownWaits[i]);
      QVERIFY(!plain.waits[i].prompt.startsWith(QStringLiteral("キャプチャまで")));
    }

    const Outcome delayed = Capture(3, kind);
    QCOMPARE(delayed.waits.size(), 3 + plain.waits.size());
    for (int i = 0; i < 3; ++i) {
      const Wait& w = delayed.waits[i];
      QCOMPARE(w.seconds, 1.0);
      QCOMPARE(w.prompt, QStringLiteral("キャプチャまで %1 秒").arg(3 - i));
      QVERIFY(w.windowShown);
      QCOMPARE(w.figures, 1);
      QCOMPARE(w.messages, size_t{0});
    }
    // Then the capture runs as it runs without a delay.
    for (size_t i = 0; i < plain.waits.size(); ++i) {
      QCOMPARE(delayed.waits[3 + i].seconds, plain.waits[i].seconds);
      QCOMPARE(delayed.waits[3 + i].prompt, plain.waits[i].prompt);
      QCOMPARE(delayed.waits[3 + i].windowShown, plain.waits[i].windowShown);
      QCOMPARE(delayed.waits[3 + i].figures, plain.waits[i].figures);
    }
    QCOMPARE(delayed.messages, plain.messages);
    QCOMPARE(delayed.prompt, plain.prompt);
    QCOMPARE(delayed.figures, plain.figures);
    QCOMPARE(delayed.canvas, plain.canvas);
    QCOMPARE(delayed.cutPic, plain.cutPic);
    QCOMPARE(delayed.selectorShown, plain.selectorShown);
    // Each capture did reach its end: the selection window, its message, or the rectangle.
    if (kind == QLatin1String("screen")) QVERIFY(delayed.selectorShown);
    if (kind == QLatin1String("window")) QCOMPARE(delayed.messages.size(), 1);
    if (kind == QLatin1String("rect")) QCOMPARE(delayed.cutPic, QSize(200, 100));
  }

  // Esc during the countdown, with the keyboard in the delay box as after choosing the seconds.
  void escGivesTheCountdownUpAndTheCaptureDoesNotRun_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("toolbar capture") << "screen";
    QTest::newRow("fixed rectangle") << "rect";
  }
  void escGivesTheCountdownUpAndTheCaptureDoesNotRun() {
    QFETCH(QString, kind);
    const Settings s = WithRectangleAndDelay(5);
    FormFixture f(&s);
    FakeModal modal;
    Prepare(f);
    f.form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
    auto* box = f.Find<QSpinBox>("DelayBox");
    box->setFocus();
    f.Find<QAction>("Toolbar1_6")->trigger();  // a zoom frame armed before
    const QImage before = f.form->Picture2->Surface();
    int waits = 0;
    QString promptAfterEsc;
    modal.onWait = [&](double) {
      if (++waits != 2) return;
      QTest::keyClick(box, Qt::Key_Escape);
      promptAfterEsc = f.form->Status(status::kPrompt);
    };
    StartCapture(f, kind);

    QCOMPARE(waits, 2);  // the second under way runs out, no other follows
    QCOMPARE(promptAfterEsc, QStringLiteral("キャプチャを取り消しました。"));
    QCOMPARE(f.form->Status(status::kPrompt), QStringLiteral("キャプチャを取り消しました。"));
    QCOMPARE(f.form->figures.FigureCount, int16_t{1});
    QCOMPARE(f.form->Picture2->Surface(), before);
    QVERIFY(f.form->CutPic.isNull());
    QVERIFY(!f.form->Capture().frmFullScreen());
    QVERIFY(modal.messages.empty());
    QVERIFY(f.form->isVisible() && !f.form->isMinimized());
    // Esc gave up only the countdown; the next Esc gives up the frame, as always.
    QCOMPARE(f.form->panel.FrameDragMode, int16_t{1});
    QTest::keyClick(box, Qt::Key_Escape);
    QCOMPARE(f.form->panel.FrameDragMode, int16_t{0});
  }

  void aSecondCaptureDuringTheCountdownIsIgnored() {
    const Settings s = WithRectangleAndDelay(2);
    FormFixture f(&s);
    FakeModal modal;
    Prepare(f);
    bool pressed = false;
    modal.onWait = [&](double) {
      if (pressed) return;
      pressed = true;
      f.Find<QAction>("Toolbar1_15")->trigger();  // would drop the figure
      f.Find<QToolButton>("Command5")->click();
    };
    f.Find<QToolButton>("Command5")->click();
    QCOMPARE(QList<double>(modal.waits.begin(), modal.waits.end()),
             (QList<double>{1.0, 1.0, 1.0}));  // one countdown, then the rectangle's own wait
    QCOMPARE(f.form->figures.FigureCount, int16_t{1});
    QVERIFY(!f.form->Capture().frmFullScreen());
    QCOMPARE(f.form->CutPic.size(), QSize(200, 100));
    QVERIFY(modal.messages.empty());

    // Once it is over, a capture counts down again.
    modal.waits.clear();
    f.Find<QAction>("Toolbar1_15")->trigger();
    QCOMPARE(QList<double>(modal.waits.begin(), modal.waits.end()),
             (QList<double>{1.0, 1.0, 0.3, 0.3}));
  }

  void aCountdownEndedByAFailureLeavesTheNextOneFree() {
    const Settings s = WithRectangleAndDelay(2);
    FormFixture f(&s);
    FakeModal modal;
    Prepare(f);
    modal.onWait = [](double) { throw std::runtime_error("wait broke"); };
    f.Find<QToolButton>("Command5")->click();  // ends quietly under the error trap
    QCOMPARE(modal.waits.size(), size_t{1});
    QVERIFY(f.form->CutPic.isNull());
    modal.onWait = nullptr;
    f.Find<QToolButton>("Command5")->click();
    QCOMPARE(modal.waits.size(), size_t{4});
    QCOMPARE(f.form->CutPic.size(), QSize(200, 100));
  }
};

QTEST_MAIN(CaptureDelayTest)
#include "CaptureDelayTest.moc"
