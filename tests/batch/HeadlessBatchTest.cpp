// The batch run without a window, against the window's own run of the same folder.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "app/ColorSwatch.h"
#include "batch/BatchRun.h"
#include "batch/HeadlessBatch.h"
#include "formats/MetafileBuilders.h"
#include "support/FakeModal.h"
#include "support/FormFixture.h"
#include "view/CanvasWidget.h"

using velmor::Form1;
using velmor::PanelState;
using velmor::Settings;
using velmor::batch::BatchHost;
using velmor::batch::BatchProblem;
using velmor::batch::HeadlessBatchHost;
using velmor::batch::OwnSurface;
using velmor::batch::StampLook;
using velmor::test::ColorRef;
using velmor::test::FakeModal;
using velmor::test::FormFixture;
namespace slot = velmor::slot;

namespace {

QImage Solid(int width, int height, QRgb colour) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

QByteArray Bytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

void SetStampSlots(Settings& settings) {
  settings.Set(slot::kFontName, std::string("IPAGothic"));
  settings.Set(slot::kFontSize, int16_t{12});
  settings.Set(slot::kFontBold, false);
  settings.Set(slot::kFontItalic, false);
  settings.Set(slot::kJpegQuality, int16_t{90});
}

Settings StampSettings() {
  Settings settings;
  SetStampSlots(settings);
  return settings;
}

// Records what the run tells its host, over a headless surface.
class RecordingHost : public HeadlessBatchHost {
 public:
  using HeadlessBatchHost::HeadlessBatchHost;
  QStringList listed;
  QStringList progress;  // "done/count name ok|problem"
  void Listed(const QStringList& listing) override { listed = listing; }
  void Progress(int done, int count, const QString& path, const BatchProblem* problem) override {
    progress << QStringLiteral("%1/%2 %3 %4")
                    .arg(done)
                    .arg(count)
                    .arg(QFileInfo(path).fileName(), problem ? "problem" : "ok");
  }
};

}  // namespace

class HeadlessBatchTest : public QObject {
  Q_OBJECT

 private slots:
  void writesWhatTheWindowWrites() {
    // Two copies of one folder: the window does one, the headless run the other.
    QTemporaryDir windowDir, headlessDir;
    for (const QTemporaryDir* dir : {&windowDir, &headlessDir}) {
      QVERIFY(Solid(160, 120, 0xFF3060A0).save(dir->filePath("ABC-123.png"), "png"));
      QVERIFY(Solid(90, 70, 0xFFE0E0E0).save(dir->filePath("XY-1.bmp"), "bmp"));
    }
    FakeModal modal;
    FormFixture fixture;
    Form1& form = *fixture.form;
    SetStampSlots(form.settings);
    form.Text5->SetBackColor(ColorRef(255, 255, 0));
    form.BatchStampFolderIn(windowDir.path());

    StampLook look;
    look.LineStyle = static_cast<int16_t>(form.LineStyleIndex());
    look.FillStyle = static_cast<int16_t>(form.FillStyleIndex());
    look.BackColor = ColorRef(255, 255, 0);
    PanelState pen;
    pen.PenColor = form.panel.PenColor;
    pen.PenWidth = form.panel.PenWidth;
    HeadlessBatchHost host(look, pen);
    const Settings settings = StampSettings();
    const auto summary = velmor::batch::RunBatch({headlessDir.path(), &settings}, host);

    QVERIFY(summary.FolderFound);
    QCOMPARE(summary.Listed, 2);
    QCOMPARE(summary.Written, 2);
    QVERIFY(host.Messages().isEmpty());
    QVERIFY(modal.messages.empty());
    for (const char* name : {"ABC/123.png", "XY/1.bmp"}) {
      const QByteArray written = Bytes(headlessDir.filePath(name));
      QVERIFY2(!written.isEmpty(), name);
      QVERIFY2(written == Bytes(windowDir.filePath(name)), name);
    }
    // The last file done is the first listed; its stamped surface is what the window shows.
    QCOMPARE(host.LastSurface(), form.Picture2->Surface());
  }

  void problemsAreReportedOnceAfterEveryFile() {
    QTemporaryDir dir;
    QVERIFY(Solid(30, 30, 0xFFFFFFFF).save(dir.filePath("A-1.png"), "png"));
    QVERIFY(Solid(30, 30, 0xFFFFFFFF).save(dir.filePath("plain.png"), "png"));
    QFile junk(dir.filePath("C-1.jpg"));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("junk");
    junk.close();

    RecordingHost host;
    const Settings settings = StampSettings();
    const auto summary = velmor::batch::RunBatch({dir.path(), &settings}, host);

    const QString folder = QDir::fromNativeSeparators(dir.path()) + '/';
    QCOMPARE(host.listed,
             QStringList({folder + "A-1.png", folder + "C-1.jpg", folder + "plain.png"}));
    QCOMPARE(host.progress,
             QStringList({"1/3 plain.png problem", "2/3 C-1.jpg problem", "3/3 A-1.png ok"}));
    QCOMPARE(summary.Written, 1);
    QCOMPARE(summary.Problems.size(), size_t{2});
    QCOMPARE(summary.Problems[0].FileName, QStringLiteral("plain.png"));
    QCOMPARE(host.Messages().size(), 1);
    QVERIFY(host.Messages()[0].startsWith(QStringLiteral("2 個")));
    QCOMPARE(host.Messages()[0], velmor::batch::ProblemsMessage(summary.Problems));
    QVERIFY(QFileInfo(dir.filePath("A/1.png")).isFile());
  }

