// Inputs the fuzzers found that broke the picture loader's limits, pinned so they stay fixed.
#include <QTest>

#include "formats/PictureLoader.h"

using namespace velmor::platform;

namespace {

// A GIF whose logical screen is 65283 pixels wide and 0 high, with a 514 x 128 frame: Qt's
// reader reports 514 x 131 before decoding but decodes a 65283 x 131 picture.
QByteArray GifWiderThanReported() {
  return QByteArray::fromBase64(
      "R0lGODlhA/8AAAAAACH5BAAKAAAAIf8LTkWqU0NBW1BFAAgALAAAAwACAoAAAgACAPAAAP8AAAAAACH5BAAKAAAA"
      "If8LTkWqU0NBW1BFAAgALAAAAwACAoAAAv8AAAACAgA7");
}

PictureLimits WithMaxPixels(int64_t pixels) {
  PictureLimits limits;
  limits.maxPixels = pixels;
  return limits;
}

}  // namespace

class PictureLimitsTest : public QObject {
  Q_OBJECT

 private slots:
  void gifDecodedLargerThanReportedIsRefusedOverTheLimit() {
    QString error;
    const auto picture =
        LoadPictureFromBytes(GifWiderThanReported(), WithMaxPixels(1'000'000), &error);
    QVERIFY(!picture.has_value());
    QVERIFY2(error.contains(QLatin1String("too large")), qPrintable(error));
  }

  void gifDecodedLargerThanReportedLoadsWithinALargerLimit() {
    const PictureLimits limits = WithMaxPixels(10'000'000);
    QString error;
    const auto picture = LoadPictureFromBytes(GifWiderThanReported(), limits, &error);
    QVERIFY2(picture.has_value(), qPrintable(error));
    QVERIFY(int64_t(picture->width()) * picture->height() <= limits.maxPixels);
    QCOMPARE(picture->format(), QImage::Format_RGB32);
  }
};

QTEST_MAIN(PictureLimitsTest)
#include "PictureLimitsTest.moc"
