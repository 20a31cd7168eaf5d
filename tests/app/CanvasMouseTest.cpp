// The canvas under real mouse events: rubber bands, the drawing tools, move and delete with
// undo, the right-button pan, the picks of the trim tools and the position in the status bar.
#include "app/CanvasDriving.h"
#include "core/model/ControlIndexes.h"
#include "raster/GdiCanvas.h"
#include "support/FakeModal.h"
#include "support/FormFixture.h"

using namespace velmor;
using namespace velmor::test;

namespace {

constexpr QRgb kRed = qRgb(255, 0, 0);
constexpr QRgb kWhite = qRgb(255, 255, 255);

bool RedNear(const QImage& image, int x, int y) {
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx)
      if (image.valid(x + dx, y + dy) && image.pixel(x + dx, y + dy) == kRed) return true;
  return false;
}

QRect ChangedArea(const QImage& before, const QImage& after) {
  QRect box;
  for (int y = 0; y < after.height(); ++y)
    for (int x = 0; x < after.width(); ++x)
      if (after.pixel(x, y) != before.pixel(x, y)) box |= QRect(x, y, 1, 1);
  return box;
}

}  // namespace

class CanvasMouseTest : public FormTest {
  Q_OBJECT

  QImage Surface() { return form().Picture2->Surface().copy(); }

 private slots:
  void init() {
    QVERIFY(StartForm());
    form().Text2->SetBackColor(PackedRgb(255, 0, 0));
    form().Text5->SetBackColor(PackedRgb(0, 0, 255));
    form().Combo1->setCurrentIndex(0);  // solid
    form().Combo3->setCurrentIndex(1);  // no fill
    form().Combo2->setCurrentText(QStringLiteral("1.0"));
    form().Text3->clear();
    Settings& s = form().settings;
    s.Set(slot::kWingAngle, 30.0);
    s.Set(slot::kWingLength, 10.0);
    s.Set(slot::kFontName, std::string("IPAGothic"));
    s.Set(slot::kFontSize, 10.0);
    s.Set(slot::kSegmentCaption, int16_t{0});
    s.Set(slot::kFixedCircle, int16_t{0});
    s.Set(slot::kCaptionPlacement, std::string("上"));
    LoadPicture(form(), PlainPicture(300, 200));
  }
  void cleanup() { EndForm(); }

  // ---- segment tool ----

  void clickWithoutMovingStoresZeroLengthSegmentWithoutArrowOrCaption() {
    form().panel.ArrowOn = 1;
    form().settings.Set(slot::kSegmentCaption, int16_t{1});
    form().Text3->setText(QStringLiteral("abc"));
    const QImage before = Surface();
    ChooseTool(form(), tool::kSegment);
    Click(form(), {30, 40});
    QCOMPARE(form().figures.FigureCount, 1);
    QCOMPARE(form().figures.Kind(1), 1);
    QCOMPARE(Cell(form(), 1, fig::kX1), 30.0);
    QCOMPARE(Cell(form(), 1, fig::kY1), 40.0);
    QCOMPARE(Cell(form(), 1, fig::kX2), 30.0);
    QCOMPARE(Cell(form(), 1, fig::kY2), 40.0);
    // One dot, no wings, no caption.
    QCOMPARE(ChangedArea(before, Surface()), QRect(30, 40, 1, 1));
    QCOMPARE(Surface().pixel(30, 40), kRed);
    QCOMPARE(form().Status(status::kFigureCount), QStringLiteral("1"));
  }

  void releasePointIsTheLastPointSeenWhileDragging() {
    ChooseTool(form(), tool::kSegment);
    Press(form(), {10, 10});
    MoveTo(form(), {50, 10});
    Release(form(), {80, 80});
    QCOMPARE(Cell(form(), 1, fig::kX2), 50.0);
    QCOMPARE(Cell(form(), 1, fig::kY2), 10.0);
  }

