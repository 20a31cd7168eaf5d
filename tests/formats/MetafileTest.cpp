#include <QTest>
#include <cstring>
#include <random>

#include "MetafileBuilders.h"
#include "formats/PictureLoader.h"
#include "formats/metafile/MetafilePlayer.h"

using namespace velmor::platform;
using velmor::test::Bytes;
using velmor::test::ColorRef;
using velmor::test::EmfBuilder;
using velmor::test::PackedDib;
using velmor::test::WmfBuilder;

namespace {

constexpr uint16_t kPsSolid = 0, kPsDash = 1, kPsNull = 5;
constexpr uint16_t kBsSolid = 0, kBsHatched = 2;
constexpr int kTransparent = 1, kOpaque = 2;
constexpr QRgb kBlack = 0xFF000000, kWhite = 0xFFFFFFFF, kBlue = 0xFF0000FF, kRed = 0xFFFF0000;
const uint32_t kBlackRef = ColorRef(0, 0, 0), kBlueRef = ColorRef(0, 0, 255),
               kRedRef = ColorRef(255, 0, 0), kYellowRef = ColorRef(255, 255, 0);
constexpr uint32_t kNullPen = 0x80000008;

std::optional<QImage> Render(const QByteArray& bytes, QString* error = nullptr,
                             const MetafileLimits& limits = {}) {
  return RenderMetafile(
      std::span(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())), error,
      limits);
}

// A 200 x 100 picture, one logical unit per pixel.
QByteArray PlaceableWmf(const WmfBuilder& records) {
  return records.Placeable(QRect(0, 0, 200, 100), 96);
}

// EMF frame of 200 x 100 pixels at 96 per inch, in hundredths of a millimetre.
const QRect kEmfFrame(0, 0, 5292, 2646);

int RunLength(const QImage& image, QPoint from, QPoint step, QRgb colour) {
  int n = 0;
  for (QPoint p = from; image.rect().contains(p) && image.pixel(p) == colour; p += step) ++n;
  return n;
}

int CountColumn(const QImage& image, int x, QRgb colour) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y) n += image.pixel(x, y) == colour;
  return n;
}

QRect InkBox(const QImage& image) {
  QRect box;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != kWhite) box |= QRect(x, y, 1, 1);
  return box;
}

// A solid blue field, then a hatched rectangle over it, both without an outline.
WmfBuilder HatchOverBlue(int hatch, int bkMode) {
  WmfBuilder w;
  w.Pen(kPsNull, 0, 0).Select(0);
  w.Brush(kBsSolid, kBlueRef, 0).Select(1);
  w.Rectangle(0, 0, 200, 100);
  w.Brush(kBsHatched, kBlackRef, uint16_t(hatch)).Select(2);
  w.BkMode(bkMode).BkColor(kYellowRef);
  w.Rectangle(20, 20, 180, 80);
  return w;
}

}  // namespace

class MetafileTest : public QObject {
  Q_OBJECT

 private slots:
  // --- size and mapping ------------------------------------------------------------------------

  void placeableSizeComesFromBoxAndUnitsPerInch() {
    const std::optional<QImage> image =
        Render(WmfBuilder().Placeable(QRect(0, 0, 1440, 720), 1440));
    QVERIFY(image);
    QCOMPARE(image->size(), QSize(96, 48));
    QCOMPARE(image->format(), QImage::Format_RGB32);
    QCOMPARE(image->pixel(10, 10), kWhite);
  }

  void windowMapsOntoThePicture() {
    WmfBuilder w;
    w.Window(0, 0, 1000, 500).Pen(kPsNull, 0, 0).Select(0).Brush(kBsSolid, kBlackRef, 0).Select(1);
    w.Rectangle(500, 250, 1000, 500);
    const std::optional<QImage> image = Render(w.Placeable(QRect(0, 0, 1000, 500), 1000));
    QVERIFY(image);
    QCOMPARE(image->size(), QSize(96, 48));
    QCOMPARE(image->pixel(72, 36), kBlack);
    QCOMPARE(image->pixel(24, 12), kWhite);
    QCOMPARE(image->pixel(47, 36), kWhite);
    QCOMPARE(image->pixel(49, 36), kBlack);
  }

