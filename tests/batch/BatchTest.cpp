// The batch stamp of a folder and the stamp itself, on temporary source folders.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/ColorSwatch.h"
#include "formats/MetafileBuilders.h"
#include "raster/GdiCanvas.h"
#include "render/FigureRenderer.h"
#include "support/FakeModal.h"
#include "support/FormFixture.h"
#include "view/CanvasWidget.h"

using velmor::Form1;
using velmor::PanelState;
using velmor::TextState;
using velmor::platform::GdiCanvas;
using velmor::test::ColorRef;
using velmor::test::EmfBuilder;
using velmor::test::FakeModal;
using velmor::test::FormFixture;
using velmor::test::WmfBuilder;
namespace slot = velmor::slot;

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF, kBlack = 0xFF000000, kYellow = 0xFFFFFF00;
const std::string kFont = "IPAGothic";
constexpr int kFillSolid = 0, kFillNone = 1, kFillHorizontal = 2;

QImage Solid(int width, int height, QRgb colour) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

void WritePicture(const QString& path, const QImage& image, const char* format) {
  QVERIFY2(image.save(path, format), qPrintable(path));
}

bool IsJpegFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray head = file.read(3);
  return head == QByteArray("\xFF\xD8\xFF", 3);
}

QImage ReadJpeg(const QString& path) {
  QImageReader reader(path, "jpeg");
  reader.setDecideFormatFromContent(false);
  return reader.read().convertToFormat(QImage::Format_RGB32);
}

QStringList Texts(const QListWidget* list) {
  QStringList texts;
  for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
  return texts;
}

int Luminance(QRgb c) {
  return qGray(c);
}

// Text printed as the stamp prints it, for comparing placement pixel by pixel.
QImage PrintedAt(QImage base, int points, const std::string& text, float x, float y) {
  GdiCanvas canvas(&base);
  canvas.SetFontName(kFont);
  canvas.SetFontSize(points);
  canvas.SetFontBold(false);
  canvas.SetFontItalic(false);
  PanelState panel;
  panel.PenColor = 0;
  TextState state;
  velmor::PrintRotatedText(canvas, panel, state, kFont, 0, false, false, x, y, text);
  return base;
}

QSize TextExtent(int points, const std::string& text) {
  GdiCanvas canvas;
  canvas.SetFontName(kFont);
  canvas.SetFontSize(points);
  return {canvas.TextWidth(text), canvas.TextHeight(text)};
}

}  // namespace

class BatchTest : public QObject {
  Q_OBJECT

  std::unique_ptr<FakeModal> modal_;
  std::unique_ptr<FormFixture> fixture_;
  std::unique_ptr<QTemporaryDir> source_;

  Form1& form() { return *fixture_->form; }
  QString Source(const QString& name = {}) const { return source_->filePath(name); }

  // The picture shown on the canvas, as the open command shows it.
  void Show(const QImage& picture) {
    form().figures.FigureCount = 0;
    form().view.ZoomPercent = 100;
    form().Picture2->SetPicture(picture);
    form().Pic_int();
  }

 private slots:
  void init() {
    modal_ = std::make_unique<FakeModal>();
    fixture_ = std::make_unique<FormFixture>();
    source_ = std::make_unique<QTemporaryDir>();
    Form1& f = form();
    f.settings.Set(slot::kFontName, kFont);
    f.settings.Set(slot::kFontSize, int16_t{12});
    f.settings.Set(slot::kFontBold, false);
    f.settings.Set(slot::kFontItalic, false);
    f.settings.Set(slot::kJpegQuality, int16_t{90});
    f.panel.PenColor = 0;
    f.Text5->SetBackColor(ColorRef(255, 255, 0));
    f.Combo3->setCurrentIndex(kFillSolid);
  }

  void cleanup() {
    fixture_.reset();
    modal_.reset();
    source_.reset();
  }

  // --- names, folders and order ----------------------------------------------------------------