  void segmentAt200PercentIsStoredAt100WithItsArrowHead() {
    ZoomTo(form(), 200);
    form().panel.ArrowOn = 1;
    ChooseTool(form(), tool::kSegment);
    Drag(form(), {20, 20}, {{120, 20}, {220, 20}});
    QCOMPARE(Cell(form(), 1, fig::kX1), 10.0);
    QCOMPARE(Cell(form(), 1, fig::kX2), 110.0);
    QCOMPARE(Cell(form(), 1, fig::kY2), 10.0);
    QCOMPARE(Cell(form(), 1, fig::kArrow), 1.0);
    const QImage surface = Surface();
    QCOMPARE(surface.pixel(100, 20), kRed);
    // Wings of 10 x 2 pixels at 30 degrees end near (202.7, 10) and (202.7, 30).
    QVERIFY(RedNear(surface, 211, 15));
    QVERIFY(RedNear(surface, 211, 25));
    QVERIFY(RedNear(surface, 203, 10));
    QVERIFY(!RedNear(surface, 198, 8));
  }

  void captionTakesTheRowAfterItsSegment() {
    form().settings.Set(slot::kSegmentCaption, int16_t{1});
    form().Text3->setText(QStringLiteral("ab"));
    ChooseTool(form(), tool::kSegment);
    Drag(form(), {20, 100}, {{220, 100}});
    QCOMPARE(form().figures.FigureCount, 2);
    QCOMPARE(form().figures.Kind(1), 1);
    QCOMPARE(form().figures.Kind(2), 4);
    QCOMPARE(form().figures.Text(2, fig::text::kString), std::string("ab"));
    QCOMPARE(form().Status(status::kFigureCount), QStringLiteral("2"));
  }

  void fullTableRefusesWithOneMessage() {
    form().settings.Set(slot::kSegmentCaption, int16_t{1});
    form().Text3->setText(QStringLiteral("ab"));
    for (int row = 1; row <= 1000; ++row) form().figures.At(row, fig::kKind) = int16_t{999};
    form().figures.FigureCount = 1000;
    form().SetStatus(status::kFigureCount, QStringLiteral("1000"));
    ChooseTool(form(), tool::kSegment);
    Drag(form(), {20, 100}, {{220, 100}});
    QCOMPARE(form().figures.FigureCount, 1000);
    QCOMPARE(modal_->messages.size(), size_t{1});
    QCOMPARE(modal_->messages[0].text, QStringLiteral("これ以上作画出来ません。"));
    QCOMPARE(modal_->messages[0].title, QStringLiteral("Velmor"));
    QCOMPARE(modal_->messages[0].icon, platform::MsgIcon::None);
    QCOMPARE(modal_->messages[0].buttons, platform::MsgButtons::Ok);
    QCOMPARE(form().Status(status::kFigureCount), QStringLiteral("1000"));
    QCOMPARE(form().figures.Kind(fig::kUndoRow), 0);
  }

  // ---- rubber bands ----

  void rubberLineIsShownWhileDraggingAndLeavesNoTrace() {
    ChooseTool(form(), tool::kText);  // text with an empty box: the band, then nothing drawn
    const QImage before = Surface();
    Press(form(), {20, 20});
    MoveTo(form(), {100, 60});
    QVERIFY(ChangedArea(before, Surface()).contains(QRect(20, 20, 81, 41)));
    MoveTo(form(), {150, 20});
    MoveTo(form(), {20, 20});  // back onto the press point
    MoveTo(form(), {120, 90});
    Release(form(), {120, 90});
    QCOMPARE(Surface(), before);
    QCOMPARE(form().figures.FigureCount, 0);
  }

  void rubberBandOfTheMoveToolGoesWhenNothingIsMoved() {
    ChooseTool(form(), tool::kMove);
    const QImage before = Surface();
    Drag(form(), {20, 20}, {{60, 70}, {90, 30}});
    QCOMPARE(Surface(), before);
  }

  void rubberBandSurvivesAnotherPenBetweenMoves() {
    ChooseTool(form(), tool::kText);
    const QImage before = Surface();
    Press(form(), {20, 20});
    MoveTo(form(), {100, 60});
    // Something else drew in between and left its pen on the canvas.
    platform::GdiCanvas& canvas = form().Canvas();
    canvas.SetDrawMode(platform::kCopyPen);
    canvas.SetForeColor(PackedRgb(0, 255, 0));
    canvas.SetDrawStyle(platform::kSolid);
    canvas.SetDrawWidth(5);
    canvas.SetFillStyle(platform::kFillSolid);
    MoveTo(form(), {140, 90});
    Release(form(), {140, 90});
    QCOMPARE(Surface(), before);
  }