  void windowWithUpwardYIsFlipped() {
    WmfBuilder w;
    w.Window(0, 500, 1000, -500).Pen(kPsNull, 0, 0).Select(0).Brush(kBsSolid, kBlackRef, 0);
    w.Select(1).Rectangle(0, 0, 500, 250);
    const std::optional<QImage> image = Render(w.Placeable(QRect(0, 0, 1000, 500), 1000));
    QVERIFY(image);
    QCOMPARE(image->pixel(24, 36), kBlack);  // bottom left
    QCOMPARE(image->pixel(24, 12), kWhite);
    QCOMPARE(image->pixel(72, 36), kWhite);
  }

  void plainWmfTakesItsSizeFromTheWindow() {
    WmfBuilder w;
    w.Window(0, 0, 300, 150).Ellipse(0, 0, 300, 150);
    const std::optional<QImage> image = Render(w.Plain());
    QVERIFY(image);
    QCOMPARE(image->size(), QSize(300, 150));
    QVERIFY(!Render(WmfBuilder().Ellipse(0, 0, 10, 10).Plain()));  // no size at all
  }

  void hugeBoxIsScaledDownKeepingItsShape() {
    const std::optional<QImage> image =
        Render(WmfBuilder().Placeable(QRect(0, 0, 32000, 16000), 1));
    QVERIFY(image);
    QCOMPARE(image->size(), QSize(8192, 4096));
  }

  void emfSizeComesFromItsFrame() {
    const std::optional<QImage> image = Render(EmfBuilder().Build(kEmfFrame));
    QVERIFY(image);
    QCOMPARE(image->size(), QSize(200, 100));
  }

  void emfMapsWindowToViewportAndWorld() {
    EmfBuilder e;
    e.Select(kNullPen).Brush(1, kBsSolid, kBlackRef, 0).Select(1);
    e.Record(17, {8}).Record(9, {1000, 1000}).Record(11, {100, 100});  // anisotropic 10:1
    e.Rectangle(500, 500, 1000, 1000);
    const std::optional<QImage> mapped = Render(e.Build(kEmfFrame));
    QVERIFY(mapped);
    QCOMPARE(mapped->pixel(75, 75), kBlack);
    QCOMPARE(mapped->pixel(45, 75), kWhite);

    EmfBuilder s;
    s.Select(kNullPen).Brush(1, kBsSolid, kBlackRef, 0).Select(1);
    Bytes twice;  // world transform: scale by 2
    for (float f : {2.0f, 0.0f, 0.0f, 2.0f, 0.0f, 0.0f}) {
      uint32_t bits;
      std::memcpy(&bits, &f, 4);
      twice.U32(bits);
    }
    s.RecordBytes(35, twice.data()).Rectangle(10, 10, 20, 20);
    const std::optional<QImage> scaled = Render(s.Build(kEmfFrame));
    QVERIFY(scaled);
    QCOMPARE(scaled->pixel(30, 30), kBlack);
    QCOMPARE(scaled->pixel(15, 15), kWhite);
  }

  // --- pens, brushes, shapes -------------------------------------------------------------------

  void solidEllipseIsFilledInsideOnly() {
    WmfBuilder w;
    w.Pen(kPsNull, 0, 0).Select(0).Brush(kBsSolid, kRedRef, 0).Select(1).Ellipse(20, 10, 180, 90);
    const std::optional<QImage> image = Render(PlaceableWmf(w));
    QVERIFY(image);
    QCOMPARE(image->pixel(100, 50), kRed);
    QCOMPARE(image->pixel(25, 50), kRed);
    QCOMPARE(image->pixel(100, 14), kRed);
    QCOMPARE(image->pixel(15, 50), kWhite);
    QCOMPARE(image->pixel(24, 14), kWhite);  // corner of the box, outside the ellipse
    QCOMPARE(image->pixel(176, 86), kWhite);
    // Not anti-aliased: only the two colours.
    for (int x = 0; x < 200; ++x)
      QVERIFY(image->pixel(x, 30) == kRed || image->pixel(x, 30) == kWhite);
  }