  void writesEachPictureUnderItsSplitName() {
    WritePicture(Source("ABC-123.jpg"), Solid(120, 90, 0xFF3060A0), "jpeg");
    WritePicture(Source("ABC-12-3.JPG"), Solid(100, 80, 0xFF80C040), "jpeg");
    WritePicture(Source("XY-1.bmp"), Solid(64, 48, 0xFF204080), "bmp");
    WriteBytes(Source("readme"), "not a picture");
    WritePicture(Source("x-1.tif"), Solid(8, 8, kWhite), "png");
    const QString caption = form().windowTitle();

    form().BatchStampFolderIn(Source());

    QVERIFY(IsJpegFile(Source("ABC/123.jpg")));
    QVERIFY(IsJpegFile(Source("ABC/12-3.JPG")));
    QCOMPARE(ReadJpeg(Source("ABC/123.jpg")).size(), QSize(120, 90));
    // A bitmap source keeps its name and extension but holds JPEG bytes.
    QVERIFY(IsJpegFile(Source("XY/1.bmp")));
    QCOMPARE(ReadJpeg(Source("XY/1.bmp")).size(), QSize(64, 48));
    QVERIFY(!QFileInfo::exists(Source("x")));
    QVERIFY(modal_->messages.empty());

    const QString folder = QDir::fromNativeSeparators(Source()) + '/';
    QCOMPARE(Texts(form().List1),
             QStringList({folder + "ABC-12-3.JPG", folder + "ABC-123.jpg", folder + "XY-1.bmp"}));
    QCOMPARE(Texts(form().List2),
             QStringList({folder + "XY-1.bmp", folder + "ABC-123.jpg", folder + "ABC-12-3.JPG"}));
    // The window is left with the last file's values; the caption does not change.
    QCOMPARE(form().Text3->text(), QStringLiteral("ABC-12-3"));
    QCOMPARE(form().ImageFolder, folder + "ABC/");
    QCOMPARE(form().ImageFileName, QStringLiteral("12-3.JPG"));
    QCOMPARE(form().windowTitle(), caption);
  }

  void savedCopyIsTheStampedCanvas() {
    WritePicture(Source("ABC-123.png"), Solid(160, 120, kWhite), "png");
    form().BatchStampFolderIn(Source());
    const QImage saved = ReadJpeg(Source("ABC/123.png"));
    const QImage& canvas = form().Picture2->Surface();
    QCOMPARE(saved.size(), canvas.size());
    QVERIFY(canvas.pixel(80, 60) == kYellow);  // the tail's tip at the centre
    double error = 0;
    for (int y = 0; y < saved.height(); ++y)
      for (int x = 0; x < saved.width(); ++x)
        error += std::abs(Luminance(saved.pixel(x, y)) - Luminance(canvas.pixel(x, y)));
    QVERIFY2(error / (saved.width() * saved.height()) < 3, "the file holds what the canvas shows");
  }

  void subFoldersAreNotEntered() {
    QVERIFY(QDir(Source()).mkpath("SUB"));
    QVERIFY(QDir(Source()).mkpath("D-1.png"));
    QVERIFY(QDir(Source()).mkpath("OLD"));
    WritePicture(Source("SUB/Q-1.png"), Solid(20, 20, kWhite), "png");
    WritePicture(Source("OLD/1.png"), Solid(20, 20, kWhite), "png");
    WritePicture(Source("OLD-2.png"), Solid(20, 20, kWhite), "png");

    form().BatchStampFolderIn(Source());

    QCOMPARE(form().List1->count(), 1);
    QVERIFY(!QFileInfo::exists(Source("Q")));
    QVERIFY(!QFileInfo::exists(Source("D")));
    QVERIFY(IsJpegFile(Source("OLD/2.png")));
    QVERIFY(!IsJpegFile(Source("OLD/1.png")));  // an earlier output is not stamped again
  }

  void lastListedFileIsProcessedFirst() {
    // Unreadable pictures are reported in the order they were met.
    for (const char* name : {"B-1.jpg", "A-1.jpg", "C-1.jpg"}) WriteBytes(Source(name), "junk");
    form().BatchStampFolderIn(Source());
    QCOMPARE(modal_->messages.size(), size_t{1});
    const QString text = modal_->messages[0].text;
    const qsizetype c = text.indexOf("C-1.jpg"), b = text.indexOf("B-1.jpg"),
                    a = text.indexOf("A-1.jpg");
    QVERIFY(c > 0 && c < b && b < a);
  }

  void windowShowsTheLastProcessedPicture() {
    WritePicture(Source("A-1.png"), Solid(40, 30, 0xFFFF0000), "png");
    WritePicture(Source("B-1.png"), Solid(40, 30, 0xFF00FF00), "png");
    WritePicture(Source("C-1.png"), Solid(40, 30, 0xFF0000FF), "png");
    form().BatchStampFolderIn(Source());
    QCOMPARE(form().Picture2->Picture().pixel(0, 0), 0xFFFF0000);
    QCOMPARE(form().Text3->text(), QStringLiteral("A-1"));
  }

