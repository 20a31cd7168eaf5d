// Trim, extend or cut and the parallel segment, picked on the canvas as a user picks: the
// results, the messages of the failures, and undo.
#include "app/CanvasDriving.h"
#include "support/FakeModal.h"
#include "support/FormFixture.h"

using namespace velmor;
using namespace velmor::test;

namespace {

struct Seg {
  double x1, y1, x2, y2;
};

}  // namespace

class DraftingEditsTest : public FormTest {
  Q_OBJECT

  Seg Row(int row) {
    return {Cell(form(), row, fig::kX1), Cell(form(), row, fig::kY1), Cell(form(), row, fig::kX2),
            Cell(form(), row, fig::kY2)};
  }
  static bool Near(const Seg& a, const Seg& b, double tolerance = 1e-3) {
    return qAbs(a.x1 - b.x1) <= tolerance && qAbs(a.y1 - b.y1) <= tolerance &&
           qAbs(a.x2 - b.x2) <= tolerance && qAbs(a.y2 - b.y2) <= tolerance;
  }
  static QString Show(const Seg& s) {
    return QStringLiteral("(%1, %2)-(%3, %4)").arg(s.x1).arg(s.y1).arg(s.x2).arg(s.y2);
  }
  void ExpectRow(int row, Seg expected, double tolerance = 1e-3) {
    const Seg actual = Row(row);
    QVERIFY2(Near(actual, expected, tolerance),
             qPrintable(QStringLiteral("row %1 is %2, expected %3")
                            .arg(row)
                            .arg(Show(actual), Show(expected))));
  }
  void ExpectOneMessage(const QString& text, const QString& title, platform::MsgIcon icon) {
    QCOMPARE(modal_->messages.size(), size_t{1});
    QCOMPARE(modal_->messages[0].text, text);
    QCOMPARE(modal_->messages[0].title, title);
    QCOMPARE(modal_->messages[0].icon, icon);
    QCOMPARE(modal_->messages[0].buttons, platform::MsgButtons::Ok);
  }
  void ClickWith(int tool, std::initializer_list<QPoint> clicks) {
    ChooseTool(form(), tool);
    for (QPoint p : clicks) Click(form(), p);
  }
  void ExpectNoPickMarks() {
    const QImage& s = form().Picture2->Surface();
    for (int y = 0; y < s.height(); ++y)
      for (int x = 0; x < s.width(); ++x)
        if (s.pixel(x, y) == qRgb(127, 255, 255)) QFAIL("a pick mark was left on the canvas");
  }

 private slots:
  void init() {
    QVERIFY(StartForm());
    form().Text2->SetBackColor(PackedRgb(255, 0, 0));
    form().Text5->SetBackColor(PackedRgb(0, 0, 255));
    form().Combo1->setCurrentIndex(2);
    form().Combo3->setCurrentIndex(1);
    LoadPicture(form(), PlainPicture(300, 200));
  }
  void cleanup() { EndForm(); }

  // ---- trims ----

  void bothTrimMovesEachPickedEndToTheCrossing() {
    DrawSegment(form(), {0, 0}, {10, 0});
    DrawSegment(form(), {5, -5}, {5, 5});
    ClickWith(tool::kTrimBoth, {{1, 0}, {5, -4}});
    ExpectRow(1, {0, 0, 5, 0});
    ExpectRow(2, {5, -5, 5, 0});
    QVERIFY(modal_->messages.empty());
    QCOMPARE(form().drag.Picks[0][0], 0);
    QCOMPARE(form().drag.Picks[1][0], 0);
    ExpectNoPickMarks();
    QVERIFY(form().UNDB->isEnabled());
    form().UNDB->click();
    ExpectRow(1, {0, 0, 10, 0}, 0);
    ExpectRow(2, {5, -5, 5, 5}, 0);
  }

  void oneTrimChangesOnlyTheSecondSegment() {
    DrawSegment(form(), {0, 0}, {10, 0});
    DrawSegment(form(), {5, -5}, {5, 5});
    ClickWith(tool::kTrimOne, {{1, 0}, {5, -4}});
    ExpectRow(1, {0, 0, 10, 0}, 0);
    ExpectRow(2, {5, -5, 5, 0});
    form().UNDB->click();
    ExpectRow(2, {5, -5, 5, 5}, 0);
    ExpectRow(1, {0, 0, 10, 0}, 0);
  }

  void theEndNearerTheClickStays() {
    DrawSegment(form(), {0, 0}, {10, 0});
    DrawSegment(form(), {5, -5}, {5, 5});
    ClickWith(tool::kTrimBoth, {{9, 0}, {5, -4}});
    ExpectRow(1, {5, 0, 10, 0});
  }

  void aClickHalfwayMovesTheSecondEnd() {
    DrawSegment(form(), {0, 0}, {10, 0});
    DrawSegment(form(), {7, -5}, {7, 5});
    ClickWith(tool::kTrimBoth, {{5, 1}, {7, -4}});
    ExpectRow(1, {0, 0, 7, 0});
  }