  void penWidthIsHonoured() {
    WmfBuilder w;
    w.Pen(kPsSolid, 5, kBlackRef).Select(0).MoveTo(20, 50).LineTo(180, 50);
    w.MoveTo(100, 10).LineTo(100, 40);
    w.Pen(kPsSolid, 1, kBlackRef).Select(1).MoveTo(20, 80).LineTo(90, 80);
    const std::optional<QImage> image = Render(PlaceableWmf(w));
    QVERIFY(image);
    QCOMPARE(CountColumn(*image, 60, kBlack), 6);  // five of the wide line, one of the thin
    const int top = [&] {
      for (int y = 0; y < 100; ++y)
        if (image->pixel(60, y) == kBlack) return y;
      return -1;
    }();
    QCOMPARE(RunLength(*image, QPoint(60, top), QPoint(0, 1), kBlack), 5);
    int across = 0;
    for (int x = 0; x < 200; ++x) across += image->pixel(x, 25) == kBlack;
    QCOMPARE(across, 5);
    // The thin line leaves out its last pixel, as GDI does.
    QCOMPARE(image->pixel(89, 80), kBlack);
    QCOMPARE(image->pixel(90, 80), kWhite);
  }

  void penWidthScalesWithTheMapping() {
    WmfBuilder w;
    w.Window(0, 0, 400, 200)
        .Pen(kPsSolid, 10, kBlackRef)
        .Select(0)
        .MoveTo(40, 100)
        .LineTo(360, 100);
    const std::optional<QImage> image = Render(w.Placeable(QRect(0, 0, 400, 200), 192));
    QVERIFY(image);
    QCOMPARE(image->size(), QSize(200, 100));
    QCOMPARE(CountColumn(*image, 100, kBlack), 5);
  }

  void dashedPenLeavesGaps() {
    WmfBuilder w;
    w.BkMode(kTransparent).Pen(kPsDash, 1, kBlackRef).Select(0).MoveTo(0, 50).LineTo(200, 50);
    const std::optional<QImage> image = Render(PlaceableWmf(w));
    QVERIFY(image);
    QCOMPARE(RunLength(*image, QPoint(0, 50), QPoint(1, 0), kBlack), 18);
    QCOMPARE(RunLength(*image, QPoint(18, 50), QPoint(1, 0), kWhite), 6);
  }

  void hatchKeepsTheBackgroundBetweenItsLines_data() {
    QTest::addColumn<int>("hatch");
    QTest::addColumn<QPoint>("along");  // a line continues in this direction
    QTest::addColumn<double>("share");  // of the pixels on a line
    QTest::newRow("horizontal") << 0 << QPoint(1, 0) << 1.0 / 8;
    QTest::newRow("vertical") << 1 << QPoint(0, 1) << 1.0 / 8;
    QTest::newRow("falling diagonal") << 2 << QPoint(1, 1) << 1.0 / 8;
    QTest::newRow("rising diagonal") << 3 << QPoint(1, -1) << 1.0 / 8;
    QTest::newRow("cross") << 4 << QPoint() << 15.0 / 64;
    QTest::newRow("diagonal cross") << 5 << QPoint() << 16.0 / 64;
  }
  void hatchKeepsTheBackgroundBetweenItsLines() {
    QFETCH(int, hatch);
    QFETCH(QPoint, along);
    QFETCH(double, share);
    const std::optional<QImage> image = Render(PlaceableWmf(HatchOverBlue(hatch, kTransparent)));
    QVERIFY(image);
    int lines = 0, total = 0;
    for (int y = 24; y < 76; ++y) {
      for (int x = 24; x < 176; ++x) {
        const QRgb c = image->pixel(x, y);
        QVERIFY2(c == kBlack || c == kBlue, "only hatch lines and the untouched field");
        ++total;
        if (c != kBlack) continue;
        ++lines;
        if (!along.isNull()) QCOMPARE(image->pixel(QPoint(x, y) + along), kBlack);
      }
    }
    QVERIFY2(std::abs(double(lines) / total - share) < 0.02, qPrintable(QString::number(lines)));
    QCOMPARE(image->pixel(10, 10), kBlue);
  }

