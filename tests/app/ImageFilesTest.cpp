// Opening pictures into the canvas and saving the canvas as JPEG, with the dialogs answered.
#include <sys/resource.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

#include "core/model/ControlIndexes.h"
#include "support/FakeModal.h"
#include "support/FormFixture.h"
#include "view/CanvasWidget.h"

using velmor::Form1;
using velmor::platform::CommonDialog;
using velmor::platform::DialogKind;
using velmor::test::FakeModal;
using velmor::test::FormFixture;
namespace slot = velmor::slot;

namespace {

QImage Pattern(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.setPixel(x, y,
                     qRgb(x * 255 / width, y * 255 / height, (x + y) * 255 / (width + height)));
  return image;
}

void Answer(FakeModal& modal, const QString& path) {
  modal.dialogAnswers.push_back([path](CommonDialog& d) {
    d.FileName = path;
    return true;
  });
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

// Largest and mean difference of one channel between two images of the same size.
std::pair<int, double> ChannelError(const QImage& a, const QImage& b) {
  int worst = 0;
  double sum = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      for (int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)}) {
        worst = std::max(worst, std::abs(d));
        sum += std::abs(d);
      }
    }
  return {worst, sum / (3.0 * a.width() * a.height())};
}

// Files written by this process fail past `bytes` (as on a full disc) while it lives.
struct DiscFullAfter {
  rlimit saved{};
  void (*oldHandler)(int);
  explicit DiscFullAfter(rlim_t bytes) {
    oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &small);
  }
  ~DiscFullAfter() {
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
  }
};

}  // namespace

class ImageFilesTest : public QObject {
  Q_OBJECT

  QTemporaryDir files_;
  std::unique_ptr<FormFixture> f_;
  std::unique_ptr<FakeModal> modal_;
  Form1& form() { return *f_->form; }
  QString FilePath(const QString& name) { return files_.filePath(name); }

 private slots:
  void init() {
    modal_ = std::make_unique<FakeModal>();
    f_ = std::make_unique<FormFixture>();
    f_->form->show();
    QVERIFY(QTest::qWaitForWindowExposed(f_->form.get()));
  }
  void cleanup() {
    f_.reset();
    modal_.reset();
  }

