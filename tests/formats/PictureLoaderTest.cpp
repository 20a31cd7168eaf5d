#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "formats/PictureLoader.h"

using namespace velmor::platform;

namespace {

QImage Quadrants(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const bool right = x >= w / 2, bottom = y >= h / 2;
      image.setPixel(x, y,
                     right ? (bottom ? qRgb(0, 0, 255) : qRgb(0, 255, 0))
                           : (bottom ? qRgb(255, 255, 0) : qRgb(255, 0, 0)));
    }
  }
  return image;
}

QByteArray Encoded(const QImage& image, const char* format, int quality = -1) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format, quality);
  return bytes;
}

// Qt writes no GIF: this one sends a clear code before every second pixel, so that every code
// stays three bits wide (four colours: red, green, yellow, blue).
QByteArray Gif(int w, int h) {
  QByteArray b("GIF89a");
  auto u16 = [&](int v) {
    b.append(char(v & 255));
    b.append(char(v >> 8));
  };
  u16(w);
  u16(h);
  b.append(char(0x81)).append('\0').append('\0');
  b.append("\xFF\0\0\0\xFF\0\xFF\xFF\0\0\0\xFF", 12);
  b.append(',');
  u16(0);
  u16(0);
  u16(w);
  u16(h);
  b.append('\0').append(char(2));
  QByteArray data;
  unsigned bits = 0;
  int count = 0;
  auto put = [&](unsigned code) {
    bits |= code << count;
    count += 3;
    while (count >= 8) {
      data.append(char(bits & 255));
      bits >>= 8;
      count -= 8;
    }
  };
  int n = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x, ++n) {
      if (n % 2 == 0) put(4);
      put((x >= w / 2 ? 1 : 0) + (y >= h / 2 ? 2 : 0));
    }
  }
  put(5);
  if (count) data.append(char(bits & 255));
  for (qsizetype i = 0; i < data.size(); i += 255) {
    const qsizetype length = std::min<qsizetype>(255, data.size() - i);
    b.append(char(length)).append(data.mid(i, length));
  }
  b.append('\0').append(';');
  return b;
}

uint32_t U32At(const QByteArray& b, int at) {
  return uint8_t(b[at]) | uint8_t(b[at + 1]) << 8 | uint8_t(b[at + 2]) << 16 |
         uint32_t(uint8_t(b[at + 3])) << 24;
}

// One icon file holding the single images of the given icon files.
QByteArray JoinIcons(const QList<QByteArray>& icons) {
  QByteArray head, body;
  head.append("\0\0\1\0", 4).append(char(icons.size())).append('\0');
  const int dataStart = 6 + 16 * icons.size();
  for (const QByteArray& icon : icons) {
    const uint32_t size = U32At(icon, 14), offset = U32At(icon, 18);
    QByteArray entry = icon.mid(6, 16);
    const uint32_t at = dataStart + body.size();
    for (int i = 0; i < 4; ++i) entry[12 + i] = char(at >> (8 * i));
    head.append(entry);
    body.append(icon.mid(offset, size));
  }
  return head + body;
}