  void opaqueHatchFillsTheGapsWithTheBackgroundColour() {
    const std::optional<QImage> image = Render(PlaceableWmf(HatchOverBlue(0, kOpaque)));
    QVERIFY(image);
    int black = 0, yellow = 0;
    for (int y = 24; y < 76; ++y) {
      const QRgb c = image->pixel(100, y);
      black += c == kBlack;
      yellow += c == 0xFFFFFF00;
    }
    QVERIFY(black > 0);
    QCOMPARE(black + yellow, 52);
  }

  void polygonIsFilledAndOutlined() {
    Bytes points;
    points.I16(3);
    for (QPoint p : {QPoint(20, 90), QPoint(100, 10), QPoint(180, 90)})
      points.I16(p.x()).I16(p.y());
    WmfBuilder w;
    w.Pen(kPsSolid, 1, kBlackRef).Select(0).Brush(kBsSolid, kRedRef, 0).Select(1);
    w.RecordBytes(0x0324, points.data());
    const std::optional<QImage> image = Render(PlaceableWmf(w));
    QVERIFY(image);
    QCOMPARE(image->pixel(100, 60), kRed);
    QCOMPARE(image->pixel(30, 20), kWhite);
    QCOMPARE(image->pixel(100, 90), kBlack);  // the base
  }

  // --- text and bitmaps ------------------------------------------------------------------------

  void textIsPrintedAtItsReference() {
    WmfBuilder w;
    w.BkMode(kTransparent).Font(-24, 0, "IPAGothic").Select(0).ExtTextOut(10, 10, "Velmor");
    const std::optional<QImage> image = Render(PlaceableWmf(w));
    QVERIFY(image);
    const QRect ink = InkBox(*image);
    QVERIFY(!ink.isEmpty());
    QVERIFY2(
        ink.left() >= 10 && ink.top() >= 10 && ink.bottom() < 10 + 26,
        qPrintable(
            QString("%1 %2 %3 %4").arg(ink.x()).arg(ink.y()).arg(ink.width()).arg(ink.height())));
    QVERIFY(ink.width() > 2 * ink.height());
  }

  void escapementTurnsTheText() {
    WmfBuilder w;
    w.BkMode(kTransparent).Font(-24, 900, "IPAGothic").Select(0).ExtTextOut(50, 95, "Velmor");
    const std::optional<QImage> image = Render(PlaceableWmf(w));
    QVERIFY(image);
    const QRect ink = InkBox(*image);
    QVERIFY(ink.height() > 2 * ink.width());  // reads upwards
    QVERIFY(ink.bottom() <= 95 && ink.left() >= 50);
  }

  void shiftJisTextMatchesTheUnicodeRecord() {
    WmfBuilder w;
    w.BkMode(kTransparent).Font(-24, 0, "IPAGothic", 128).Select(0);
    w.ExtTextOut(10, 10, QByteArray("\x93\xFA\x96\x7B", 4));  // 日本 in CP932
    EmfBuilder e;
    e.Record(18, {kTransparent}).Font(1, -24, 0, QStringLiteral("IPAGothic")).Select(1);
    e.TextOutW(10, 10, QStringLiteral("日本"));
    const std::optional<QImage> fromWmf = Render(PlaceableWmf(w)),
                                fromEmf = Render(e.Build(kEmfFrame));
    QVERIFY(fromWmf && fromEmf);
    QVERIFY(!InkBox(*fromWmf).isEmpty());
    QCOMPARE(*fromWmf, *fromEmf);
  }

