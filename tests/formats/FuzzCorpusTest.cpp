// Replays the fuzzers' stored inputs (fuzz/corpus/) in the ordinary test run, so that every
// input that once broke a reader keeps being read safely, also in the sanitizer build, and the
// seeds stay valid pictures and settings files.
#include <QDir>
#include <QFile>
#include <QTest>

#include "FuzzLimits.h"
#include "core/formats/PictureFormat.h"
#include "core/settings/SettingsFile.h"
#include "formats/PictureLoader.h"

using namespace velmor;
using namespace velmor::platform;

namespace {

QDir CorpusDir(const QString& target) {
  return QDir(QStringLiteral(VELMOR_FUZZ_CORPUS_DIR "/") + target);
}

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The inputs libFuzzer saved when a reader failed carry its prefixes; everything else is a seed.
bool IsFinding(const QString& name) {
  static const char* const kPrefixes[] = {"crash-", "leak-", "timeout-", "oom-", "slow-unit-"};
  for (const char* prefix : kPrefixes)
    if (name.startsWith(QLatin1String(prefix))) return true;
  return false;
}

struct Format {
  const char* target;
  PictureKind kind;
};

const Format kFormats[] = {
    {"fuzz_picture_bmp", PictureKind::Bmp}, {"fuzz_picture_jpeg", PictureKind::Jpeg},
    {"fuzz_picture_gif", PictureKind::Gif}, {"fuzz_picture_png", PictureKind::Png},
    {"fuzz_picture_ico", PictureKind::Ico}, {"fuzz_picture_wmf", PictureKind::Wmf},
    {"fuzz_picture_emf", PictureKind::Emf},
};

bool HasNonWhitePixel(const QImage& image) {
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x)
      if ((line[x] & 0xFFFFFF) != 0xFFFFFF) return true;
  }
  return false;
}

}  // namespace

class FuzzCorpusTest : public QObject {
  Q_OBJECT

 private slots:
  void pictureInputs_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("kind");
    int count = 0;
    for (const Format& format : kFormats) {
      const QDir dir = CorpusDir(QLatin1String(format.target));
      for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
        QTest::newRow(qPrintable(QLatin1String(format.target) + '/' + name))
            << dir.filePath(name) << static_cast<int>(format.kind);
        ++count;
      }
    }
    QVERIFY2(count >= 7 * 3, "every picture format keeps a few seeds");
  }

  // A seed is a valid picture of its format that draws something; a stored finding is read
  // without harm: refused with a reason or loaded within the limits.
  void pictureInputs() {
    QFETCH(QString, path);
    QFETCH(int, kind);
    const QByteArray bytes = ReadAll(path);
    QString error;
    const PictureLimits limits = fuzz::PictureFuzzLimits();
    const std::optional<QImage> picture = LoadPictureFromBytes(bytes, limits, &error);
    if (IsFinding(QFileInfo(path).fileName())) {
      if (!picture) {
        QVERIFY(!error.isEmpty());
        return;
      }
    } else {
      QCOMPARE(static_cast<int>(SniffPicture({bytes.constData(), size_t(bytes.size())})), kind);
      QVERIFY2(picture.has_value(), qPrintable(error));
      QVERIFY(HasNonWhitePixel(*picture));
    }
    QCOMPARE(picture->format(), QImage::Format_RGB32);
    QVERIFY(int64_t(picture->width()) * picture->height() <= limits.maxPixels);
  }

  // What the program writes after reading any stored settings input reads back the same.
  void settingsInputsWriteBackStably() {
    const QDir dir = CorpusDir(QStringLiteral("fuzz_settings"));
    const QStringList names = dir.entryList(QDir::Files, QDir::Name);
    QVERIFY(names.size() >= 3);
    for (const QString& name : names) {
      const QByteArray bytes = ReadAll(dir.filePath(name));
      const Settings read = ParseSettings({bytes.constData(), size_t(bytes.size())});
      const std::string written = SerializeSettings(read);
      QVERIFY2(SerializeSettings(ParseSettings(written)) == written, qPrintable(name));
    }
  }
};

QTEST_MAIN(FuzzCorpusTest)
#include "FuzzCorpusTest.moc"