  void trimsWorkOnTheDisplayAtAnyZoom() {
    DrawSegment(form(), {0, 0}, {10, 0});
    DrawSegment(form(), {5, -5}, {5, 5});
    ZoomTo(form(), 200);
    ClickWith(tool::kTrimBoth, {{2, 0}, {10, -8}});
    ExpectRow(1, {0, 0, 5, 0});
    ExpectRow(2, {5, -5, 5, 0});
  }

  void extendLengthensAndCutsToTheFootOfThePerpendicular() {
    DrawSegment(form(), {0, 0}, {10, 0});
    ClickWith(tool::kExtend, {{1, 0}, {20, 7}});
    ExpectRow(1, {0, 0, 20, 0});
    ClickWith(tool::kExtend, {{1, 0}, {3, -4}});
    ExpectRow(1, {0, 0, 3, 0});
    QVERIFY(modal_->messages.empty());
    form().UNDB->click();
    ExpectRow(1, {0, 0, 20, 0});
  }

  void extendAt200PercentTakesTheTargetInDisplayPixels() {
    DrawSegment(form(), {0, 0}, {10, 0});
    ZoomTo(form(), 200);
    ClickWith(tool::kExtend, {{2, 0}, {40, 14}});
    ExpectRow(1, {0, 0, 20, 0});
  }

  void trimFailuresShowTheMessageAndChangeNothing_data() {
    QTest::addColumn<int>("tool");
    QTest::addColumn<QList<QPoint>>("segments");  // pairs of end points
    QTest::addColumn<QList<QPoint>>("clicks");
    QTest::newRow("same segment twice")
        << 10 << QList<QPoint>{{0, 0}, {10, 0}, {5, -5}, {5, 5}} << QList<QPoint>{{1, 0}, {9, 0}};
    QTest::newRow("parallel, same direction")
        << 10 << QList<QPoint>{{0, 0}, {10, 0}, {0, 5}, {10, 5}} << QList<QPoint>{{1, 0}, {1, 5}};
    QTest::newRow("parallel, opposite directions")
        << 10 << QList<QPoint>{{0, 0}, {10, 0}, {10, 5}, {0, 5}} << QList<QPoint>{{1, 0}, {1, 5}};
    QTest::newRow("nearly parallel")
        << 11 << QList<QPoint>{{0, 0}, {3, 1}, {0, 5}, {21, 12}} << QList<QPoint>{{0, 0}, {0, 5}};
    QTest::newRow("zero length, extend")
        << 12 << QList<QPoint>{{50, 50}, {50, 50}} << QList<QPoint>{{50, 50}, {70, 80}};
  }
  void trimFailuresShowTheMessageAndChangeNothing() {
    QFETCH(int, tool);
    QFETCH(QList<QPoint>, segments);
    QFETCH(QList<QPoint>, clicks);
    for (qsizetype i = 0; i + 1 < segments.size(); i += 2)
      DrawSegment(form(), segments[i], segments[i + 1]);
    const int count = form().figures.FigureCount;
    std::vector<Seg> before;
    for (int row = 1; row <= count; ++row) before.push_back(Row(row));
    ChooseTool(form(), tool);
    for (QPoint p : clicks) Click(form(), p);
    ExpectOneMessage(QStringLiteral("交点が求まりません。"), QStringLiteral("Error"),
                     platform::MsgIcon::Exclamation);
    QCOMPARE(form().figures.FigureCount, count);
    for (int row = 1; row <= count; ++row) ExpectRow(row, before[row - 1], 0);
    QCOMPARE(form().drag.Picks[0][0], 0);
    QCOMPARE(form().drag.Picks[1][0], 0);
    ExpectNoPickMarks();
    // The rows were saved before the edit was tried.
    QVERIFY(form().UNDB->isEnabled());
    form().UNDB->click();
    for (int row = 1; row <= count; ++row) ExpectRow(row, before[row - 1], 0);
  }

  // ---- parallel ----