  void bitmapIsStretchedTopRowFirst() {
    const QByteArray dib = PackedDib(2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00});
    const std::optional<QImage> image =
        Render(PlaceableWmf(WmfBuilder().StretchDib(0, 0, 40, 40, 2, 2, dib)));
    QVERIFY(image);
    QCOMPARE(image->pixel(10, 10), kRed);
    QCOMPARE(image->pixel(30, 10), 0xFF00FF00);
    QCOMPARE(image->pixel(10, 30), kBlue);
    QCOMPARE(image->pixel(30, 30), 0xFFFFFF00);
    QCOMPARE(image->pixel(41, 10), kWhite);
  }

  void emfDrawsTheSameKindsOfRecords() {
    EmfBuilder e;
    e.Select(kNullPen).Brush(1, kBsSolid, kBlueRef, 0).Select(1).Rectangle(0, 0, 200, 100);
    e.Record(18, {kTransparent})
        .Brush(2, kBsHatched, kBlackRef, 4)
        .Select(2)
        .Rectangle(100, 0, 200, 50);
    e.Brush(3, kBsSolid, kRedRef, 0).Select(3).Ellipse(10, 10, 90, 50);
    e.GeometricPen(4, 0, 5, kBlackRef).Select(4).Polyline16({QPoint(10, 80), QPoint(190, 80)});
    e.StretchDiBits(150, 60, 40, 40, 2, 2,
                    PackedDib(2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00}));
    const std::optional<QImage> image = Render(e.Build(kEmfFrame));
    QVERIFY(image);
    QCOMPARE(image->pixel(50, 30), kRed);
    QCOMPARE(image->pixel(12, 12), kBlue);
    int black = 0, blue = 0;
    for (int x = 104; x < 196; ++x) {
      black += image->pixel(x, 4) == kBlack;
      blue += image->pixel(x, 4) == kBlue;
    }
    QVERIFY(black > 0 && blue > 0 && black + blue == 92);
    QCOMPARE(RunLength(*image, QPoint(60, 78), QPoint(0, 1), kBlack) +
                 RunLength(*image, QPoint(60, 77), QPoint(0, -1), kBlack),
             5);
    QCOMPARE(image->pixel(160, 70), kRed);
    QCOMPARE(image->pixel(180, 90), 0xFFFFFF00);
  }

  void loaderDispatchesMetafilesByContent() {
    WmfBuilder w;
    w.Brush(kBsSolid, kRedRef, 0).Select(0).Rectangle(0, 0, 200, 100);
    const std::optional<QImage> wmf = LoadPictureFromBytes(PlaceableWmf(w));
    QVERIFY(wmf);
    QCOMPARE(wmf->pixel(100, 50), kRed);
    QVERIFY(LoadPictureFromBytes(EmfBuilder().Ellipse(0, 0, 10, 10).Build(kEmfFrame)));
  }

  // --- untrusted files -------------------------------------------------------------------------

  void damagedRecordFramesAreRefused_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("zero-length record")
        << PlaceableWmf(WmfBuilder().Raw(QByteArray("\0\0\0\0\x13\x02", 6)));
    QTest::newRow("record past the end")
        << PlaceableWmf(WmfBuilder().Raw(QByteArray("\xE8\x03\0\0\x13\x02", 6)));
    QTest::newRow("header only") << PlaceableWmf(WmfBuilder()).left(30);
    QByteArray emf = EmfBuilder().Ellipse(0, 0, 10, 10).Build(kEmfFrame);
    QTest::newRow("emf cut in a record") << emf.left(88 + 12);
    QByteArray zero = emf;
    zero[92] = zero[93] = 0;  // the ellipse's size field
    QTest::newRow("emf zero-length record") << zero;
    QTest::newRow("emf header only") << emf.left(60);
  }
  void damagedRecordFramesAreRefused() {
    QFETCH(QByteArray, bytes);
    QString error;
    QVERIFY(!Render(bytes, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!LoadPictureFromBytes(bytes));
  }

  void recordsTooShortForTheirFieldsAreSkipped() {
    Bytes liar;
    liar.I16(30000).I16(10).I16(10).I16(50).I16(50);  // announces 30000 points, holds two
    WmfBuilder w;
    w.RecordBytes(0x0324, liar.data()).RecordBytes(0x0A32, QByteArray("\0\0\0\0\x30\x75\0\0", 8));
    w.Record(0x041B, {1}).Record(0x012D, {}).Record(0x02FB, {-12});
    w.StretchDib(0, 0, 10, 10, 100000, 100000, velmor::test::PackedDib(1, 1, {0}).left(40));
    const std::optional<QImage> image = Render(PlaceableWmf(w));
    QVERIFY(image);
    QCOMPARE(InkBox(*image), QRect());

    EmfBuilder e;
    e.Record(4, {0, 0, 0, 0, 0x7FFFFFFF, 1, 2});  // a polyline announcing 2^31 points
    e.Record(84, {0, 0, 0, 0, 1, 0, 0, 5, 5, 100, 9999, 0, 0, 0, 0, 0, 0});  // string far away
    e.Record(35, {0, 0, 0, 0, 0, 0});        // a singular world transform
    e.Record(8, {0, 0, 0, 0, 2, 10, 3, 3});  // counts that do not add up
    e.Record(81, {0, 0, 0, 0, 0, 0, 0, 0, 10, 10, 80, 40, 120, 1000, 0, 0xCC0020, 10, 10});
    e.Rectangle(10, 10, 20, 20);
    const std::optional<QImage> emf = Render(e.Build(kEmfFrame));
    QVERIFY(emf);
    QCOMPARE(InkBox(*emf), QRect(10, 10, 10, 10));
  }

  void limitsBoundRecordsAndWork() {
    WmfBuilder w;
    for (int i = 0; i < 20; ++i) w.Rectangle(0, 0, 200, 100);
    MetafileLimits few;
    few.maxRecords = 10;
    QString error;
    QVERIFY(!Render(PlaceableWmf(w), &error, few));
    QVERIFY(error.contains(QLatin1String("records")));
    MetafileLimits little;
    little.workBudget = 100000;
    QVERIFY(!Render(PlaceableWmf(w), &error, little));
    QVERIFY(error.contains(QLatin1String("drawing")));
    QVERIFY(Render(PlaceableWmf(w)));
  }

  void extremeMappingsStayBounded() {
    WmfBuilder w;
    w.Window(0, 0, 1, 1).Pen(kPsDash, 1, kBlackRef).Select(0);
    w.MoveTo(-32768, -32768).LineTo(32767, 32767).Ellipse(-32768, -32768, 32767, 32767);
    w.Font(-32768, 450, "IPAGothic").Select(1).ExtTextOut(0, 0, "x");
    for (int i = 0; i < 3000; ++i) w.Record(0x001E, {});      // SaveDC, far past the bound
    for (int i = 0; i < 70000; ++i) w.Brush(kBsSolid, 0, 0);  // more objects than slots
    w.Record(0x0127, {-32768});
    QVERIFY(Render(PlaceableWmf(w)));
  }

  void noPrefixOrMutationCrashes() {
    WmfBuilder w = HatchOverBlue(5, kTransparent);
    w.Font(-20, 300, "IPAGothic").Select(3).ExtTextOut(10, 10, "abc");
    w.StretchDib(0, 0, 40, 40, 2, 2, PackedDib(2, 2, {1, 2, 3, 4}));
    EmfBuilder e;
    e.Brush(1, kBsHatched, kBlackRef, 2).Select(1).Rectangle(0, 0, 100, 50);
    e.GeometricPen(2, 0, 5, kRedRef).Select(2).Polyline16({QPoint(0, 0), QPoint(50, 50)});
    e.Font(3, -20, 450, QStringLiteral("IPAGothic"))
        .Select(3)
        .TextOutW(5, 5, QStringLiteral("日本"));
    e.StretchDiBits(0, 0, 40, 40, 2, 2, PackedDib(2, 2, {1, 2, 3, 4}));
    MetafileLimits limits;
    limits.maxSide = 256;
    std::mt19937 random(20260207);
    for (const QByteArray& sample : {PlaceableWmf(w), e.Build(kEmfFrame)}) {
      for (qsizetype n = 0; n <= sample.size(); ++n) Render(sample.left(n), nullptr, limits);
      for (int round = 0; round < 1500; ++round) {
        QByteArray mutated = sample;
        const int changes = 1 + int(random() % 4);
        for (int c = 0; c < changes; ++c) {
          const qsizetype at = qsizetype(random() % uint32_t(mutated.size()));
          mutated[at] = char(random() % 3 == 0 ? 0xFF : random());
        }
        Render(mutated, nullptr, limits);
      }
    }
  }
};

QTEST_MAIN(MetafileTest)
#include "MetafileTest.moc"
