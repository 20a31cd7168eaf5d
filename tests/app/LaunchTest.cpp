// Requests from the command line or a later copy, carried out on the main window: a file opened
// as the open command opens it, a request that arrives during a wait kept for its end, and the
// batch's report as the command line prints it.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include "app/CommandLine.h"
#include "app/Launch.h"
#include "core/model/ControlIndexes.h"
#include "core/settings/Settings.h"
#include "support/FakeModal.h"
#include "support/FormFixture.h"
#include "view/CanvasWidget.h"

using velmor::test::FakeModal;
using velmor::test::FormFixture;

namespace {

QImage Solid(int width, int height, QRgb colour) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

struct BatchRun {
  int code = -1;
  QStringList out;
  QString err;
};

BatchRun RunBatch(velmor::Form1& form, const QString& folder) {
  QString out, err;
  QTextStream outStream(&out), errStream(&err);
  BatchRun run;
  run.code = velmor::RunBatchWithoutWindow(form, folder, outStream, errStream);
  run.out = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  run.err = err;
  return run;
}

}  // namespace

class LaunchTest : public QObject {
  Q_OBJECT

  QTemporaryDir temp_;

 private slots:
  void aFileOpensAsTheOpenCommandOpensIt() {
    FakeModal modal;
    FormFixture f;
    const QString path = temp_.filePath(QStringLiteral("見本-1.png"));
    QVERIFY(Solid(64, 48, qRgb(10, 200, 30)).save(path));
    velmor::OpenAsOpenCommand(*f.form, path);
    QCOMPARE(f.form->windowTitle(), QStringLiteral("Velmor  見本-1.png"));
    QCOMPARE(f.form->Picture2->ScaleWidth(), 64);
    QCOMPARE(f.form->Picture2->Surface().pixel(5, 5), qRgb(10, 200, 30));
    QCOMPARE(f.form->Status(velmor::status::kPrompt), QStringLiteral("画像ロード完了"));
    QVERIFY(modal.dialogs.empty());  // the dialog was answered, never shown
    QVERIFY(modal.messages.empty());

    // A file that is not a picture gets the open command's own message; the next open dialog,
    // one the user opens, is the user's again.
    const QString broken = temp_.filePath(QStringLiteral("broken.jpg"));
    QFile file(broken);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a picture");
    file.close();
    velmor::OpenAsOpenCommand(*f.form, broken);
    QCOMPARE(modal.messages.size(), size_t{1});
    QVERIFY(modal.messages[0].text.contains(broken));
    QCOMPARE(f.form->windowTitle(), QStringLiteral("Velmor  見本-1.png"));
    f.form->OpenImage();
    QCOMPARE(modal.dialogs.size(), size_t{1});
    QCOMPARE(modal.dialogs[0].first, velmor::platform::DialogKind::Open);
  }

  // A later copy's file reaching the program during a dialog or a wait is opened after it, not
  // in the middle of what the user is doing.
  void aRequestDuringAWaitWaitsForItsEnd() {
    FormFixture f;  // the real wait, which lets events run as a capture's wait does
    const QString path = temp_.filePath(QStringLiteral("later-1.png"));
    QVERIFY(Solid(30, 20, qRgb(200, 0, 0)).save(path));
    bool arrived = false;
    QString titleInside;
    QTimer::singleShot(50, f.form.get(), [&] {
      arrived = true;
      velmor::CarryOutRequest(*f.form, {path, QString(), 0});
      titleInside = f.form->windowTitle();
    });
    velmor::platform::Modal().WaitWithEvents(0.4);
    QVERIFY(arrived);
    QCOMPARE(titleInside, QStringLiteral("Velmor"));
    QCOMPARE(f.form->windowTitle(), QStringLiteral("Velmor"));
    QTRY_COMPARE(f.form->windowTitle(), QStringLiteral("Velmor  later-1.png"));
    QCOMPARE(f.form->Picture2->ScaleWidth(), 30);
  }