  void emptyFolderChangesNothing() {
    Show(Solid(50, 40, 0xFF102030));
    form().Text3->setText("keep");
    WriteBytes(Source("notes.txt"), "x");
    form().BatchStampFolderIn(Source());
    QVERIFY(modal_->messages.empty());
    QCOMPARE(form().Picture2->Surface(), Solid(50, 40, 0xFF102030));
    QCOMPARE(form().Text3->text(), QStringLiteral("keep"));
    QCOMPARE(form().List2->count(), 0);
  }

  void batchDropsFiguresAndZoom() {
    WritePicture(Source("Z-1.png"), Solid(100, 80, kWhite), "png");
    Show(Solid(50, 50, kWhite));
    form().figures.FigureCount = 3;
    form().view.ZoomPercent = 200;
    form().Picture2->SetCanvasSize(100, 100);
    form().BatchStampFolderIn(Source());
    QCOMPARE(form().figures.FigureCount, int16_t{0});
    QCOMPARE(form().view.ZoomPercent, int16_t{100});
    QCOMPARE(ReadJpeg(Source("Z/1.png")).size(), QSize(100, 80));
    // The stamp uses the size of the settings, not one scaled by the zoom found before.
    QCOMPARE(form().text.TextSize, 12);
  }

  // --- what the batch does instead of stopping -------------------------------------------------

  void filesThatCannotBeDoneAreSkippedAndReportedOnce() {
    WritePicture(Source("good-1.png"), Solid(30, 30, kWhite), "png");
    WritePicture(Source("plain.png"), Solid(30, 30, kWhite), "png");
    WriteBytes(Source("BAD-1.jpg"), "not a jpeg at all");
    WritePicture(Source("NOF-1.png"), Solid(30, 30, kWhite), "png");
    WriteBytes(Source("NOF"), "a file where the folder would go");
    WritePicture(Source("W-1.png"), Solid(30, 30, kWhite), "png");
    QVERIFY(QDir(Source()).mkpath("W/1.png"));  // the target name is taken by a folder
    WritePicture(Source("zz-1.png"), Solid(30, 30, kWhite), "png");
    WritePicture(Source("WIDE-1.png"), Solid(40000, 2, kWhite), "png");  // beyond any canvas

    form().BatchStampFolderIn(Source());

    QVERIFY(IsJpegFile(Source("good/1.png")));
    QVERIFY(IsJpegFile(Source("zz/1.png")));  // processed before the failures, still done
    QVERIFY(!QFileInfo::exists(Source("BAD")));
    QVERIFY(QFileInfo(Source("W/1.png")).isDir());
    QCOMPARE(modal_->messages.size(), size_t{1});
    const QString text = modal_->messages[0].text;
    QVERIFY2(text.startsWith(QStringLiteral("5 個")), qPrintable(text));
    QVERIFY(!QFileInfo::exists(Source("WIDE")));
    for (const char* name : {"plain.png", "BAD-1.jpg", "NOF-1.png", "W-1.png", "WIDE-1.png"})
      QVERIFY2(text.contains(name), name);
    QVERIFY(!text.contains("good-1.png"));
    QCOMPARE(modal_->messages[0].title, QStringLiteral("Velmor"));
  }

  void longListsOfProblemsAreCut() {
    for (int i = 0; i < 25; ++i)
      WriteBytes(Source(QStringLiteral("P%1-1.jpg").arg(i, 2, 10, QChar('0'))), "x");
    form().BatchStampFolderIn(Source());
    QCOMPARE(modal_->messages.size(), size_t{1});
    const QString text = modal_->messages[0].text;
    QVERIFY(text.startsWith(QStringLiteral("25 個")));
    QVERIFY(text.contains(QStringLiteral("ほか 5 件")));
    QCOMPARE(text.count(QStringLiteral("画像を読み込めません")), 20);
  }

  void missingSourceFolderIsReported() {
    form().List1->addItem("earlier");
    form().BatchStampFolderIn(Source("nowhere"));
    QCOMPARE(modal_->messages.size(), size_t{1});
    QVERIFY(modal_->messages[0].text.contains(QStringLiteral("見つかりません")));
    QCOMPARE(form().List1->count(), 1);
  }

  void unsetQualityStillWrites() {
    WritePicture(Source("Q-1.png"), Solid(30, 30, kWhite), "png");
    form().settings.Set(slot::kJpegQuality, int16_t{0});
    form().BatchStampFolderIn(Source());
    QVERIFY(QFileInfo::exists(Source("Q/1.png")));
    QVERIFY(modal_->messages.empty());
  }

