// Cut (a dragged frame), copy and paste through the toolbar: the background picture goes to the
// clipboard, never the figures, and a paste keeps the figures over the new picture.
#include <QClipboard>
#include <QGuiApplication>

#include "app/CanvasDriving.h"
#include "core/model/ControlIndexes.h"
#include "platform/Clipboard.h"
#include "support/FakeModal.h"
#include "support/FormFixture.h"

using namespace velmor;
using namespace velmor::test;
namespace clip = velmor::platform::clipboard;

namespace {
constexpr int kCut = 11, kCopy = 12, kPaste = 13;
}  // namespace

class ClipboardCommandsTest : public FormTest {
  Q_OBJECT

  const QImage picture_ = PatternPicture(160, 120);

  void DrawFigures() {
    ChooseTool(form(), tool::kSegment);
    Drag(form(), {10, 20}, {{150, 20}});
    ChooseTool(form(), tool::kRectangle);
    Drag(form(), {30, 40}, {{90, 100}});
  }

 private slots:
  void init() {
    QVERIFY(StartForm());
    form().Text2->SetBackColor(PackedRgb(255, 0, 0));
    form().Combo1->setCurrentIndex(0);
    form().Combo3->setCurrentIndex(1);
    LoadPicture(form(), picture_);
    clip::Clear();
  }
  void cleanup() { EndForm(); }

  void cutTakesTheFrameOfThePictureAtStoredScale_data() {
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::newRow("top-left to bottom-right") << QPoint(10, 10) << QPoint(50, 30);
    QTest::newRow("bottom-right to top-left") << QPoint(50, 30) << QPoint(10, 10);
    QTest::newRow("bottom-left to top-right") << QPoint(10, 30) << QPoint(50, 10);
  }
  void cutTakesTheFrameOfThePictureAtStoredScale() {
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    DrawFigures();
    ZoomTo(form(), 200);
    const QImage surfaceBefore = form().Picture2->Surface().copy();
    const int count = form().figures.FigureCount;
    form().Toolbar1_ButtonClick(kCut);
    QCOMPARE(form().panel.FrameDragMode, int16_t{2});
    Drag(form(), from, {(from + to) / 2, to});
    QVERIFY(clip::HasBitmap());
    const QImage cut = clip::GetPicture();
    QCOMPARE(cut.size(), QSize(20, 10));
    QCOMPARE(cut, picture_.copy(5, 5, 20, 10));
    QCOMPARE(form().CutPic, cut);
    QCOMPARE(form().panel.FrameDragMode, int16_t{0});
    // Nothing is taken away from the canvas.
    QCOMPARE(form().Picture2->Surface(), surfaceBefore);
    QCOMPARE(form().Picture2->Picture(), picture_);
    QCOMPARE(form().figures.FigureCount, count);
    QCOMPARE(form().view.ZoomPercent, int16_t{200});
  }

  void zeroSizeCutLeavesTheClipboardAlone() {
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    form().Toolbar1_ButtonClick(kCut);
    Drag(form(), {10, 10}, {{10, 40}});
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
    QCOMPARE(form().panel.FrameDragMode, int16_t{0});
    // The next drag draws again.
    ChooseTool(form(), tool::kRectangle);
    Drag(form(), {10, 10}, {{40, 40}});
    QCOMPARE(form().figures.FigureCount, 1);
  }

  void cutPastTheEdgeTakesThePartInsideThePicture() {
    form().Toolbar1_ButtonClick(kCut);
    Drag(form(), {140, 100}, {{170, 130}, {200, 140}});
    QCOMPARE(clip::GetPicture(), picture_.copy(140, 100, 20, 20));
  }

  void copyPutsThePictureWithoutTheFigures() {
    DrawFigures();
    ZoomTo(form(), 150);
    QVERIFY(form().Picture2->Surface().pixel(50, 30) == qRgb(255, 0, 0));
    form().Toolbar1_ButtonClick(kCopy);
    QCOMPARE(clip::GetPicture(), picture_);
  }

  void copyWithoutAPictureKeepsTheClipboard() {
    FormFixture empty;
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    empty.form->Toolbar1_ButtonClick(kCopy);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
  }

  void pasteWithOnlyTextChangesNothing() {
    DrawFigures();
    ZoomTo(form(), 300);
    const QImage surfaceBefore = form().Picture2->Surface().copy();
    QGuiApplication::clipboard()->setText(QStringLiteral("画面"));
    form().Toolbar1_ButtonClick(kPaste);
    QCOMPARE(form().view.ZoomPercent, int16_t{300});
    QCOMPARE(form().Picture2->Picture(), picture_);
    QCOMPARE(form().Picture2->Surface(), surfaceBefore);
    QCOMPARE(form().figures.FigureCount, 2);
  }

  void pasteOfAPictureTooLargeForTheCanvasChangesNothing() {
    ZoomTo(form(), 200);
    clip::PutPicture(PlainPicture(32768, 2));
    form().Toolbar1_ButtonClick(kPaste);
    QCOMPARE(form().view.ZoomPercent, int16_t{200});
    QCOMPARE(form().Picture2->Picture(), picture_);
  }

  void pasteShowsThePictureAt100PercentWithTheFiguresOverIt() {
    DrawFigures();
    ZoomTo(form(), 300);
    form().HScroll1->setValue(50);
    const QImage pasted = PlainPicture(120, 90, qRgb(0, 128, 0));
    clip::PutPicture(pasted);
    form().Toolbar1_ButtonClick(kPaste);
    QCOMPARE(form().view.ZoomPercent, int16_t{100});
    QCOMPARE(form().Picture2->Picture(), pasted);
    QCOMPARE(form().Picture2->size(), QSize(120, 90));
    QCOMPARE(form().Picture2->pos(), QPoint(0, 0));
    QCOMPARE(form().Status(status::kImageSize), QStringLiteral("120 × 90"));
    QCOMPARE(form().figures.FigureCount, 2);
    const QImage& surface = form().Picture2->Surface();
    QCOMPARE(surface.pixel(60, 20), qRgb(255, 0, 0));  // the segment
    QCOMPARE(surface.pixel(30, 70), qRgb(255, 0, 0));  // the rectangle's left side
    QCOMPARE(surface.pixel(60, 70), qRgb(0, 128, 0));
    // And the copy of it is the pasted picture alone.
    form().Toolbar1_ButtonClick(kCopy);
    QCOMPARE(clip::GetPicture(), pasted);
  }
};

QTEST_MAIN(ClipboardCommandsTest)
#include "ClipboardCommandsTest.moc"