  void openSetsNamesCaptionAndPicture() {
    const QString folder = FilePath(QStringLiteral("pics"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(Pattern(64, 48).save(folder + QStringLiteral("/site.A-12.jpg"), "JPEG", 95));
    form().figures.FigureCount = 3;
    form().view.ZoomPercent = 250;
    Answer(*modal_, folder + QStringLiteral("/site.A-12.jpg"));
    form().OpenImage();

    QCOMPARE(modal_->dialogs.size(), size_t{1});
    const auto& [kind, dialog] = modal_->dialogs.front();
    QCOMPARE(kind, DialogKind::Open);
    QCOMPARE(dialog.DialogTitle, QStringLiteral("画像ﾌｧｲﾙを開く"));
    QCOMPARE(dialog.Filter, QStringLiteral("画像ﾌｧｲﾙ|*.jpg;*.bmp;*.jpeg;*.png"));
    QCOMPARE(dialog.FilterIndex, 1);
    QCOMPARE(dialog.Flags, 4);

    QCOMPARE(form().ImageFolder, folder + QStringLiteral("/"));
    QCOMPARE(form().ImageFileName, QStringLiteral("site.A-12.jpg"));
    QCOMPARE(form().Text3->text(), QStringLiteral("site"));
    QCOMPARE(form().windowTitle(), QStringLiteral("Velmor  site.A-12.jpg"));
    QCOMPARE(form().Status(velmor::status::kPrompt), QStringLiteral("画像ロード完了"));
    QCOMPARE(form().Status(velmor::status::kImageSize), QStringLiteral("64 × 48"));
    QCOMPARE(form().figures.FigureCount, 0);
    QCOMPARE(form().view.ZoomPercent, int16_t{100});
    QCOMPARE(form().Picture2->size(), QSize(64, 48));
    QVERIFY(ChannelError(form().Picture2->Surface(), Pattern(64, 48)).first < 40);
  }

  void cancelledDialogsOnlyPrompt() {
    form().OpenImage();
    QCOMPARE(form().Status(velmor::status::kPrompt), QStringLiteral("画像ﾌｧｲﾙを指示"));
    QCOMPARE(form().ImageFileName, QString());
    QCOMPARE(form().windowTitle(), QStringLiteral("Velmor"));
    form().SaveImage();
    QCOMPARE(form().Status(velmor::status::kPrompt), QStringLiteral("保存画像ﾌｧｲﾙを指示"));
    QCOMPARE(form().ImageFolder, QString());
    QVERIFY(modal_->messages.empty());
  }

  void nameWithoutDotChangesOnlyTheTwoNames() {
    QVERIFY(Pattern(20, 10).save(FilePath(QStringLiteral("noext")), "BMP"));
    form().Text3->setText(QStringLiteral("keep"));
    form().figures.FigureCount = 2;
    form().view.ZoomPercent = 150;
    Answer(*modal_, FilePath(QStringLiteral("noext")));
    form().OpenImage();
    QCOMPARE(form().ImageFileName, QStringLiteral("noext"));
    QCOMPARE(form().ImageFolder, files_.path() + QStringLiteral("/"));
    QCOMPARE(form().Text3->text(), QStringLiteral("keep"));
    QCOMPARE(form().figures.FigureCount, 2);
    QCOMPARE(form().view.ZoomPercent, int16_t{150});
    QVERIFY(!form().Picture2->HasPicture());
    QCOMPARE(form().Status(velmor::status::kPrompt), QStringLiteral("画像ﾌｧｲﾙを指示"));
    QCOMPARE(form().windowTitle(), QStringLiteral("Velmor"));
  }

  void badPicturesAreRefusedAndNothingChanges_data() {
    QTest::addColumn<QByteArray>("bytes");
    QByteArray jpeg;
    {
      QBuffer buffer(&jpeg);
      buffer.open(QIODevice::WriteOnly);
      Pattern(50, 50).save(&buffer, "JPEG");
    }
    QByteArray bomb("BM");  // a BMP header announcing 100000 x 100000 pixels of 32 bits
    bomb.append(
        QByteArray::fromHex("36000000"
                            "00000000"
                            "36000000"
                            "28000000"
                            "a0860100"
                            "a0860100"
                            "0100"
                            "2000"
                            "00000000"
                            "00000000"
                            "130b0000"
                            "130b0000"
                            "00000000"
                            "00000000"));
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("text") << QByteArray("this is not a picture\n");
    QTest::newRow("truncated jpeg") << jpeg.left(jpeg.size() / 3);
    QTest::newRow("decompression bomb") << bomb;
    // A sound picture wider than a canvas may be: the scroll bars could not reach its end.
    QByteArray wide;
    {
      QBuffer buffer(&wide);
      buffer.open(QIODevice::WriteOnly);
      QImage strip(40000, 2, QImage::Format_RGB32);
      strip.fill(Qt::gray);
      strip.save(&buffer, "PNG");
    }
    QTest::newRow("wider than a canvas") << wide;
    // 44 bytes: a 4 x 4 PNG whose text chunk claims 2 GiB that the file does not hold.
    const QByteArray head =
        QByteArray::fromHex("89504e470d0a1a0a0000000d494844520000000400000004080200000026930929");
    QTest::newRow("png text chunk bomb") << head + QByteArray::fromHex("7fffffff") + "tEXtabc";
    QTest::newRow("png ztxt chunk bomb") << head + QByteArray::fromHex("7fffffff") + "zTXtabc";
  }
  // A failed open changes nothing: picture, zoom, figures, names and the text box stay.
  void badPicturesAreRefusedAndNothingChanges() {
    QFETCH(QByteArray, bytes);
    QVERIFY(Pattern(40, 30).save(FilePath(QStringLiteral("good.bmp")), "BMP"));
    Answer(*modal_, FilePath(QStringLiteral("good.bmp")));
    form().OpenImage();
    form().panel.ZoomStep = 100;
    form().ZoomIn();
    form().figures.FigureCount = 4;

    WriteBytes(FilePath(QStringLiteral("bad.jpg")), bytes);
    Answer(*modal_, FilePath(QStringLiteral("bad.jpg")));
    form().OpenImage();
    QCOMPARE(form().ImageFileName, QStringLiteral("good.bmp"));
    QCOMPARE(form().Text3->text(), QStringLiteral("good"));
    QCOMPARE(form().figures.FigureCount, 4);
    QCOMPARE(form().view.ZoomPercent, int16_t{200});
    QCOMPARE(form().Picture2->Picture().size(), QSize(40, 30));
    QCOMPARE(form().Picture2->size(), QSize(80, 60));
    QCOMPARE(form().windowTitle(), QStringLiteral("Velmor  good.bmp"));
    QCOMPARE(form().Status(velmor::status::kPrompt), QStringLiteral("画像ﾌｧｲﾙを指示"));
    QCOMPARE(modal_->messages.size(), size_t{1});
    QVERIFY(modal_->messages.front().text.contains(FilePath(QStringLiteral("bad.jpg"))));
    QCOMPARE(modal_->messages.front().title, QStringLiteral("Velmor"));
  }

  void saveAtTwiceTheZoomWritesTheSurface() {
    QVERIFY(Pattern(80, 60).save(FilePath(QStringLiteral("in.bmp")), "BMP"));
    Answer(*modal_, FilePath(QStringLiteral("in.bmp")));
    form().OpenImage();
    form().panel.ZoomStep = 100;
    form().ZoomIn();
    form().settings.Set(slot::kJpegQuality, 95.0);
    const QString out = FilePath(QStringLiteral("out.bmp"));  // the name is used unchanged
    Answer(*modal_, out);
    form().SaveImage();

    const auto& [kind, dialog] = modal_->dialogs.back();
    QCOMPARE(kind, DialogKind::Save);
    QCOMPARE(dialog.DialogTitle, QStringLiteral("画像ﾌｧｲﾙを保存"));
    QCOMPARE(dialog.Filter, QStringLiteral("画像ﾌｧｲﾙ|*.jpg;*.bmp"));
    QCOMPARE(dialog.FilterIndex, 1);
    QCOMPARE(dialog.Flags, 4);
    QCOMPARE(form().Status(velmor::status::kPrompt), QStringLiteral("正常に保存できました。"));
    QCOMPARE(form().ImageFolder, out);
    QVERIFY(modal_->messages.empty());

    // A ".bmp" name gets a BMP of the surface, pixel for pixel.
    QImageReader reader(out);
    QCOMPARE(reader.format(), QByteArray("bmp"));
    const QImage saved = reader.read().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(saved.size(), QSize(160, 120));
    QCOMPARE(saved, form().Picture2->Surface());
    QCOMPARE(form().view.ZoomPercent, int16_t{200});  // saving changes nothing
    QCOMPARE(form().Picture2->size(), QSize(160, 120));
  }

  void savesByTheNamesExtension_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("bmp") << "x.bmp" << QByteArray("bmp");
    QTest::newRow("BMP in capitals") << "X.BMP" << QByteArray("bmp");
    QTest::newRow("png") << "x.png" << QByteArray("png");
    QTest::newRow("jpg") << "x.jpg" << QByteArray("jpeg");
    QTest::newRow("jpeg") << "x.jpeg" << QByteArray("jpeg");
    QTest::newRow("jpe") << "x.jpe" << QByteArray("jpeg");
    QTest::newRow("other extension") << "x.gif" << QByteArray("jpeg");
    QTest::newRow("png only in the folder") << "dir.png/x.v1" << QByteArray("jpeg");
  }
  void savesByTheNamesExtension() {
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    // A folder of its own for each name, so that any temporary left beside it would show.
    const QString folder = FilePath(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_'));
    const QString path = folder + QLatin1Char('/') + name;
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    // Opened from the same name it is saved to, with a figure over the picture.
    QVERIFY(Pattern(90, 70).save(path, format == "jpeg" ? "JPEG" : format.constData()));
    Answer(*modal_, path);
    form().OpenImage();
    QCOMPARE(form().ImageFileName, name.mid(name.lastIndexOf('/') + 1));
    form().Picture2->Surface().setPixel(5, 5, qRgb(255, 0, 0));
    form().settings.Set(slot::kJpegQuality, 90.0);
    Answer(*modal_, path);
    form().SaveImage();
    QCOMPARE(form().Status(velmor::status::kPrompt), QStringLiteral("正常に保存できました。"));

    QImageReader reader(path);
    QCOMPARE(reader.format(), format);
    const QImage saved = reader.read().convertToFormat(QImage::Format_RGB32);
    const QImage& surface = form().Picture2->Surface();
    QCOMPARE(saved.size(), surface.size());
    if (format == "jpeg") {
      // Lossy: close on the whole (the lone red pixel is smeared, as JPEG does).
      const auto [worst, mean] = ChannelError(saved, surface);
      QVERIFY2(mean < 3.0 && worst > 0, qPrintable(QStringLiteral("%1 %2").arg(worst).arg(mean)));
    } else {
      QCOMPARE(saved, surface);  // lossless: the red pixel and every other one survive
    }
    if (format == "bmp") {
      QFile file(path);
      QVERIFY(file.open(QIODevice::ReadOnly));
      const QByteArray head = file.read(30);
      QCOMPARE(head.left(2), QByteArray("BM"));
      QCOMPARE(int(uchar(head[28])) | int(uchar(head[29])) << 8, 24);  // bits a pixel
    }
    QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::Files).size(), 1);  // no temporary
  }

