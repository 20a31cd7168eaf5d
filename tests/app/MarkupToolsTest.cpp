// The mosaic, numbered marker and highlighter tools through the window: their buttons, drawing
// at 100 and 200 percent, what save, copy, move, delete, undo and redo make of them.
#include <QAction>
#include <QImageReader>
#include <QPainter>
#include <array>
#include <cmath>

#include "app/CanvasDriving.h"
#include "core/model/ControlIndexes.h"
#include "platform/Clipboard.h"

using namespace velmor;
using namespace velmor::test;

namespace {

constexpr QRgb kWhite = qRgb(255, 255, 255), kBlack = qRgb(0, 0, 0);
constexpr QRgb kGrey = qRgb(127, 127, 127);  // white under the default black highlighter

// Empty when every pixel of `shown` (the picture at `zoom`) that shows a picture pixel of
// `area` has the mean of its block of `block` picture pixels from the area's corner, taken from
// `picture` and cut to the area; otherwise where it does not.
QString MosaicError(const QImage& shown, const QImage& picture, QRect area, int block, int zoom) {
  for (int y = 0; y < shown.height(); ++y)
    for (int x = 0; x < shown.width(); ++x) {
      const QPoint p(x * 100 / zoom, y * 100 / zoom);
      if (!area.contains(p)) continue;
      const QPoint corner(area.left() + (p.x() - area.left()) / block * block,
                          area.top() + (p.y() - area.top()) / block * block);
      const QRect cell = QRect(corner, QSize(block, block)) & area;
      std::array<double, 3> mean{};
      for (int v = cell.top(); v <= cell.bottom(); ++v)
        for (int u = cell.left(); u <= cell.right(); ++u) {
          const QRgb c = picture.pixel(u, v);
          mean[0] += qRed(c), mean[1] += qGreen(c), mean[2] += qBlue(c);
        }
      const QRgb got = shown.pixel(x, y);
      const int n = cell.width() * cell.height();
      if (std::abs(qRed(got) - mean[0] / n) > 0.5 || std::abs(qGreen(got) - mean[1] / n) > 0.5 ||
          std::abs(qBlue(got) - mean[2] / n) > 0.5)
        return QStringLiteral("(%1,%2) is %3").arg(x).arg(y).arg(got, 0, 16);
    }
  return {};
}

// Black text on white, the way screenshots show it.
QImage TextPicture() {
  QImage image = PlainPicture(300, 200);
  QPainter p(&image);
  QFont font(QStringLiteral("IPAGothic"));
  font.setPixelSize(28);
  font.setStyleStrategy(QFont::NoAntialias);
  p.setFont(font);
  p.setPen(Qt::black);
  p.drawText(QPoint(30, 100), QStringLiteral("Velmor 123"));
  return image;
}

int ChannelDistance(QRgb a, QRgb b) {
  return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                   std::abs(qBlue(a) - qBlue(b))});
}

}  // namespace

class MarkupToolsTest : public FormTest {
  Q_OBJECT

  QImage Surface() { return form().Picture2->Surface().copy(); }
  QImage Fresh() {
    form().RefreshView();
    return Surface();
  }
  QString Save(const QString& name) {
    const QString path = f_->folder.filePath(name);
    modal_->dialogAnswers.push_back([path](platform::CommonDialog& d) {
      d.FileName = path;
      return true;
    });
    form().Toolbar1Buttons.at(toolbar::kSave)->trigger();
    return path;
  }
  // A mosaic from picture (20, 15) to (60, 45), a marker at (150, 60) and a highlighter stroke
  // along y = 100 from x = 30 to 250, dragged at the current zoom.
  void DrawAllThree() {
    const int z = form().view.ZoomPercent;
    auto at = [z](int x, int y) { return QPoint(x * z / 100, y * z / 100); };
    ChooseTool(form(), tool::kMosaic);
    Drag(form(), at(20, 15), {at(40, 30), at(60, 45)});
    ChooseTool(form(), tool::kMarker);
    Click(form(), at(150, 60));
    ChooseTool(form(), tool::kHighlight);
    Drag(form(), at(30, 100), {at(100, 120), at(250, 100)});
  }