QByteArray BmpHeader(int32_t width, int32_t height, uint16_t bits, uint32_t compression) {
  const uint32_t pixelsAt = bits <= 8 ? 54 + (4u << bits) : 54;
  QByteArray b(54, '\0');
  auto put32 = [&](int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = char(v >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, pixelsAt);
  put32(10, pixelsAt);
  put32(14, 40);
  put32(18, uint32_t(width));
  put32(22, uint32_t(height));
  b[26] = 1;
  b[28] = char(bits);
  put32(30, compression);
  return b;
}

bool SameColour(QRgb a, QRgb b, int tolerance) {
  return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
         std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

}  // namespace

class PictureLoaderTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

  QString Write(const QString& name, const QByteArray& bytes) {
    const QString path = dir_.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return {};
    return path;
  }

 private slots:
  void everyFormatLoadsAsRgb32_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("tolerance");
    const QImage picture = Quadrants(40, 30);
    QTest::newRow("bmp") << Encoded(picture, "BMP") << 0;
    QTest::newRow("png") << Encoded(picture, "PNG") << 0;
    QTest::newRow("jpeg") << Encoded(picture, "JPEG", 95) << 24;
    QTest::newRow("gif") << Gif(40, 30) << 0;
    QTest::newRow("ico") << Encoded(picture, "ICO") << 0;
    QTest::newRow("8-bit bmp") << Encoded(picture.convertToFormat(QImage::Format_Indexed8), "BMP")
                               << 0;
  }
  void everyFormatLoadsAsRgb32() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, tolerance);
    const QString path = Write(QStringLiteral("picture.bin"), bytes);
    QString error;
    const std::optional<QImage> image = LoadPicture(path, &error);
    QVERIFY2(image, qPrintable(error));
    QCOMPARE(image->size(), QSize(40, 30));
    QCOMPARE(image->format(), QImage::Format_RGB32);
    QVERIFY(SameColour(image->pixel(5, 5), qRgb(255, 0, 0), tolerance));
    QVERIFY(SameColour(image->pixel(34, 5), qRgb(0, 255, 0), tolerance));
    QVERIFY(SameColour(image->pixel(5, 25), qRgb(255, 255, 0), tolerance));
    QVERIFY(SameColour(image->pixel(34, 25), qRgb(0, 0, 255), tolerance));
  }

  void kindIsToldByContentNotByName() {
    const QString path = Write(QStringLiteral("really-a-png.jpg"), Encoded(Quadrants(8, 6), "PNG"));
    QVERIFY(LoadPicture(path));
  }

  void transparentPartsShowWhite() {
    QImage picture(4, 4, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    picture.setPixel(1, 1, qRgba(255, 0, 0, 255));
    const std::optional<QImage> image = LoadPictureFromBytes(Encoded(picture, "PNG"));
    QVERIFY(image);
    QCOMPARE(image->pixel(0, 0), qRgb(255, 255, 255));
    QCOMPARE(image->pixel(1, 1), qRgb(255, 0, 0));
  }

  void iconShowsItsLargestImage() {
    const QByteArray small = Encoded(Quadrants(16, 16), "ICO");
    const QByteArray large = Encoded(Quadrants(48, 48), "ICO");
    const std::optional<QImage> image = LoadPictureFromBytes(JoinIcons({small, large}));
    QVERIFY(image);
    QCOMPARE(image->size(), QSize(48, 48));
  }

  void japaneseFileNameLoads() {
    const QString path =
        Write(QStringLiteral("ゼンリン-詳細図.png"), Encoded(Quadrants(8, 6), "PNG"));
    QVERIFY(!path.isEmpty());
    QVERIFY(LoadPicture(path));
  }

  void badFilesAreRefused_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QImage picture = Quadrants(200, 150);
    QImage noisy(200, 150, QImage::Format_RGB32);
    for (int y = 0; y < 150; ++y)
      for (int x = 0; x < 200; ++x) noisy.setPixel(x, y, qRgb(x * 37 % 256, y * 91 % 256, x ^ y));
    const QByteArray bmp = Encoded(picture, "BMP"), jpeg = Encoded(noisy, "JPEG", 90),
                     png = Encoded(noisy, "PNG"), gif = Gif(40, 30),
                     ico = Encoded(Quadrants(32, 32), "ICO");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("text") << QByteArray("just some words, not a picture\n");
    QTest::newRow("garbage") << QByteArray(4096, '\x5A');
    QTest::newRow("bmp header only") << bmp.left(54);
    QTest::newRow("bmp half") << bmp.left(bmp.size() / 2);
    QTest::newRow("bmp one byte short") << bmp.left(bmp.size() - 1);
    QTest::newRow("jpeg half") << jpeg.left(jpeg.size() / 2);
    QTest::newRow("jpeg without end marker") << jpeg.left(jpeg.size() - 2);
    QTest::newRow("png half") << png.left(png.size() / 2);
    QTest::newRow("gif half") << gif.left(gif.size() / 2);
    QTest::newRow("ico half") << ico.left(ico.size() / 2);
    // A thumbnail's end marker inside an APP1 segment does not end the picture.
    QByteArray withThumbnail = jpeg.left(2);
    withThumbnail.append("\xFF\xE1\x00\x08\xFF\xD9\xFF\xD9", 8).append(jpeg.mid(2));
    QTest::newRow("jpeg half with thumbnail marker")
        << withThumbnail.left(withThumbnail.size() / 2);
    QTest::newRow("bmp signature only") << QByteArray("BM").append(QByteArray(30, '\0'));
  }
  void badFilesAreRefused() {
    QFETCH(QByteArray, bytes);
    QString error;
    QVERIFY(!LoadPictureFromBytes(bytes, &error));
    QVERIFY(!error.isEmpty());
    const QString path = Write(QStringLiteral("bad.bmp"), bytes);
    QVERIFY(!LoadPicture(path));
  }

  // An ancillary chunk that claims more bytes than the file holds is refused before any
  // decoder sees it (a decoder would allocate all of it first), alone or inside an icon.
  void chunksLongerThanTheFileAreRefused_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray head =
        QByteArray::fromHex("89504e470d0a1a0a0000000d494844520000000400000004080200000026930929");
    const QByteArray huge = QByteArray::fromHex("7fffffff");
    QTest::newRow("text chunk, 44 bytes") << head + huge + "tEXtabc";
    QTest::newRow("compressed text chunk") << head + huge + "zTXtabc";
    QTest::newRow("international text chunk") << head + huge + "iTXt";
    QTest::newRow("length beyond 2^31") << head + QByteArray::fromHex("ffffffff") + "tEXtabc";
    // After the picture data, where a decoder reads on for the end chunk.
    QByteArray png = Encoded(Quadrants(8, 8), "PNG");
    png.insert(png.size() - 12, huge + QByteArray("tEXtKey\0value", 13));
    QTest::newRow("text chunk after the data") << png;
    // An icon whose image is such a PNG.
    const QByteArray bomb = head + huge + "zTXtabc";
    QByteArray ico("\0\0\1\0\1\0", 6);
    ico.append("\4\4\0\0\1\0\x20\0", 8);
    const uint32_t size = bomb.size(), offset = 22;
    ico.append(reinterpret_cast<const char*>(&size), 4);
    ico.append(reinterpret_cast<const char*>(&offset), 4);
    ico.append(bomb);
    QTest::newRow("icon holding the bomb") << ico;
  }
  void chunksLongerThanTheFileAreRefused() {
    QFETCH(QByteArray, bytes);
    QString error;
    QVERIFY(!LoadPictureFromBytes(bytes, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!LoadPicture(Write(QStringLiteral("bomb.png"), bytes), &error));
  }

  // Text chunks that fit, before and after the data, do not stop a picture.
  void chunksThatFitStillLoad() {
    QByteArray png = Encoded(Quadrants(8, 8), "PNG");
    const QByteArray body = QByteArray("tEXtKey\0value", 13);
    uint32_t crc = 0xFFFFFFFFu;  // the chunk's CRC-32 over its type and data
    for (const char c : body) {
      crc ^= uint8_t(c);
      for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    crc = ~crc;
    QByteArray text = QByteArray::fromHex("00000009") + body;
    for (int shift : {24, 16, 8, 0}) text.append(char(crc >> shift & 0xFF));
    png.insert(33, text);
    const std::optional<QImage> image = LoadPictureFromBytes(png);
    QVERIFY(image);
    QCOMPARE(image->pixel(7, 7), qRgb(0, 0, 255));
  }

  void lastRowMayLackItsPadding() {
    const QByteArray bmp =
        Encoded(Quadrants(3, 2), "BMP");  // 24-bit rows: 9 bytes and 3 of padding
    QCOMPARE(bmp.size(), 54 + 2 * 12);
    QVERIFY(LoadPictureFromBytes(bmp.left(bmp.size() - 3)));
    QVERIFY(!LoadPictureFromBytes(bmp.left(bmp.size() - 4)));
  }

  void missingFileAndFolderAreRefused() {
    QString error;
    QVERIFY(!LoadPicture(dir_.filePath(QStringLiteral("nothing.bmp")), &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!LoadPicture(dir_.path(), &error));
  }

  // Headers that announce absurd sizes are refused from the header, before any decoding.
  void decompressionBombsAreRefusedBeforeDecoding_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("uncompressed bmp") << BmpHeader(100000, 100000, 24, 0);
    QByteArray rle = BmpHeader(100000, 100000, 8, 1);
    rle.append(QByteArray(1024, '\0'));  // a palette, then end-of-bitmap
    rle.append("\x00\x01", 2);
    QTest::newRow("run-length bmp") << rle;
    // A PNG whose header announces 100000 x 100000 pixels.
    QByteArray png = Encoded(Quadrants(8, 8), "PNG");
    for (int at : {16, 20}) {
      png[at] = 0;
      png[at + 1] = 1;
      png[at + 2] = char(0x86);
      png[at + 3] = char(0xA0);
    }
    QTest::newRow("png") << png;
    QByteArray jpeg = Encoded(Quadrants(8, 8), "JPEG");
    const qsizetype frame = jpeg.indexOf("\xFF\xC0");
    for (int i = 5; i <= 8; ++i) jpeg[frame + i] = char(0xFD);  // 65021 x 65021
    QTest::newRow("jpeg") << jpeg;
    QByteArray gif = Gif(8, 8);
    gif[6] = gif[7] = gif[8] = gif[9] = char(0xFF);
    QTest::newRow("gif screen") << gif;
  }
  void decompressionBombsAreRefusedBeforeDecoding() {
    QFETCH(QByteArray, bytes);
    QString error;
    QVERIFY(!LoadPictureFromBytes(bytes, &error));
    QVERIFY2(error.contains(QLatin1String("too large")), qPrintable(error));
  }

  // Run-length rows have no count to check against the file: the size alone refuses them.
  void compressedBombIsRefusedForItsSize() {
    auto rle = [](int side) {
      QByteArray bmp = BmpHeader(side, side, 8, 1);
      return bmp.append(QByteArray(1024, '\0')).append("\x00\x01", 2);  // palette, end
    };
    QVERIFY(LoadPictureFromBytes(rle(300)));
    QString error;
    QVERIFY(!LoadPictureFromBytes(rle(20000), &error));
    QVERIFY2(error.contains(QLatin1String("too large")), qPrintable(error));
  }

  void pixelLimitCanBeLowered() {
    PictureLimits limits;
    limits.maxPixels = 400;
    QVERIFY(LoadPictureFromBytes(Encoded(Quadrants(20, 20), "PNG"), limits));
    QString error;
    QVERIFY(!LoadPictureFromBytes(Encoded(Quadrants(21, 20), "PNG"), limits, &error));
    QVERIFY(error.contains(QLatin1String("too large")));
  }

  void fileSizeLimitIsChecked() {
    PictureLimits limits;
    limits.maxFileBytes = 100;
    const QString path = Write(QStringLiteral("big.bmp"), Encoded(Quadrants(40, 30), "BMP"));
    QString error;
    QVERIFY(!LoadPicture(path, limits, &error));
    QVERIFY(error.contains(QLatin1String("too large")));
  }
};

QTEST_MAIN(PictureLoaderTest)
#include "PictureLoaderTest.moc"