  void openReadsJpegAndPngNamesToo() {
    for (const char* name : {"a.jpeg", "b.png"}) {
      const QString path = FilePath(QString::fromLatin1(name));
      QVERIFY(Pattern(33, 22).save(path, name[0] == 'a' ? "JPEG" : "PNG"));
      Answer(*modal_, path);
      form().OpenImage();
      QCOMPARE(form().ImageFileName, QString::fromLatin1(name));
      QCOMPARE(form().Picture2->Picture().size(), QSize(33, 22));
    }
    QVERIFY(modal_->messages.empty());
  }

  void failedSaveIsReportedAndTheOldFileSurvives() {
    QVERIFY(Pattern(30, 20).save(FilePath(QStringLiteral("in.bmp")), "BMP"));
    Answer(*modal_, FilePath(QStringLiteral("in.bmp")));
    form().OpenImage();
    form().settings.Set(slot::kJpegQuality, 90.0);
    const QString target = FilePath(QStringLiteral("old.jpg"));
    WriteBytes(target, "old contents");

    Answer(*modal_, target);
    {
      const DiscFullAfter full(100);  // the JPEG is larger: its write runs out of space
      form().SaveImage();
    }
    QCOMPARE(form().Status(velmor::status::kPrompt), QStringLiteral("保存画像ﾌｧｲﾙを指示"));
    QCOMPARE(modal_->messages.size(), size_t{1});
    QVERIFY(modal_->messages.front().text.contains(target));
    QVERIFY(modal_->messages.front().text.contains(QStringLiteral("保存できませんでした")));
    QFile old(target);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("old contents"));
    QCOMPARE(QDir(files_.path()).entryList({QStringLiteral("old.jpg*")}, QDir::Files),
             QStringList{QStringLiteral("old.jpg")});  // no temporary left beside it
    QVERIFY(QDir(files_.path())
                .entryList({QStringLiteral("*.tmp-*")}, QDir::Files | QDir::Hidden)
                .isEmpty());
  }

  // The temporary beside a long name must not push it past the file system's limit.
  void nameAtTheLengthLimitSaves() {
    form().settings.Set(slot::kJpegQuality, 90.0);
    const QString name = QString(246, QLatin1Char('n')) + QStringLiteral(".jpg");
    QVERIFY(QDir(files_.path()).mkpath(QStringLiteral("long")));
    Answer(*modal_, FilePath(QStringLiteral("long/") + name));
    form().SaveImage();
    QVERIFY(modal_->messages.empty());
    QCOMPARE(form().Status(velmor::status::kPrompt), QStringLiteral("正常に保存できました。"));
    QCOMPARE(QDir(FilePath(QStringLiteral("long"))).entryList(QDir::Files | QDir::Hidden),
             QStringList{name});
  }

  // A name with bytes that are no UTF-8 reaches the program with U+FFFD in their place: saving
  // under that would write a file the user never named, so it is refused as a failed save.
  void nameThatLostBytesIsRefusedNotSavedElsewhere() {
    form().settings.Set(slot::kJpegQuality, 90.0);
    QVERIFY(QDir(files_.path()).mkpath(QStringLiteral("odd")));
    const QByteArray raw =
        QFile::encodeName(FilePath(QStringLiteral("odd"))) + "/\x8C\xA9\x90\x7D.jpg";
    QVERIFY(QFile::decodeName(raw).contains(QChar::ReplacementCharacter));
    Answer(*modal_, QFile::decodeName(raw));
    form().SaveImage();
    QCOMPARE(modal_->messages.size(), size_t{1});
    QVERIFY(modal_->messages.front().text.contains(QStringLiteral("保存できませんでした")));
    QVERIFY(form().Status(velmor::status::kPrompt) != QStringLiteral("正常に保存できました。"));
    QVERIFY(QDir(FilePath(QStringLiteral("odd"))).entryList(QDir::Files | QDir::Hidden).isEmpty());
  }

  void saveIntoMissingFolderIsReported() {
    form().settings.Set(slot::kJpegQuality, 90.0);
    Answer(*modal_, FilePath(QStringLiteral("missing/out.jpg")));
    form().SaveImage();
    QCOMPARE(modal_->messages.size(), size_t{1});
    QVERIFY(!QFile::exists(FilePath(QStringLiteral("missing/out.jpg"))));
    QVERIFY(form().Status(velmor::status::kPrompt) != QStringLiteral("正常に保存できました。"));
  }

  void qualityTheDialogWouldShowAs100SavesAt100() {
    for (const velmor::TaggedValue& stored :
         {velmor::TaggedValue{}, velmor::TaggedValue{0.0}, velmor::TaggedValue{300.0}}) {
      form().settings.Set(slot::kJpegQuality, stored);
      QFile::remove(FilePath(QStringLiteral("q.jpg")));
      Answer(*modal_, FilePath(QStringLiteral("q.jpg")));
      form().SaveImage();
      QVERIFY(QFile::exists(FilePath(QStringLiteral("q.jpg"))));
      QCOMPARE(form().Status(velmor::status::kPrompt), QStringLiteral("正常に保存できました。"));
    }
    QVERIFY(modal_->messages.empty());
  }

  void saveWithoutPictureWritesTheEmptyCanvas() {
    form().settings.Set(slot::kJpegQuality, 80.0);
    Answer(*modal_, FilePath(QStringLiteral("empty.jpg")));
    form().SaveImage();
    QCOMPARE(form().Status(velmor::status::kPrompt), QStringLiteral("正常に保存できました。"));
    QCOMPARE(QImage(FilePath(QStringLiteral("empty.jpg"))).size(), form().Picture2->size());
  }
};

QTEST_MAIN(ImageFilesTest)
#include "ImageFilesTest.moc"
