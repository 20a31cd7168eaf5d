#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTest>
#include <QtEndian>

#include "platform/Clipboard.h"

using namespace velmor::platform;

namespace {
QImage Distinct(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x * 7 & 255, y * 13 & 255, x ^ y));
  return image;
}
}  // namespace

class ClipboardTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { clipboard::Clear(); }

  void pictureRoundTripIsPixelIdentical() {
    const QImage picture = Distinct(37, 21);
    clipboard::PutPicture(picture);
    QVERIFY(clipboard::HasBitmap());
    const QImage back = clipboard::GetPicture();
    QCOMPARE(back.format(), QImage::Format_RGB32);
    QCOMPARE(back, picture);
  }

  void clearRemovesThePicture() {
    clipboard::PutPicture(Distinct(4, 4));
    clipboard::Clear();
    QVERIFY(!clipboard::HasBitmap());
    QVERIFY(clipboard::GetPicture().isNull());
  }

  void textAloneIsNoBitmap() {
    QGuiApplication::clipboard()->setText(QStringLiteral("画面"));
    QVERIFY(!clipboard::HasBitmap());
    QVERIFY(clipboard::GetPicture().isNull());
  }

  void putReplacesText() {
    QGuiApplication::clipboard()->setText(QStringLiteral("old"));
    clipboard::PutPicture(Distinct(3, 2));
    QVERIFY(clipboard::HasBitmap());
    QVERIFY(!QGuiApplication::clipboard()->mimeData()->hasText());
  }

  void nullPictureOnlyClears() {
    clipboard::PutPicture(Distinct(3, 2));
    clipboard::PutPicture(QImage());
    QVERIFY(!clipboard::HasBitmap());
  }

  void transparentPictureComesBackOpaque() {
    QImage picture(2, 1, QImage::Format_ARGB32);
    picture.setPixel(0, 0, qRgba(10, 20, 30, 255));
    picture.setPixel(1, 0, qRgba(0, 0, 0, 0));
    clipboard::PutPicture(picture);
    const QImage back = clipboard::GetPicture();
    QCOMPARE(back.format(), QImage::Format_RGB32);
    QCOMPARE(back.pixel(0, 0), qRgb(10, 20, 30));
  }

  // Another program's picture is read like a file: checked before decoding, damage refused.
  void encodedPictureIsBoundedBeforeDecoding() {
    const QImage picture = Distinct(6, 5);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(picture.save(&buffer, "PNG"));

    auto offer = [](const QByteArray& bytes) {
      auto* data = new QMimeData;
      data->setData(QStringLiteral("image/png"), bytes);
      QGuiApplication::clipboard()->setMimeData(data);
    };
    offer(png);
    QCOMPARE(clipboard::GetPicture(), picture);

    PictureLimits small;
    small.maxPixels = 29;
    QVERIFY(clipboard::GetPicture(small).isNull());

    // A header announcing 60000 x 60000 with no data behind it.
    QByteArray huge = png.left(33);
    qToBigEndian<quint32>(60000, huge.data() + 16);
    qToBigEndian<quint32>(60000, huge.data() + 20);
    offer(huge);
    QVERIFY(clipboard::HasBitmap());
    QVERIFY(clipboard::GetPicture().isNull());

    offer(QByteArray("not a picture"));
    QVERIFY(clipboard::GetPicture().isNull());
  }

  // The chunk bomb is refused whatever type it is offered as; a type the loader does not list
  // still goes through it rather than straight to Qt's decoders.
  void chunkBombIsRefusedUnderAnyPictureType() {
    const QByteArray bomb = QByteArray::fromHex(
                                "89504e470d0a1a0a0000000d494844520000000400000004080200000026930929"
                                "7fffffff") +
                            "zTXtabc";
    for (const char* type : {"image/png", "image/x-png", "image/webp"}) {
      auto* data = new QMimeData;
      data->setData(QLatin1String(type), bomb);
      QGuiApplication::clipboard()->setMimeData(data);
      QVERIFY2(clipboard::GetPicture().isNull(), type);
    }
    // A sound picture under an unlisted type still arrives.
    const QImage picture = Distinct(6, 5);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(picture.save(&buffer, "PNG"));
    auto* data = new QMimeData;
    data->setData(QStringLiteral("image/x-png"), png);
    QGuiApplication::clipboard()->setMimeData(data);
    QCOMPARE(clipboard::GetPicture(), picture);
  }

  void ownPictureIsBoundedToo() {
    clipboard::PutPicture(Distinct(6, 5));
    PictureLimits small;
    small.maxPixels = 29;
    QVERIFY(clipboard::GetPicture(small).isNull());
    small.maxPixels = 30;
    QCOMPARE(clipboard::GetPicture(small).size(), QSize(6, 5));
  }
};

QTEST_MAIN(ClipboardTest)
#include "ClipboardTest.moc"
