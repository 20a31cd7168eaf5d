// Opening, saving and the clipboard commands over a bare canvas and a recording host, without
// the main window.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "core/settings/Settings.h"
#include "document/ImageFiles.h"
#include "document/PictureClipboard.h"
#include "platform/Clipboard.h"
#include "support/FakeModal.h"
#include "view/CanvasWidget.h"

using namespace velmor;
using velmor::platform::CommonDialog;
using velmor::test::FakeModal;
namespace clip = velmor::platform::clipboard;

namespace {

QImage Solid(int width, int height, QRgb colour) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

// Keeps every call in order; a shown picture goes onto the canvas as the window would put it.
class RecordingHost : public document::DocumentHost {
 public:
  explicit RecordingHost(CanvasWidget& canvas) : canvas_(canvas) {}
  QStringList calls;
  void SetStatus(int panel, const QString& text) override {
    calls << QStringLiteral("status %1 %2").arg(panel).arg(text);
  }
  void StartDocument(const QString& stampName) override { calls << "start " + stampName; }
  void ShowPicture(const QImage& picture) override {
    calls << QStringLiteral("show %1x%2").arg(picture.width()).arg(picture.height());
    canvas_.SetPicture(picture);
  }
  void SetCaption(const QString& caption) override { calls << "caption " + caption; }

 private:
  CanvasWidget& canvas_;
};

void Answer(FakeModal& modal, const QString& path) {
  modal.dialogAnswers.push_back([path](CommonDialog& d) {
    d.FileName = path;
    return true;
  });
}

}  // namespace

class DocumentCommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void openShowsThePictureAsANewDocument() {
    QTemporaryDir dir;
    const QString path = QDir::fromNativeSeparators(dir.filePath("map.A.png"));
    QVERIFY(Solid(70, 50, 0xFF336699).save(path, "png"));
    FakeModal modal;
    Answer(modal, path);
    CanvasWidget canvas;
    RecordingHost host(canvas);
    CommonDialog dialog;
    QString folder = "old/", name = "old.jpg";

    document::OpenImage(dialog, folder, name, host);