  void refreshDuringTheDragDoesNotStrandTheBand() {
    ChooseTool(form(), tool::kText);
    const QImage before = Surface();
    Press(form(), {20, 20});
    MoveTo(form(), {100, 60});
    form().RefreshView();
    MoveTo(form(), {140, 90});
    Release(form(), {140, 90});
    QCOMPARE(Surface(), before);
  }

  void rubberBoxOfACutLeavesNoTrace() {
    form().Toolbar1_ButtonClick(toolbar::kCut);
    const QImage before = Surface();
    Drag(form(), {10, 10}, {{80, 50}, {40, 90}});
    QCOMPARE(Surface(), before);
    QCOMPARE(form().panel.FrameDragMode, int16_t{0});
  }

  void rubberCircleIsErasedBeforeTheCircleIsDrawn() {
    ChooseTool(form(), tool::kCircle);
    const QImage before = Surface();
    Press(form(), {100, 100});
    MoveTo(form(), {160, 100});  // radius 60
    QVERIFY(ChangedArea(before, Surface()).width() >= 120);
    MoveTo(form(), {100, 120});  // radius 20
    Release(form(), {100, 120});
    QCOMPARE(Cell(form(), 1, fig::kRadius), 20.0);
    const QRect changed = ChangedArea(before, Surface());
    QVERIFY2(QRect(79, 79, 43, 43).contains(changed), qPrintable(QString("%1,%2 %3x%4")
                                                                     .arg(changed.x())
                                                                     .arg(changed.y())
                                                                     .arg(changed.width())
                                                                     .arg(changed.height())));
  }

  // ---- circle ----

  void fixedCircleRadiusIsScaledForDisplayAndStoredAsSet() {
    form().settings.Set(slot::kFixedCircle, int16_t{1});
    form().settings.Set(slot::kCircleRadius, int16_t{20});
    ZoomTo(form(), 200);
    ChooseTool(form(), tool::kCircle);
    Drag(form(), {100, 100}, {{105, 100}});
    QCOMPARE(Cell(form(), 1, fig::kX1), 50.0);
    QCOMPARE(Cell(form(), 1, fig::kRadius), 20.0);
    QCOMPARE(Cell(form(), 1, fig::kEllipseRatio), 1.0);
    const QImage surface = Surface();
    int rightmost = -1;
    for (int x = 0; x < surface.width(); ++x)
      if (surface.pixel(x, 100) == kRed) rightmost = x;
    QVERIFY2(rightmost >= 139 && rightmost <= 141, qPrintable(QString::number(rightmost)));
    QVERIFY(surface.pixel(105, 100) != kRed);
  }

  // ---- text ----

  void textFollowsTheDragDirection() {
    form().Text3->setText(QStringLiteral("AB"));
    ChooseTool(form(), tool::kText);
    Click(form(), {20, 20});
    QCOMPARE(form().figures.Kind(1), 4);
    QCOMPARE(form().figures.Text(1, fig::text::kString), std::string("AB"));
    QCOMPARE(Cell(form(), 1, fig::text::kAngle), 0.0);
    QCOMPARE(form().figures.Text(1, fig::text::kFontName), std::string("IPAGothic"));
    Drag(form(), {50, 150}, {{50, 50}});  // up the screen
    QVERIFY(qAbs(Cell(form(), 2, fig::text::kAngle) - -270.0) < 1e-6);
    QCOMPARE(form().figures.FigureCount, 2);
  }

  // ---- move, delete, undo ----