  // A capture asked for with --delay waits those seconds instead of the toolbar's delay,
  // --delay 0 none at all; without --delay the toolbar's delay counts down.
  void theCommandLinesDelayTakesTheToolbarsPlace_data() {
    QTest::addColumn<double>("delay");
    QTest::addColumn<bool>("noDelay");
    QTest::addColumn<QList<double>>("waits");
    QTest::addColumn<int>("countdownTexts");
    // The fixed rectangle's own wait of 1 s comes last each time.
    QTest::newRow("--delay 2") << 2.0 << false << QList<double>{2.0, 1.0} << 0;
    QTest::newRow("--delay 0") << 0.0 << true << QList<double>{1.0} << 0;
    QTest::newRow("no --delay") << 0.0 << false << QList<double>{1.0, 1.0, 1.0, 1.0} << 3;
  }
  void theCommandLinesDelayTakesTheToolbarsPlace() {
    QFETCH(double, delay);
    QFETCH(bool, noDelay);
    QFETCH(QList<double>, waits);
    QFETCH(int, countdownTexts);
    velmor::Settings s;
    s.Set(velmor::slot::kCaptureCX, 400.0);
    s.Set(velmor::slot::kCaptureCY, 300.0);
    s.Set(velmor::slot::kCaptureDX, 200.0);
    s.Set(velmor::slot::kCaptureDY, 100.0);
    s.Set(velmor::slot::kCaptureDelay, int16_t{3});
    FakeModal modal;
    FormFixture f(&s);
    int counted = 0;
    modal.onWait = [&](double) {
      if (f.form->Status(velmor::status::kPrompt).startsWith(QStringLiteral("キャプチャまで")))
        ++counted;
    };
    velmor::CarryOutRequest(*f.form, {QString(), QStringLiteral("rect"), delay, noDelay});
    QCOMPARE(QList<double>(modal.waits.begin(), modal.waits.end()), waits);
    QCOMPARE(counted, countdownTexts);
    QCOMPARE(f.form->CutPic.size(), QSize(200, 100));  // the capture ran
    QVERIFY(modal.messages.empty());

    // The toolbar's delay is the box's again for the user's next capture.
    modal.waits.clear();
    f.form->Command5->click();
    QCOMPARE(modal.waits.size(), size_t{4});
  }

  void theBatchReportsEachSkippedFileAndEndsWithOne() {
    FakeModal modal;
    FormFixture f;
    const QString folder = temp_.filePath(QStringLiteral("batch"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(Solid(40, 30, qRgb(0, 0, 255)).save(folder + QStringLiteral("/ABC-123.jpg")));
    QVERIFY(Solid(40, 30, qRgb(0, 0, 255)).save(folder + QStringLiteral("/nodash.png")));
    QFile broken(folder + QStringLiteral("/D-1.jpg"));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("not a picture");
    broken.close();

    const BatchRun run = RunBatch(*f.form, folder);
    QCOMPARE(run.code, velmor::kExitSkippedFiles);
    QVERIFY(run.err.isEmpty());
    QCOMPARE(run.out.size(), 3);
    QVERIFY(run.out.filter(QRegularExpression(QStringLiteral("^nodash.png : "))).size() == 1);
    QVERIFY(run.out.filter(QRegularExpression(QStringLiteral("^D-1.jpg : "))).size() == 1);
    QCOMPARE(run.out.last(),
             QStringLiteral("1 個のﾌｧｲﾙを保存しました。2 個のﾌｧｲﾙを処理できませんでした。"));
    QVERIFY(QFile::exists(folder + QStringLiteral("/ABC/123.jpg")));
    QVERIFY(modal.messages.empty());  // nothing reached a message box
    QVERIFY(!f.form->isVisible());
  }

  void aCleanBatchEndsWithZeroAndAMissingFolderWithTwo() {
    FakeModal modal;
    FormFixture f;
    const QString folder = temp_.filePath(QStringLiteral("clean"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(Solid(20, 20, qRgb(9, 9, 9)).save(folder + QStringLiteral("/x-1.png")));
    const BatchRun clean = RunBatch(*f.form, folder);
    QCOMPARE(clean.code, 0);
    QCOMPARE(clean.out, QStringList{QStringLiteral(
                            "1 個のﾌｧｲﾙを保存しました。0 個のﾌｧｲﾙを処理できませんでした。")});

    const BatchRun missing = RunBatch(*f.form, temp_.filePath(QStringLiteral("nowhere")));
    QCOMPARE(missing.code, velmor::kExitUsage);
    QVERIFY(missing.out.isEmpty());
    QVERIFY(missing.err.startsWith(QStringLiteral("velmor: ")));
    QVERIFY(missing.err.contains(QStringLiteral("nowhere")));
  }
};

QTEST_MAIN(LaunchTest)
#include "LaunchTest.moc"