 private slots:
  void init() {
    QVERIFY(StartForm());
    form().Text2->SetBackColor(PackedRgb(0, 0, 0));
    form().Text5->SetBackColor(PackedRgb(255, 200, 0));
    form().Text4->setText(QStringLiteral("2"));  // blocks of 8, strokes 12 thick
    Settings& s = form().settings;
    s.Set(slot::kFontName, std::string("IPAGothic"));
    s.Set(slot::kFontSize, 10.0);
    s.Set(slot::kJpegQuality, 95.0);
    LoadPicture(form(), PatternPicture(300, 200));
  }
  void cleanup() { EndForm(); }

  void buttonsSitInTheStripWithTheirHints() {
    const QWidget* strip = form().findChild<QWidget*>(QStringLiteral("LeftStrip"));
    QVERIFY(strip);
    const QRect inside = strip->rect();
    const std::array<QString, 3> names = {QStringLiteral("モザイク"), QStringLiteral("番号"),
                                          QStringLiteral("蛍光ペン")};
    for (int tool : {5, 6, 7}) {
      auto* button = f_->Find<QToolButton>(qPrintable(QStringLiteral("Opb_%1").arg(tool)));
      QVERIFY(button);
      QCOMPARE(button->toolTip(), names[size_t(tool - 5)]);
      QVERIFY(!button->icon().isNull());
      QCOMPARE(button->size(), QSize(25, 25));
      QTest::mouseClick(button, Qt::LeftButton);
      QCOMPARE(int(form().panel.ToolMode), tool);
      QVERIFY(form().Status(status::kPrompt).startsWith(QStringLiteral("ﾏｳｽ")));
      form().Picture2_MouseMove(0, 0, 5, 5);
      QCOMPARE(form().Picture2->cursor().shape(), Qt::CrossCursor);
    }
    QVERIFY(form().Status(status::kPrompt).contains(QStringLiteral("Shift")));
    // At the size the tests use, every control of the strip is whole and none covers another.
    QList<QRect> taken;
    for (const QWidget* control : strip->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (!control->isVisible()) continue;
      const QRect place = control->geometry();
      QVERIFY2(inside.contains(place), qPrintable(control->objectName()));
      if (control->minimumSize() != control->maximumSize())  // not squeezed by the layout
        QVERIFY2(place.height() >= control->sizeHint().height(), qPrintable(control->objectName()));
      for (const QRect& other : taken)
        QVERIFY2(!other.intersects(place), qPrintable(control->objectName()));
      taken << place;
    }
  }

  void mosaicIsTheBlockMeansOfThePicture_data() {
    QTest::addColumn<int>("zoom");
    QTest::newRow("100 percent") << 100;
    QTest::newRow("200 percent") << 200;
  }
  void mosaicIsTheBlockMeansOfThePicture() {
    QFETCH(int, zoom);
    ZoomTo(form(), zoom);
    const QImage before = Surface();
    DrawAllThree();
    QCOMPARE(form().figures.Kind(1), fig::kMosaic);
    QCOMPARE(Cell(form(), 1, fig::mosaic::kX2), 60.0);
    QCOMPARE(Cell(form(), 1, fig::mosaic::kBlock), 8.0);
    const QImage drawn = Surface();
    const QImage& picture = form().Picture2->Picture();
    const QRect area(20, 15, 40, 30);
    QVERIFY2(MosaicError(drawn, picture, area, 8, zoom).isEmpty(),
             qPrintable(MosaicError(drawn, picture, area, 8, zoom)));
    // Drawn as the refresh draws it, and the rubber bands left nothing behind.
    QCOMPARE(Fresh(), drawn);
    QCOMPARE(drawn.pixel(70 * zoom / 100, 50 * zoom / 100),
             before.pixel(70 * zoom / 100, 50 * zoom / 100));
    // A later pen width does not change the blocks.
    form().Text4->setText(QStringLiteral("5"));
    QCOMPARE(Fresh(), drawn);
  }

  void allThreeSurviveSaveAndCopy_data() { mosaicIsTheBlockMeansOfThePicture_data(); }
  void allThreeSurviveSaveAndCopy() {
    QFETCH(int, zoom);
    // Smooth, so that what JPEG loses is small next to what the figures change.
    QImage smooth(300, 200, QImage::Format_RGB32);
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 300; ++x) smooth.setPixel(x, y, qRgb(x * 255 / 300, y * 255 / 200, 128));
    LoadPicture(form(), smooth);
    ZoomTo(form(), zoom);
    DrawAllThree();
    const QImage drawn = Surface();
    const QImage picture = form().Picture2->Picture();