  void movingARectangleShiftsBothCornersByTheDragAtStoredScale() {
    ZoomTo(form(), 200);
    ChooseTool(form(), tool::kRectangle);
    Drag(form(), {20, 20}, {{60, 40}});
    QCOMPARE(Cell(form(), 1, fig::kX2), 30.0);
    ChooseTool(form(), tool::kMove);
    Drag(form(), {21, 19}, {{40, 30}, {61, 39}});
    QCOMPARE(Cell(form(), 1, fig::kX1), 30.0);
    QCOMPARE(Cell(form(), 1, fig::kY1), 20.0);
    QCOMPARE(Cell(form(), 1, fig::kX2), 50.0);
    QCOMPARE(Cell(form(), 1, fig::kY2), 30.0);
    QVERIFY(form().UNDB->isEnabled());
    form().UNDB->click();
    QCOMPARE(Cell(form(), 1, fig::kX1), 10.0);
    QCOMPARE(Cell(form(), 1, fig::kX2), 30.0);
    // Drawing the rectangle was an edit too: the next press takes it away, then nothing is left.
    QVERIFY(form().UNDB->isEnabled());
    form().UNDB->click();
    QCOMPARE(form().figures.FigureCount, 0);
    QVERIFY(!form().UNDB->isEnabled());
  }

  void movingACircleShiftsOnlyItsCentre() {
    form().settings.Set(slot::kFixedCircle, int16_t{1});
    form().settings.Set(slot::kCircleRadius, int16_t{10});
    ChooseTool(form(), tool::kCircle);
    Click(form(), {50, 50});
    ChooseTool(form(), tool::kMove);
    Drag(form(), {50, 50}, {{70, 80}});
    QCOMPARE(Cell(form(), 1, fig::kX1), 70.0);
    QCOMPARE(Cell(form(), 1, fig::kY1), 80.0);
    QCOMPARE(Cell(form(), 1, fig::kRadius), 10.0);
    const QImage surface = Surface();
    QVERIFY(RedNear(surface, 80, 80));
    QVERIFY(!RedNear(surface, 60, 50));
    form().UNDB->click();
    QCOMPARE(Cell(form(), 1, fig::kX1), 50.0);
    QCOMPARE(Cell(form(), 1, fig::kY1), 50.0);
  }

  void deleteHidesTheNearestFigureAndUndoBringsItBack() {
    ChooseTool(form(), tool::kSegment);
    Drag(form(), {10, 30}, {{200, 30}});
    Drag(form(), {10, 90}, {{200, 90}});
    ChooseTool(form(), tool::kDelete);
    Click(form(), {100, 80});
    QCOMPARE(form().figures.Kind(2), 999);
    QCOMPARE(form().figures.Kind(1), 1);
    QCOMPARE(Surface().pixel(100, 90), kWhite);
    QCOMPARE(Surface().pixel(100, 30), kRed);
    QVERIFY(form().UNDB->isEnabled());
    form().UNDB->click();
    QCOMPARE(form().figures.Kind(2), 1);
    QCOMPARE(Surface().pixel(100, 90), kRed);
    // Two more presses take the segments back; then the button is off.
    form().UNDB->click();
    form().UNDB->click();
    QCOMPARE(form().figures.FigureCount, 0);
    QCOMPARE(Surface().pixel(100, 30), kWhite);
    QVERIFY(!form().UNDB->isEnabled());
  }

  void clicksWithoutFiguresChangeNothing() {
    const QImage before = Surface();
    for (int tool : {8, 9, 10, 12, 13}) {
      ChooseTool(form(), tool);
      Click(form(), {40, 40});
    }
    QCOMPARE(Surface(), before);
    QVERIFY(!form().UNDB->isEnabled());
    QVERIFY(modal_->messages.empty());
  }

  void newPictureDropsTheFiguresAndTheUndo() {
    ChooseTool(form(), tool::kSegment);
    Drag(form(), {10, 30}, {{200, 30}});
    ChooseTool(form(), tool::kDelete);
    Click(form(), {100, 30});
    QVERIFY(form().UNDB->isEnabled());
    const QString file = f_->folder.filePath(QStringLiteral("next.bmp"));
    QVERIFY(PlainPicture(50, 40).save(file));
    modal_->dialogAnswers.push_back([&](platform::CommonDialog& d) {
      d.FileName = file;
      return true;
    });
    form().OpenImage();
    QCOMPARE(form().figures.FigureCount, 0);
    QVERIFY(!form().UNDB->isEnabled());
  }

  // ---- right button ----