  void parallelAddsASegmentOnTheChosenSide_data() {
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<int>("zoom");
    QTest::addColumn<QString>("distance");
    QTest::addColumn<QRectF>("expected");  // x1, y1 as position, x2, y2 as size fields
    QTest::newRow("right of a rightward segment")
        << QPoint(0, 0) << QPoint(100, 0) << 100 << "10" << QRectF(0, 10, 100, 10);
    QTest::newRow("left with a negative distance")
        << QPoint(0, 0) << QPoint(100, 0) << 100 << "-10" << QRectF(0, -10, 100, -10);
    QTest::newRow("right of a downward segment is screen left")
        << QPoint(0, 0) << QPoint(0, 100) << 100 << "10" << QRectF(-10, 0, -10, 100);
    QTest::newRow("same stored offset at 200 percent")
        << QPoint(0, 0) << QPoint(100, 0) << 200 << "10" << QRectF(0, 10, 100, 10);
    QTest::newRow("leading number of the text")
        << QPoint(0, 0) << QPoint(100, 0) << 100 << "12.5abc" << QRectF(0, 12.5, 100, 12.5);
  }
  void parallelAddsASegmentOnTheChosenSide() {
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(int, zoom);
    QFETCH(QString, distance);
    QFETCH(QRectF, expected);
    DrawSegment(form(), from, to);
    ZoomTo(form(), zoom);
    form().panel.ArrowOn = 1;
    form().Text4->setText(QStringLiteral("3"));
    form().Text6->setText(distance);
    const QPoint middle = (from + to) / 2 * zoom / 100;
    ClickWith(tool::kParallel, {middle});
    QVERIFY(modal_->messages.empty());
    QCOMPARE(form().figures.FigureCount, 2);
    QCOMPARE(form().figures.Kind(2), 1);
    ExpectRow(2, {expected.x(), expected.y(), expected.width(), expected.height()});
    // The panel's pen, not the picked segment's.
    QCOMPARE(Cell(form(), 2, fig::kLineWidth), 3.0);
    QCOMPARE(Cell(form(), 2, fig::kLineStyle), 2.0);
    QCOMPARE(Cell(form(), 2, fig::kLineColor), double(PackedRgb(255, 0, 0)));
    QCOMPARE(Cell(form(), 2, fig::kArrow), 1.0);
    QCOMPARE(form().drag.Picks[0][0], 0);
    // Shown at once: the new segment is on the canvas.
    const double z = zoom / 100.0;
    const QPoint onNew = QPointF((expected.x() + expected.width()) / 2 * z,
                                 (expected.y() + expected.height()) / 2 * z)
                             .toPoint();
    if (form().Picture2->Surface().rect().contains(onNew))
      QCOMPARE(form().Picture2->Surface().pixel(onNew), qRgb(255, 0, 0));
  }

  void parallelWithoutADistanceAsksForOne_data() {
    QTest::addColumn<QString>("distance");
    QTest::newRow("0") << "0";
    QTest::newRow("empty") << "";
    QTest::newRow("letters") << "abc";
  }
  void parallelWithoutADistanceAsksForOne() {
    QFETCH(QString, distance);
    DrawSegment(form(), {0, 50}, {100, 50});
    form().Text6->setText(distance);
    ClickWith(tool::kParallel, {{50, 50}});
    ExpectOneMessage(QStringLiteral("移動距離を入力してください。進行方向左側は負の値で入力！"),
                     QStringLiteral("確認"), platform::MsgIcon::Question);
    QCOMPARE(form().figures.FigureCount, 1);
  }

  void parallelOfAZeroLengthSegmentCannotBeMade() {
    ChooseTool(form(), tool::kSegment);
    Click(form(), {50, 50});
    form().Text6->setText(QStringLiteral("10"));
    ClickWith(tool::kParallel, {{50, 50}});
    ExpectOneMessage(QStringLiteral("平行移動できません。"), QStringLiteral("Error"),
                     platform::MsgIcon::Exclamation);
    QCOMPARE(form().figures.FigureCount, 1);
    QCOMPARE(form().drag.Picks[0][0], 0);
  }

  void parallelOnAFullTableIsRefused() {
    DrawSegment(form(), {0, 50}, {100, 50});
    for (int row = 2; row <= 1000; ++row) form().figures.At(row, fig::kKind) = int16_t{999};
    form().figures.FigureCount = 1000;
    form().Text6->setText(QStringLiteral("10"));
    ClickWith(tool::kParallel, {{50, 50}});
    ExpectOneMessage(QStringLiteral("これ以上作画出来ません。"), QStringLiteral("Velmor"),
                     platform::MsgIcon::None);
    QCOMPARE(form().figures.FigureCount, 1000);
    QVERIFY(IsEmpty(form().figures.At(fig::kUndoRow, 0)));
    QVERIFY(IsEmpty(form().figures.At(fig::kUndoRow, 1)));
  }

  void parallelIsUndoneAndRedoneLikeAnyEdit() {
    DrawSegment(form(), {0, 50}, {100, 50});
    form().Text6->setText(QStringLiteral("10"));
    ClickWith(tool::kParallel, {{50, 50}});
    QCOMPARE(form().figures.FigureCount, 2);
    const auto added = form().figures.cells[2];
    QVERIFY(form().UNDB->isEnabled());
    QVERIFY(!form().RDOB->isEnabled());
    form().UNDB->click();
    QCOMPARE(form().figures.FigureCount, 1);
    QVERIFY(IsEmpty(form().figures.At(2, 0)));
    QVERIFY(form().RDOB->isEnabled());
    form().RDOB->click();
    QCOMPARE(form().figures.FigureCount, 2);
    QVERIFY(form().figures.cells[2] == added);
    QVERIFY(!form().RDOB->isEnabled());
  }
};

QTEST_MAIN(DraftingEditsTest)
#include "DraftingEditsTest.moc"