  void plantedLinksNeverRedirectACopy() {
    // The source folder is shared: ABC is a link to another folder, DEF/1.jpg a link to a file
    // of the user's. Neither target may change; both files are skipped with their reason.
    QTemporaryDir dir, elsewhere;
    const QString victim = elsewhere.filePath("victim.txt");
    QFile victimFile(victim);
    QVERIFY(victimFile.open(QIODevice::WriteOnly));
    victimFile.write("keep me");
    victimFile.close();
    QVERIFY(QFile::link(elsewhere.path(), dir.filePath("ABC")));
    QVERIFY(QDir(dir.path()).mkdir("DEF"));
    QVERIFY(QFile::link(victim, dir.filePath("DEF/1.jpg")));
    QVERIFY(Solid(30, 30, 0xFFFFFFFF).save(dir.filePath("ABC-123.png"), "png"));
    QVERIFY(Solid(30, 30, 0xFFFFFFFF).save(dir.filePath("DEF-1.jpg"), "jpg"));
    QVERIFY(Solid(30, 30, 0xFFFFFFFF).save(dir.filePath("GHI-2.png"), "png"));
    const QStringList outsideBefore = QDir(elsewhere.path()).entryList(QDir::Files);

    RecordingHost host;
    const Settings settings = StampSettings();
    const auto summary = velmor::batch::RunBatch({dir.path(), &settings}, host);

    QCOMPARE(Bytes(victim), QByteArray("keep me"));
    QCOMPARE(QDir(elsewhere.path()).entryList(QDir::Files), outsideBefore);
    QVERIFY(QFileInfo(dir.filePath("DEF/1.jpg")).isSymLink());
    QVERIFY(QFileInfo(dir.filePath("GHI/2.png")).isFile());  // the others still go through
    QCOMPARE(summary.Written, 1);
    QStringList reasons;
    for (const BatchProblem& p : summary.Problems) reasons << p.FileName + " " + p.Reason;
    reasons.sort();
    QCOMPARE(reasons,
             QStringList({QStringLiteral("ABC-123.png 出力先 ABC はリンクなので使いません"),
                          QStringLiteral("DEF-1.jpg 1.jpg はリンクなので上書きしません")}));
  }

  void missingFolderIsReportedAndNothingListed() {
    QTemporaryDir dir;
    RecordingHost host;
    const Settings settings = StampSettings();
    const auto summary = velmor::batch::RunBatch({dir.filePath("nowhere"), &settings}, host);
    QVERIFY(!summary.FolderFound);
    QVERIFY(host.listed.isEmpty() && host.progress.isEmpty());
    QCOMPARE(host.Messages().size(), 1);
    QVERIFY(host.Messages()[0].contains(QStringLiteral("見つかりません")));
  }

  void surfacesOfTheirOwnDoNotShare() {
    // One picture's work on one surface leaves another surface's picture and state alone, so
    // pictures can be done side by side.
    QTemporaryDir dir;
    QVERIFY(Solid(80, 60, 0xFF00FF00).save(dir.filePath("G-1.png"), "png"));
    QVERIFY(Solid(50, 40, 0xFF0000FF).save(dir.filePath("B-22.png"), "png"));
    const Settings settings = StampSettings();
    OwnSurface first, second;
    QVERIFY(!velmor::batch::ProcessPicture(dir.filePath("G-1.png"), settings, 90, first));
    QVERIFY(!velmor::batch::ProcessPicture(dir.filePath("B-22.png"), settings, 90, second));
    QCOMPARE(first.Surface().size(), QSize(80, 60));
    QCOMPARE(first.Surface().pixel(0, 0), 0xFF00FF00u);
    QCOMPARE(second.Surface().size(), QSize(50, 40));
    QCOMPARE(first.Text().TextString, std::string("G-1"));
    QCOMPARE(second.Text().TextString, std::string("B-22"));
    QVERIFY(QFileInfo(dir.filePath("G/1.png")).isFile());
    QVERIFY(QFileInfo(dir.filePath("B/22.png")).isFile());
  }
};

QTEST_MAIN(HeadlessBatchTest)
#include "HeadlessBatchTest.moc"