  void rightDragPansTheViewAndDrawsNothing() {
    LoadPicture(form(), PatternPicture(1500, 1000));
    form().HScroll1->setValue(100);
    form().VScroll1->setValue(40);
    ChooseTool(form(), tool::kSegment);
    Drag(form(), {300, 200}, {{280, 210}, {250, 170}}, Qt::RightButton);
    QCOMPARE(form().HScroll1->value(), 150);
    QCOMPARE(form().VScroll1->value(), 70);
    QCOMPARE(form().Picture2->pos(), QPoint(-150, -70));
    QCOMPARE(form().figures.FigureCount, 0);
    QCOMPARE(Surface(), PatternPicture(1500, 1000));
  }

  // ---- pointer and status ----

  void positionInPanelSixIsTheCanvasPixelAtEveryZoom() {
    for (int zoom : {100, 300}) {
      ZoomTo(form(), zoom);
      MoveTo(form(), {10, 20});
      QCOMPARE(form().Status(status::kPosition), QStringLiteral(" X=10 Y=20"));
      form().SetStatus(status::kPosition, QString());
      form().Picture2_MouseMove(1, 0, 12.5f, 7);
      QCOMPARE(form().Status(status::kPosition), QStringLiteral(" X=12.5 Y=7"));
    }
  }

  void pointerFollowsTheTool() {
    const auto shapeAfterMove = [&](int tool, int button) {
      ChooseTool(form(), tool);
      form().Picture2_MouseMove(button, 0, 5, 5);
      return form().Picture2->cursor().shape();
    };
    QCOMPARE(shapeAfterMove(1, 0), Qt::CrossCursor);
    QCOMPARE(shapeAfterMove(4, 0), Qt::CrossCursor);
    QCOMPARE(shapeAfterMove(8, 0), Qt::SizeAllCursor);
    QCOMPARE(shapeAfterMove(9, 0), Qt::ArrowCursor);
    QCOMPARE(shapeAfterMove(13, 0), Qt::ArrowCursor);
    form().Toolbar1_ButtonClick(toolbar::kZoomFrame);
    form().Picture2_MouseMove(1, 0, 5, 5);
    QCOMPARE(form().Picture2->cursor().shape(), Qt::CrossCursor);
    ChooseTool(form(), tool::kDelete);
    form().Picture2_MouseDown(2, 0, 5, 5);
    QCOMPARE(form().Picture2->cursor().shape(), Qt::SizeAllCursor);
  }

  // ---- picks ----

  void pickMarksTheSegmentAndChoosesTheEndToMove_data() {
    QTest::addColumn<QPoint>("click");
    QTest::addColumn<int>("marker");
    QTest::newRow("equal distance") << QPoint(60, 55) << 4;
    QTest::newRow("near the first end") << QPoint(15, 51) << 4;
    QTest::newRow("near the second end") << QPoint(100, 52) << 2;
  }
  void pickMarksTheSegmentAndChoosesTheEndToMove() {
    QFETCH(QPoint, click);
    QFETCH(int, marker);
    ChooseTool(form(), tool::kSegment);
    Drag(form(), {10, 50}, {{110, 50}});
    ChooseTool(form(), tool::kTrimBoth);
    Click(form(), click);
    QCOMPARE(form().drag.Picks[0][0], 1);
    QCOMPARE(form().drag.Picks[0][1], marker);
    QCOMPARE(Surface().pixel(30, 50), qRgb(127, 255, 255));
    // Another tool forgets the pick.
    ChooseTool(form(), tool::kTrimOne);
    QCOMPARE(form().drag.Picks[0][0], 0);
  }

  void frameZoomArmedFromTheToolbarZoomsOnRelease() {
    form().Toolbar1_ButtonClick(toolbar::kZoomFrame);
    Drag(form(), {0, 0}, {{100, 50}, {150, 100}});
    QCOMPARE(form().view.ZoomPercent, int16_t{400});
    QCOMPARE(form().panel.FrameDragMode, int16_t{0});
  }

  void choosingAToolCancelsAnArmedFrame() {
    form().Toolbar1_ButtonClick(toolbar::kCut);
    ChooseTool(form(), tool::kRectangle);
    Drag(form(), {10, 10}, {{50, 30}});
    QCOMPARE(form().figures.FigureCount, 1);
  }
};

QTEST_MAIN(CanvasMouseTest)
#include "CanvasMouseTest.moc"
