#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "formats/PictureWriter.h"

using namespace velmor::platform;

namespace {

// Thin lines and single pixels over flat colour: what a lossy writer would smear.
QImage Screenshot(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(qRgb(250, 250, 250));
  for (int x = 0; x < w; ++x) image.setPixel(x, h / 2, qRgb(0, 0, 0));
  for (int y = 0; y < h; y += 3) image.setPixel(y % w, y, qRgb(255, 0, 0));
  return image;
}

int32_t Save(const QImage& surface, int w, int h, const QString& path, uint32_t quality = 90,
             int32_t reserved = -1) {
  QByteArray name = QFile::encodeName(path);
  return DCSavetoPicture(&surface, w, h, name.data(), quality, reserved);
}

QByteArray Contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class PictureWriterTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  QString Path(const QString& name) { return dir_.filePath(name); }

 private slots:
  void kindFollowsTheExtensionInAnyCase() {
    QCOMPARE(PictureKindOf("/a/b.bmp"), PictureKind::kBmp);
    QCOMPARE(PictureKindOf("/a/b.BmP"), PictureKind::kBmp);
    QCOMPARE(PictureKindOf("/a/b.png"), PictureKind::kPng);
    QCOMPARE(PictureKindOf("/a/b.PNG"), PictureKind::kPng);
    for (const char* other : {"/a/b.jpg", "/a/b.jpeg", "/a/b.jpe", "/a/b.tif", "/a/b", "/a.png/b",
                              "/a/b.png.", "/a/.png.jpg", ""})
      QCOMPARE(PictureKindOf(other), PictureKind::kJpeg);
  }

  void refusalsLeaveTheOldFile_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<uint>("quality");
    QTest::addColumn<int>("reserved");
    QTest::newRow("wider than the surface") << 121 << 90u << -1;
    QTest::newRow("no width") << 0 << 90u << -1;
    QTest::newRow("quality 0") << 50 << 0u << -1;
    QTest::newRow("quality past 8 bits") << 50 << 256u << -1;
    QTest::newRow("reserved not -1") << 50 << 90u << 0;
  }
  void refusalsLeaveTheOldFile() {
    QFETCH(int, width);
    QFETCH(uint, quality);
    QFETCH(int, reserved);
    const QImage surface = Screenshot(120, 90);
    for (const char* name : {"old.bmp", "old.png"}) {
      const QString path = Path(QString::fromLatin1(name));
      QFile file(path);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write("old");
      file.close();
      QCOMPARE(Save(surface, width, 40, path, quality, reserved), kJpegFailed);
      QCOMPARE(Contents(path), QByteArray("old"));
    }
    QCOMPARE(QDir(dir_.path()).entryList({"old.*"}, QDir::Files).size(), 2);  // no temporaries
  }

  void missingFolderOrSurfaceFails() {
    const QImage surface = Screenshot(20, 20);
    QCOMPARE(Save(surface, 20, 20, Path("missing/x.png")), kJpegFailed);
    QVERIFY(!QFile::exists(Path("missing/x.png")));
    QByteArray name = QFile::encodeName(Path("x.bmp"));
    QCOMPARE(DCSavetoPicture(nullptr, 20, 20, name.data(), 90, -1), kJpegFailed);
    QCOMPARE(DCSavetoPicture(&surface, 20, 20, nullptr, 90, -1), kJpegFailed);
    QCOMPARE(Save(QImage(), 20, 20, Path("x.bmp")), kJpegFailed);
    QVERIFY(!QFile::exists(Path("x.bmp")));
  }
};

QTEST_MAIN(PictureWriterTest)
#include "PictureWriterTest.moc"
