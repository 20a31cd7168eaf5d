#include <QDir>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QTemporaryDir>
#include <QtTest>

#include "app/Icons.h"

namespace {

const QStringList kToolbar = {"open",
                              "save",
                              "zoom-frame",
                              "zoom-in",
                              "zoom-out",
                              "zoom-actual",
                              "cut",
                              "copy",
                              "paste",
                              "capture",
                              "capture-target-full",
                              "capture-target-active",
                              "settings",
                              "copy-figures"};
const QStringList kToolPanel = {"tool-segment",  "tool-rectangle", "tool-circle",    "tool-text",
                                "tool-mosaic",   "tool-marker",    "tool-highlight", "tool-move",
                                "tool-delete",   "tool-trim-both", "tool-trim-one",  "tool-extend",
                                "tool-parallel", "undo",           "capture-rect",   "redo"};
const QStringList kNames = kToolbar + kToolPanel + QStringList{"app"};

QImage Render(const QIcon& icon, int size) {
  return icon.pixmap(QSize(size, size)).toImage().convertToFormat(QImage::Format_ARGB32);
}

int VisiblePixels(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) count += qAlpha(image.pixel(x, y)) >= 128 ? 1 : 0;
  }
  return count;
}

}  // namespace

class IconsTest : public QObject {
  Q_OBJECT

 private slots:
  void shipsEveryIconDrawnAtEachButtonSize_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("size");
    for (const QString& name : kNames) {
      for (int size : {16, 25}) {
        QTest::newRow(qPrintable(QStringLiteral("%1@%2").arg(name).arg(size))) << name << size;
      }
    }
  }

  void shipsEveryIconDrawnAtEachButtonSize() {
    QFETCH(QString, name);
    QFETCH(int, size);
    const QIcon icon = velmor::VelmorIcon(name);
    QVERIFY(!icon.isNull());
    // Drawn for this size, not scaled down from a larger one.
    QVERIFY(icon.availableSizes().contains(QSize(size, size)));
    const QImage image = Render(icon, size);
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), QSize(size, size));
    // Enough ink to read, and a shape rather than a filled square.
    const int visible = VisiblePixels(image);
    QVERIFY2(visible >= size * size / 10, qPrintable(name));
    QVERIFY2(visible < size * size, qPrintable(name));
  }

  void programIconHasLargeSizes() {
    const QIcon icon = velmor::VelmorIcon("app");
    for (int size : {32, 64}) {
      QVERIFY(icon.availableSizes().contains(QSize(size, size)));
      QVERIFY(VisiblePixels(Render(icon, size)) > size * size / 2);
    }
  }

  void everyIconLooksDifferent() {
    QHash<QByteArray, QString> seen;
    for (const QString& name : kNames) {
      for (int size : {16, 25}) {
        const QImage image = Render(velmor::VelmorIcon(name), size);
        const QByteArray key =
            QByteArray::number(size) +
            QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
        QVERIFY2(!seen.contains(key), qPrintable(name + " looks like " + seen.value(key) + " at " +
                                                 QString::number(size)));
        seen.insert(key, name);
      }
    }
  }

  void shippedIconWinsOverDesktopTheme() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString themeDir = dir.filePath("velmor-test");
    QVERIFY(QDir().mkpath(themeDir + "/16x16/actions"));
    QFile index(themeDir + "/index.theme");
    QVERIFY(index.open(QIODevice::WriteOnly));
    index.write(
        "[Icon Theme]\nName=velmor-test\nDirectories=16x16/actions\n\n"
        "[16x16/actions]\nSize=16\nType=Fixed\n");
    index.close();
    QImage magenta(16, 16, QImage::Format_ARGB32);
    magenta.fill(Qt::magenta);
    QVERIFY(magenta.save(themeDir + "/16x16/actions/document-open.png"));

    const QStringList oldPaths = QIcon::themeSearchPaths();
    const QString oldTheme = QIcon::themeName();
    QIcon::setThemeSearchPaths({dir.path()});
    QIcon::setThemeName("velmor-test");
    QVERIFY(!QIcon::fromTheme("document-open").isNull());

    const QImage shipped = QImage(":/icons/open-16.png").convertToFormat(QImage::Format_ARGB32);
    const QImage got = Render(velmor::VelmorIcon("open"), 16);
    QIcon::setThemeName(oldTheme);
    QIcon::setThemeSearchPaths(oldPaths);
    QCOMPARE(got, shipped);
  }

  void unknownNameGivesNoIcon() { QVERIFY(velmor::VelmorIcon("no-such-icon").isNull()); }
};

QTEST_MAIN(IconsTest)
#include "IconsTest.moc"