  void metafilesWithHatchesAreLoadedAndStamped() {
    constexpr uint16_t kPsNull = 5, kBsSolid = 0, kBsHatched = 2, kTransparent = 1;
    constexpr uint32_t kNullPen = 0x80000008;
    const uint32_t black = ColorRef(0, 0, 0), white = ColorRef(255, 255, 255);
    WmfBuilder w;
    w.Pen(kPsNull, 0, 0).Select(0).Brush(kBsSolid, white, 0).Select(1).Rectangle(0, 0, 200, 100);
    w.Brush(kBsHatched, black, 0).Select(2).BkMode(kTransparent).Rectangle(20, 20, 180, 80);
    WriteBytes(Source("M-1.wmf"), w.Placeable(QRect(0, 0, 200, 100), 96));
    EmfBuilder e;
    e.Select(kNullPen).Brush(1, kBsSolid, white, 0).Select(1).Rectangle(0, 0, 200, 100);
    e.Record(18, {kTransparent})
        .Brush(2, kBsHatched, black, 1)
        .Select(2)
        .Rectangle(20, 20, 180, 80);
    WriteBytes(Source("E-1.emf"), e.Build(QRect(0, 0, 5292, 2646)));
    form().Text5->SetBackColor(ColorRef(0, 0, 255));

    form().BatchStampFolderIn(Source());
    QVERIFY(modal_->messages.empty());

    struct Output {
      const char* path;
      const char* stamp;
      bool horizontalHatch;
    };
    for (const Output& output : {Output{"M/1.wmf", "M-1", true}, Output{"E/1.emf", "E-1", false}}) {
      const char* path = output.path;
      const bool horizontal = output.horizontalHatch;
      QVERIFY2(IsJpegFile(Source(path)), path);
      const QImage saved = ReadJpeg(Source(path));
      QCOMPARE(saved.size(), QSize(200, 100));
      int dark = 0, light = 0;
      for (int i = 24; i < 76; ++i) {  // across the hatch lines, left of the stamp
        const int lum = Luminance(horizontal ? saved.pixel(40, i) : saved.pixel(i, 40));
        dark += lum < 100;
        light += lum > 180;
      }
      QVERIFY2(dark >= 5 && light >= 20, path);
      const QSize box = TextExtent(12, output.stamp);
      int blue = 0;  // the balloon right of and above the centre (100, 50)
      for (int y = 19; y < 18 + box.height(); ++y)
        for (int x = 121; x < 120 + box.width(); ++x)
          blue += qBlue(saved.pixel(x, y)) > 180 && qRed(saved.pixel(x, y)) < 120;
      QVERIFY2(blue * 4 > (box.width() - 1) * (box.height() - 1), path);
    }
  }

  // --- the stamp -------------------------------------------------------------------------------

  void withoutFillOnlyTheNameIsPrinted() {
    const QImage white = Solid(200, 160, kWhite);
    Show(white);
    form().Text3->setText("ABC-1");
    form().Combo3->setCurrentIndex(kFillNone);
    form().DrawStamp();
    // 21 pixels right of and 32 above the centre (100, 80), and nothing else.
    QCOMPARE(form().Picture2->Surface(), PrintedAt(white, 12, "ABC-1", 121, 48));
    QVERIFY(form().Picture2->Surface() != white);
  }