    QImageReader png(Save(QStringLiteral("marked.png")));
    QCOMPARE(png.format(), QByteArray("png"));
    QCOMPARE(png.read().convertToFormat(QImage::Format_RGB32), drawn);

    QImageReader jpeg(Save(QStringLiteral("marked.jpg")));
    QCOMPARE(jpeg.format(), QByteArray("jpeg"));
    const QImage decoded = jpeg.read().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(decoded.size(), drawn.size());
    // Lossy, but close to the surface everywhere, the figures included.
    double error = 0;
    for (int y = 0; y < drawn.height(); ++y)
      for (int x = 0; x < drawn.width(); ++x)
        error += ChannelDistance(decoded.pixel(x, y), drawn.pixel(x, y));
    QVERIFY2(error / (drawn.width() * drawn.height()) < 3, qPrintable(QString::number(error)));
    const QPoint inBlock(24 * zoom / 100, 19 * zoom / 100),
        onDisc(157 * zoom / 100, 60 * zoom / 100);
    QVERIFY(ChannelDistance(decoded.pixel(inBlock), drawn.pixel(inBlock)) <= 12);
    QVERIFY(ChannelDistance(decoded.pixel(onDisc), qRgb(255, 200, 0)) <= 24);

    // The copy with the figures is the picture at 100 percent with them, mosaic included.
    form().Toolbar1Buttons.at(toolbar::kCopyWithFigures)->trigger();
    const QImage copied = platform::clipboard::GetPicture().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(copied.size(), picture.size());
    QVERIFY(MosaicError(copied, picture, QRect(20, 15, 40, 30), 8, 100).isEmpty());
    QCOMPARE(copied.pixel(157, 60), qRgb(255, 200, 0));
    if (zoom == 100) QCOMPARE(copied, drawn);
  }

  void markerNumbersGoOnFromTheHighestLiveOne() {
    ChooseTool(form(), tool::kMarker);
    for (int x : {40, 120, 200}) Click(form(), {x, 50});
    auto number = [&](int row) { return int(Cell(form(), row, fig::marker::kNumber)); };
    QCOMPARE(number(1), 1);
    QCOMPARE(number(3), 3);
    QCOMPARE(form().Status(status::kFigureCount), QStringLiteral("3"));
    // The disc in the back colour, its number in the front colour, at its place.
    const QImage shown = Surface();
    QCOMPARE(shown.pixel(120 + 7, 50), qRgb(255, 200, 0));
    int ink = 0;
    for (int y = 40; y <= 60; ++y)
      for (int x = 110; x <= 130; ++x) ink += shown.pixel(x, y) == kBlack;
    QVERIFY(ink > 5);

    ChooseTool(form(), tool::kDelete);
    Click(form(), {121, 51});
    QCOMPARE(form().figures.Kind(2), fig::kDeleted);
    QCOMPARE(Surface().pixel(127, 50), form().Picture2->Picture().pixel(127, 50));
    ChooseTool(form(), tool::kMarker);
    Click(form(), {120, 120});
    QCOMPARE(number(4), 4);
    QCOMPARE(number(3), 3);  // nothing renumbered
    // Undo takes marker 4 and then the deletion back; redo does both again.
    form().UNDB->click();
    form().UNDB->click();
    QCOMPARE(form().figures.Kind(2), fig::kMarker);
    QCOMPARE(Surface().pixel(127, 50), qRgb(255, 200, 0));
    form().RDOB->click();
    form().RDOB->click();
    QCOMPARE(form().figures.FigureCount, 4);
    QCOMPARE(form().figures.Kind(2), fig::kDeleted);
    // With the highest ones gone (2 is gone already), the next is one more than 1.
    ChooseTool(form(), tool::kDelete);
    Click(form(), {120, 121});
    Click(form(), {200, 51});
    ChooseTool(form(), tool::kMarker);
    Click(form(), {250, 150});
    QCOMPARE(number(5), 2);
  }

  void highlighterKeepsBlackTextAndDarkensWhite_data() { mosaicIsTheBlockMeansOfThePicture_data(); }
  void highlighterKeepsBlackTextAndDarkensWhite() {
    QFETCH(int, zoom);
    LoadPicture(form(), TextPicture());
    ZoomTo(form(), zoom);
    const QImage before = Surface();
    const int z = zoom;
    ChooseTool(form(), tool::kHighlight);
    // Along the line of text at y = 90, 12 picture pixels thick.
    Drag(form(), {20 * z / 100, 90 * z / 100},
         {{100 * z / 100, 95 * z / 100}, {280 * z / 100, 90 * z / 100}});
    QCOMPARE(Cell(form(), 1, fig::highlight::kThickness), 12.0);
    QCOMPARE(Cell(form(), 1, fig::highlight::kBox), 0.0);
    const QImage after = Surface();
    int black = 0;
    for (int y = 0; y < after.height(); ++y)
      for (int x = 0; x < after.width(); ++x) {
        const double px = (x + 0.5) * 100 / z, py = (y + 0.5) * 100 / z;
        const QRgb was = before.pixel(x, y), now = after.pixel(x, y);
        if (px >= 20 && px < 280 && py >= 84 && py < 96) {
          QCOMPARE(now, was == kBlack ? kBlack : kGrey);
          black += was == kBlack;
        } else {
          QCOMPARE(now, was);
        }
      }
    QVERIFY(black > 50);  // the stroke really ran over text
    QCOMPARE(Fresh(), after);

    // With Shift held the drag makes a box over what it spans.
    LoadPicture(form(), PlainPicture(300, 200));
    ZoomTo(form(), zoom);
    Drag(form(), {200 * z / 100, 150 * z / 100},
         {{150 * z / 100, 100 * z / 100}, {100 * z / 100, 50 * z / 100}}, Qt::LeftButton,
         Qt::ShiftModifier);
    QCOMPARE(Cell(form(), 2, fig::highlight::kBox), 1.0);
    const QImage box = Surface();
    QCOMPARE(box.pixel(100 * z / 100, 50 * z / 100), kGrey);
    QCOMPARE(box.pixel(199 * z / 100, 149 * z / 100), kGrey);
    QCOMPARE(box.pixel(201 * z / 100, 100 * z / 100), kWhite);
    QCOMPARE(Fresh(), box);
  }

  void moveDeleteUndoAndRedoRedrawFromThePicture() {
    const QImage& picture = form().Picture2->Picture();
    ChooseTool(form(), tool::kMosaic);
    Drag(form(), {20, 20}, {{60, 50}});
    ChooseTool(form(), tool::kHighlight);
    Drag(form(), {150, 150}, {{250, 150}});
    const QImage first = Surface();

    // Moved: the blocks are the means of the picture where the mosaic now lies.
    ChooseTool(form(), tool::kMove);
    Drag(form(), {21, 21}, {{100, 60}, {121, 81}});
    QCOMPARE(Cell(form(), 1, fig::mosaic::kX1), 120.0);
    const QImage moved = Surface();
    QVERIFY(MosaicError(moved, picture, QRect(120, 80, 40, 30), 8, 100).isEmpty());
    QCOMPARE(moved.pixel(30, 30), picture.pixel(30, 30));
    form().UNDB->click();
    QCOMPARE(Surface(), first);
    form().RDOB->click();
    QCOMPARE(Surface(), moved);

    // The highlighter moved is multiplied once at its new place, nothing left at the old one.
    Drag(form(), {200, 150}, {{200, 170}});
    QCOMPARE(Cell(form(), 2, fig::highlight::kY2), 170.0);
    QCOMPARE(Surface().pixel(200, 150), picture.pixel(200, 150));
    const QRgb under = picture.pixel(200, 170), now = Surface().pixel(200, 170);
    QVERIFY(std::abs(qRed(now) - qRed(under) * 127.0 / 255) <= 0.5);
    QVERIFY(std::abs(qBlue(now) - qBlue(under) * 127.0 / 255) <= 0.5);

    // Deleted, the picture shows again; undo brings the figures back.
    const QImage beforeDelete = Surface();
    ChooseTool(form(), tool::kDelete);
    Click(form(), {121, 81});
    Click(form(), {200, 171});
    QCOMPARE(form().figures.Kind(1), fig::kDeleted);
    QCOMPARE(form().figures.Kind(2), fig::kDeleted);
    QCOMPARE(Surface(), picture);
    form().UNDB->click();
    form().UNDB->click();
    QCOMPARE(Surface(), beforeDelete);
  }
};

QTEST_MAIN(MarkupToolsTest)
#include "MarkupToolsTest.moc"
