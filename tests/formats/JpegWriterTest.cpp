#include <signal.h>
#include <sys/resource.h>
#include <turbojpeg.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>

#include "formats/JpegWriter.h"

using namespace velmor::platform;

namespace {

// Flat blocks of colour with a little texture: what a screen capture holds.
QImage Surface(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int block = (x / 16 + y / 16) % 4;
      const QRgb colours[] = {qRgb(200, 40, 40), qRgb(40, 180, 60), qRgb(30, 60, 200),
                              qRgb(240, 240, 240)};
      image.setPixel(x, y, colours[block]);
    }
  }
  return image;
}

QByteArray Utf8(const QString& path) {
  return QFile::encodeName(path);
}

int32_t Save(const QImage* surface, int w, int h, const QString& path, uint32_t quality = 90,
             int32_t reserved = -1) {
  QByteArray name = Utf8(path);
  return DCSavetoJPEG(surface, w, h, name.data(), quality, reserved);
}

QByteArray Contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Channel differences inside the colour blocks (away from their edges, where 4:2:0 chroma
// blurs) and on average over the whole picture.
struct Difference {
  int inside = 0;
  double mean = 0;
};
Difference Compare(const QImage& a, const QImage& b) {
  Difference d;
  double sum = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      const bool inside = x % 16 >= 3 && x % 16 <= 12 && y % 16 >= 3 && y % 16 <= 12;
      for (int c : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)}) {
        if (inside) d.inside = std::max(d.inside, std::abs(c));
        sum += std::abs(c);
      }
    }
  }
  d.mean = sum / (3.0 * a.width() * a.height());
  return d;
}

// What libjpeg's own writer (through Qt) loses on the same pixels at the same quality.
double ReferenceMean(const QImage& surface, int quality) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  surface.save(&buffer, "JPEG", quality);
  return Compare(surface, QImage::fromData(bytes).convertToFormat(QImage::Format_RGB32)).mean;
}

}  // namespace

class JpegWriterTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

  QStringList Leftovers() const {
    return QDir(dir_.path()).entryList({QStringLiteral("*.tmp-*")}, QDir::Files | QDir::Hidden);
  }

 private slots:
  void roundTripKeepsPixelsWithinJpegError() {
    const QImage surface = Surface(160, 96);
    const QString path = dir_.filePath(QStringLiteral("round.jpg"));
    QCOMPARE(Save(&surface, 160, 96, path), kJpegSaved);
    const QImage back(path);
    QCOMPARE(back.size(), QSize(160, 96));
    const Difference d = Compare(surface, back.convertToFormat(QImage::Format_RGB32));
    const double reference = ReferenceMean(surface, 90);
    QVERIFY2(d.inside <= 6, qPrintable(QString::number(d.inside)));
    QVERIFY2(d.mean <= reference * 1.1 + 0.2,
             qPrintable(QStringLiteral("%1 against %2").arg(d.mean).arg(reference)));
    QVERIFY(Leftovers().isEmpty());
  }

  // The bytes handed to callers that write them themselves are those a save writes.
  void encodedBytesAreWhatASaveWrites() {
    const QImage surface = Surface(64, 48);
    std::string bytes, error;
    QVERIFY(EncodeSurfaceAsJpeg(surface, 64, 40, 80, &bytes, &error));
    const QString path = dir_.filePath(QStringLiteral("encoded.jpg"));
    QVERIFY(SaveSurfaceAsJpeg(surface, 64, 40, path.toStdString(), 80));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll() == QByteArray::fromStdString(bytes));
    QVERIFY(!EncodeSurfaceAsJpeg(surface, 65, 48, 80, &bytes, &error));
    QVERIFY(!error.empty());
    QVERIFY(!EncodeSurfaceAsJpeg(surface, 64, 48, 0, &bytes, &error));
  }

  void writesBaselineAt420WithTheGivenQuality() {
    const QImage surface = Surface(64, 64);
    const QString path = dir_.filePath(QStringLiteral("sampling.jpg"));
    QCOMPARE(Save(&surface, 64, 64, path, 90), kJpegSaved);
    const QByteArray bytes = Contents(path);
    tjhandle decoder = tjInitDecompress();
    int w = 0, h = 0, sampling = -1, colourspace = -1;
    QCOMPARE(tjDecompressHeader3(decoder, reinterpret_cast<const unsigned char*>(bytes.data()),
                                 static_cast<unsigned long>(bytes.size()), &w, &h, &sampling,
                                 &colourspace),
             0);
    tjDestroy(decoder);
    QCOMPARE(sampling, int(TJSAMP_420));
    QCOMPARE(w, 64);
    // Lower quality, smaller file.
    const QString low = dir_.filePath(QStringLiteral("low.jpg"));
    QCOMPARE(Save(&surface, 64, 64, low, 10), kJpegSaved);
    QVERIFY(Contents(low).size() < bytes.size());
  }

  void writesTheRequestedCornerOfTheSurface() {
    QImage surface = Surface(120, 80);
    surface.fill(Qt::black);
    QImage corner = Surface(60, 40);
    for (int y = 0; y < 40; ++y) std::memcpy(surface.scanLine(y), corner.constScanLine(y), 60 * 4);
    const QString path = dir_.filePath(QStringLiteral("corner.jpg"));
    QCOMPARE(Save(&surface, 60, 40, path), kJpegSaved);
    const QImage back = QImage(path).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(back.size(), QSize(60, 40));
    QVERIFY(Compare(corner, back).inside <= 6);
  }

  void otherSurfaceFormatsAreConverted() {
    const QImage surface = Surface(32, 32).convertToFormat(QImage::Format_RGB888);
    const QString path = dir_.filePath(QStringLiteral("rgb888.jpg"));
    QCOMPARE(Save(&surface, 32, 32, path), kJpegSaved);
    QVERIFY(Compare(Surface(32, 32), QImage(path).convertToFormat(QImage::Format_RGB32)).inside <=
            6);
  }

  void qualityIsAnUnsignedByteFromOneUp() {
    const QImage surface = Surface(16, 16);
    const QString path = dir_.filePath(QStringLiteral("quality.jpg"));
    QCOMPARE(Save(&surface, 16, 16, path, 0), kJpegFailed);
    QVERIFY(!QFile::exists(path));
    QCOMPARE(Save(&surface, 16, 16, path, 256), kJpegFailed);
    QVERIFY(!QFile::exists(path));
    for (uint32_t quality : {1u, 100u, 101u, 255u}) {
      QCOMPARE(Save(&surface, 16, 16, path, quality), kJpegSaved);
    }
    // Past 100 the file is the one written at 100.
    Save(&surface, 16, 16, path, 100);
    const QByteArray at100 = Contents(path);
    Save(&surface, 16, 16, path, 200);
    QCOMPARE(Contents(path), at100);
  }

  void badCallsFailAndWriteNothing_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("reserved");
    QTest::addColumn<bool>("nullSurface");
    QTest::newRow("zero width") << 0 << 10 << -1 << false;
    QTest::newRow("zero height") << 10 << 0 << -1 << false;
    QTest::newRow("negative width") << -5 << 10 << -1 << false;
    QTest::newRow("wider than the surface") << 41 << 10 << -1 << false;
    QTest::newRow("taller than the surface") << 10 << 31 << -1 << false;
    QTest::newRow("reserved not -1") << 10 << 10 << 0 << false;
    QTest::newRow("no surface") << 10 << 10 << -1 << true;
  }
  void badCallsFailAndWriteNothing() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, reserved);
    QFETCH(bool, nullSurface);
    const QImage surface = Surface(40, 30);
    const QString path = dir_.filePath(QStringLiteral("bad.jpg"));
    QCOMPARE(Save(nullSurface ? nullptr : &surface, width, height, path, 90, reserved),
             kJpegFailed);
    QVERIFY(!QFile::exists(path));
    const QImage empty;
    QCOMPARE(Save(&empty, 1, 1, path), kJpegFailed);
    QCOMPARE(DCSavetoJPEG(&surface, 10, 10, nullptr, 90, -1), kJpegFailed);
    char blank[] = "";
    QCOMPARE(DCSavetoJPEG(&surface, 10, 10, blank, 90, -1), kJpegFailed);
  }

  void missingFolderFails() {
    const QImage surface = Surface(16, 16);
    const QString path = dir_.filePath(QStringLiteral("no-such-folder/out.jpg"));
    QCOMPARE(Save(&surface, 16, 16, path), kJpegFailed);
    QVERIFY(!QDir(dir_.filePath(QStringLiteral("no-such-folder"))).exists());
    std::string why;
    QVERIFY(!SaveSurfaceAsJpeg(surface, 16, 16, Utf8(path).toStdString(), 90, &why));
    QVERIFY(!why.empty());
  }

  void successReplacesTheOldFile() {
    const QString path = dir_.filePath(QStringLiteral("replace.jpg"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old contents");
    old.close();
    const QImage surface = Surface(16, 16);
    QCOMPARE(Save(&surface, 16, 16, path), kJpegSaved);
    QCOMPARE(QImage(path).size(), QSize(16, 16));
    QVERIFY(Leftovers().isEmpty());
  }

  // A disc that fills up mid-write (simulated by a file size limit) leaves the old file whole.
  void failedWriteKeepsTheOldFile() {
    const QString path = dir_.filePath(QStringLiteral("keep.jpg"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old contents");
    old.close();
    const QImage surface = Surface(400, 400);

    rlimit saved;
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const sighandler_t previous = signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1000;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int32_t result = Save(&surface, 400, 400, path);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previous);

    QCOMPARE(result, kJpegFailed);
    QCOMPARE(Contents(path), QByteArray("old contents"));
    QVERIFY(Leftovers().isEmpty());
    // Bad arguments never reach the file either.
    QCOMPARE(Save(&surface, 401, 10, path), kJpegFailed);
    QCOMPARE(Contents(path), QByteArray("old contents"));
  }

  void japaneseFileNameIsWrittenAsUtf8() {
    const QImage surface = Surface(16, 16);
    const QString path = dir_.filePath(QStringLiteral("ゼンリン詳細図 画像.jpg"));
    QByteArray name = Utf8(path);
    const QByteArray before = name;
    QCOMPARE(DCSavetoJPEG(&surface, 16, 16, name.data(), 90, -1), kJpegSaved);
    QCOMPARE(name, before);  // the buffer is left as it was
    QVERIFY(QFile::exists(path));
    QCOMPARE(QImage(path).size(), QSize(16, 16));
  }

  void anyExtensionIsWrittenAsJpeg() {
    const QImage surface = Surface(16, 16);
    const QString path = dir_.filePath(QStringLiteral("picture.bmp"));
    QCOMPARE(Save(&surface, 16, 16, path), kJpegSaved);
    QVERIFY(Contents(path).startsWith("\xFF\xD8\xFF"));
  }
};

QTEST_MAIN(JpegWriterTest)
#include "JpegWriterTest.moc"