    QCOMPARE(dialog.DialogTitle, QStringLiteral("画像ﾌｧｲﾙを開く"));
    QCOMPARE(dialog.Filter, QStringLiteral("画像ﾌｧｲﾙ|*.jpg;*.bmp;*.jpeg;*.png"));
    QCOMPARE(folder, QDir::fromNativeSeparators(dir.path()) + '/');
    QCOMPARE(name, QStringLiteral("map.A.png"));
    // The stamp name stops at the first dot.
    QCOMPARE(host.calls, QStringList({"status 1 画像ﾌｧｲﾙを指示", "start map", "show 70x50",
                                      "caption Velmor  map.A.png", "status 1 画像ロード完了"}));
    QCOMPARE(canvas.Picture().pixel(0, 0), 0xFF336699u);
    QVERIFY(modal.messages.empty());
  }

  void unreadableOrUnnamedFilesStartNoDocument() {
    QTemporaryDir dir;
    const QString junk = QDir::fromNativeSeparators(dir.filePath("junk.jpg"));
    QFile file(junk);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a picture");
    file.close();
    FakeModal modal;
    Answer(modal, junk);
    Answer(modal, "/some/where/NODOT");
    CanvasWidget canvas;
    RecordingHost host(canvas);
    CommonDialog dialog;
    QString folder = "old/", name = "old.jpg";

    document::OpenImage(dialog, folder, name, host);
    QCOMPARE(modal.messages.size(), size_t{1});
    QVERIFY(modal.messages[0].text.contains(junk));
    QCOMPARE(modal.messages[0].title, QStringLiteral("Velmor"));
    QCOMPARE(folder, QStringLiteral("old/"));
    QCOMPARE(name, QStringLiteral("old.jpg"));

    document::OpenImage(dialog, folder, name, host);  // only the names are remembered
    QCOMPARE(folder, QStringLiteral("/some/where/"));
    QCOMPARE(name, QStringLiteral("NODOT"));
    QCOMPARE(host.calls, QStringList({"status 1 画像ﾌｧｲﾙを指示", "status 1 画像ﾌｧｲﾙを指示"}));
    QVERIFY(!canvas.HasPicture());
  }

  void saveWritesTheSurfaceOrSaysWhyNot() {
    QTemporaryDir dir;
    FakeModal modal;
    const QString target = QDir::fromNativeSeparators(dir.filePath("out.jpg"));
    Answer(modal, target);
    Answer(modal, QDir::fromNativeSeparators(dir.filePath("missing/out.jpg")));
    CanvasWidget canvas;
    canvas.SetCanvasSize(64, 32);
    canvas.Surface().fill(0xFF808080);
    RecordingHost host(canvas);
    CommonDialog dialog;
    Settings settings;
    QString folder;

    document::SaveImage(dialog, folder, canvas, settings, host);
    QCOMPARE(dialog.DialogTitle, QStringLiteral("画像ﾌｧｲﾙを保存"));
    QCOMPARE(folder, target);
    QCOMPARE(QImage(target).size(), QSize(64, 32));
    QVERIFY(modal.messages.empty());

    document::SaveImage(dialog, folder, canvas, settings, host);
    QCOMPARE(modal.messages.size(), size_t{1});
    QVERIFY(modal.messages[0].text.endsWith(QStringLiteral("は保存できませんでした。")));
    QCOMPARE(host.calls,
             QStringList({"status 1 保存画像ﾌｧｲﾙを指示", "status 1 正常に保存できました。",
                          "status 1 保存画像ﾌｧｲﾙを指示"}));
  }

  void cutCopyAndPasteGoThroughTheClipboard() {
    CanvasWidget canvas;
    QImage picture = Solid(100, 80, 0xFFFFFFFF);
    for (int y = 0; y < 80; ++y) picture.setPixel(30, y, 0xFFFF0000);
    canvas.SetPicture(picture);
    RecordingHost host(canvas);

    // A frame dragged at 200 percent from (80, 40) back to (40, 20): picture pixels 20..39.
    DragState drag;
    drag.StartX = 80, drag.StartY = 40, drag.EndX = 40, drag.EndY = 20;
    ViewState view;
    view.ZoomPercent = 200;
    PanelState panel;
    panel.FrameDragMode = framedrag::kCut;
    QImage cut;
    clip::Clear();
    document::CutFrame(drag, view, panel, canvas, cut);
    QCOMPARE(panel.FrameDragMode, int16_t{0});
    QCOMPARE(QRect(view.FrameLeft, view.FrameTop, view.FrameWidth, view.FrameHeight),
             QRect(20, 10, 20, 10));
    QCOMPARE(cut.size(), QSize(20, 10));
    QCOMPARE(cut.pixel(10, 0), 0xFFFF0000u);
    QCOMPARE(clip::GetPicture(), cut);

    document::PasteImage(host);
    QCOMPARE(host.calls, QStringList({"show 20x10"}));
    QCOMPARE(canvas.Picture().size(), QSize(20, 10));

    canvas.SetPicture(picture);
    document::CopyImage(canvas);
    QCOMPARE(clip::GetPicture().size(), QSize(100, 80));

    // Nothing on the clipboard, nothing pasted; no picture, nothing copied.
    clip::Clear();
    document::PasteImage(host);
    QCOMPARE(host.calls.size(), 1);
    clip::PutPicture(Solid(5, 5, 0xFF000000));
    CanvasWidget empty;
    document::CopyImage(empty);
    QCOMPARE(clip::GetPicture().size(), QSize(5, 5));
  }
};

QTEST_MAIN(DocumentCommandsTest)
#include "DocumentCommandsTest.moc"