  void balloonIsTheBoxWithATailToTheCentre() {
    const QImage white = Solid(200, 160, kWhite);
    Show(white);
    form().Text3->setText("ABC-1");
    form().DrawStamp();
    const QImage& s = form().Picture2->Surface();
    const QSize extent = TextExtent(12, "ABC-1");
    const int w = extent.width(), h = extent.height();
    const int cx = 100, cy = 80, left = cx + 20, top = cy - 32;
    QCOMPARE(form().work.WorkWidth, double(w));
    QCOMPARE(form().work.WorkHeight, double(h));

    // The corners of the box and the tip of the tail.
    for (QPoint p : {QPoint(left, top), QPoint(left + w, top), QPoint(left + w, top + h),
                     QPoint(left, top + h), QPoint(cx, cy)})
      QVERIFY2(s.pixel(p) == kYellow, qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
    // Inside the box: the fill or the name, nothing left white.
    for (int y = top + 1; y < top + h; ++y)
      for (int x = left + 1; x < left + w; ++x)
        QVERIFY(s.pixel(x, y) == kYellow || s.pixel(x, y) == kBlack);
    // The tail: a triangle from the lower third of the left side to the centre.
    const QPointF tip(cx, cy), lower(left, top + h), upper(left, top + h - h / 3.0);
    const QPointF centroid = (tip + lower + upper) / 3;
    for (QPointF p :
         {centroid, (centroid + tip) / 2, (centroid + lower) / 2, (centroid + upper) / 2})
      QVERIFY2(s.pixel(p.toPoint()) == kYellow,
               qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
    const double xm = (cx + left) / 2.0, t = (xm - cx) / (left - cx);
    const double lowerEdge = cy + (lower.y() - cy) * t, upperEdge = cy + (upper.y() - cy) * t;
    QCOMPARE(s.pixel(int(xm), int(lowerEdge + 4)), kWhite);
    QCOMPARE(s.pixel(int(xm), int(upperEdge - 4)), kWhite);
    // Beyond the balloon the picture is untouched.
    for (QPoint p : {QPoint(left + w + 3, top + 2), QPoint(left - 3, top + 1), QPoint(cx, cy + 3),
                     QPoint(0, 0), QPoint(199, 159)})
      QCOMPARE(s.pixel(p), kWhite);
  }

  void hatchedBalloonKeepsThePictureBetweenItsLines() {
    Show(Solid(200, 160, kWhite));
    form().Text3->setText("ABCDEFGH");
    form().Combo3->setCurrentIndex(kFillHorizontal);
    form().DrawStamp();
    const QImage& s = form().Picture2->Surface();
    const QSize extent = TextExtent(12, "ABCDEFGH");
    int white = 0, yellow = 0;
    for (int y = 49; y < 48 + extent.height(); ++y)
      for (int x = 121; x < 120 + extent.width(); ++x) {
        white += s.pixel(x, y) == kWhite;
        yellow += s.pixel(x, y) == kYellow;
      }
    QVERIFY(white > 0 && yellow > 0);
  }

  void balloonOnASmallPictureStaysInItsOutline() {
    // The balloon lies mostly beyond the edge; a flood from its seed would run over everything.
    const QImage white = Solid(40, 40, kWhite);
    Show(white);
    form().Text3->setText("A-1");
    form().DrawStamp();
    const QImage& s = form().Picture2->Surface();
    QCOMPARE(s.pixel(20, 20), kYellow);
    QCOMPARE(s.pixel(39, 2), kYellow);  // the tail where it comes in over the edge
    for (QPoint p : {QPoint(0, 0), QPoint(39, 12), QPoint(0, 39), QPoint(39, 39), QPoint(10, 10),
                     QPoint(30, 30)})
      QCOMPARE(s.pixel(p), kWhite);
  }

  void stampIsGoneAtTheNextRefresh() {
    const QImage picture = Solid(200, 160, 0xFF406080);
    Show(picture);
    form().Text3->setText("ABC-1");
    form().StampButton->click();
    QVERIFY(form().Picture2->Surface() != picture);
    QCOMPARE(form().figures.FigureCount, int16_t{0});
    form().RefreshView();
    QCOMPARE(form().Picture2->Surface(), picture);
  }

  void stampSizeFollowsTheZoom() {
    Show(Solid(100, 80, kWhite));
    form().Text3->setText("A-1");
    form().view.ZoomPercent = 200;
    form().Picture2->SetCanvasSize(200, 160);
    form().RefreshView();
    form().DrawStamp();
    QCOMPARE(form().text.TextSize, 24);
    QCOMPARE(form().work.WorkHeight, double(TextExtent(24, "A-1").height()));
    // 10 points at 125 percent: 12.5, a half to the even 12.
    form().settings.Set(slot::kFontSize, int16_t{10});
    form().view.ZoomPercent = 125;
    form().DrawStamp();
    QCOMPARE(form().text.TextSize, 12);
  }

  void buttonsExistButAreHidden() {
    QVERIFY(fixture_->Find<QWidget>("BatchButton"));
    QVERIFY(fixture_->Find<QWidget>("StampButton"));
    QVERIFY(fixture_->Find<QWidget>("BatchButton")->isHidden());
    QVERIFY(fixture_->Find<QWidget>("StampButton")->isHidden());
    QVERIFY(form().List1->isHidden());
    QVERIFY(form().List2->isHidden());
  }
};

QTEST_MAIN(BatchTest)
#include "BatchTest.moc"
