// Start-up fills the panel from the settings file; closing the window writes the file back.
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QtTest>

#include "app/ColorSwatch.h"
#include "core/model/ControlIndexes.h"
#include "core/settings/FreshSettings.h"
#include "core/settings/SettingsFile.h"
#include "support/FormFixture.h"

using velmor::Settings;
using velmor::test::FormFixture;
namespace slot = velmor::slot;

class StartupTest : public QObject {
  Q_OBJECT

 private:
  static Settings WithSlot(int n, velmor::TaggedValue v) {
    Settings s;
    s.Set(n, std::move(v));
    return s;
  }

 private slots:
  // A first start (no file) begins with values to draw with, and leaves them in the file.
  void firstStartGivesUsableValuesAndKeepsThem() {
    const auto f = FormFixture::FirstStart();
    QCOMPARE(f->form->panel.ZoomStep, int16_t{25});
    QCOMPARE(f->Find<QSlider>("Slider1")->value(), 2);
    QCOMPARE(f->form->panel.PenWidth, int16_t{2});
    QCOMPARE(f->Find<QComboBox>("Combo1")->currentText(), QStringLiteral("実線"));
    QCOMPARE(f->Find<QComboBox>("Combo2")->currentText(), QStringLiteral("1.0"));
    QCOMPARE(f->Find<QComboBox>("Combo3")->currentText(), QStringLiteral("塗り無"));
    QCOMPARE(f->Find<QPushButton>("Command2")->text(), QStringLiteral("→"));
    QCOMPARE(f->Find<velmor::ColorSwatch>("Text2")->BackColor(), 0x0000FFu);
    QCOMPARE(f->Find<QLineEdit>("Text6")->text(), QStringLiteral("10"));
    f->form->close();
    QCOMPARE(f->IniBytes(), velmor::SerializeSettings(velmor::FreshSettings()));
  }

  void emptyFileGivesTheEmptyValues() {
    FormFixture f;
    QCOMPARE(f.form->panel.ZoomStep, int16_t{1});
    QCOMPARE(f.Find<QLineEdit>("Text1")->text(), QStringLiteral("1"));
    QCOMPARE(f.Find<QSlider>("Slider1")->value(), 0);
    QCOMPARE(f.form->panel.PenWidth, int16_t{1});
    QVERIFY(f.Find<QComboBox>("Combo1")->isEnabled());
    QCOMPARE(f.Find<QPushButton>("Command2")->text(), QStringLiteral("―"));
    QCOMPARE(f.form->panel.ArrowOn, int16_t{0});
    QCOMPARE(f.Find<QComboBox>("Combo1")->currentIndex(), -1);
    QCOMPARE(f.Find<velmor::ColorSwatch>("Text2")->BackColor(), 0u);
    QCOMPARE(f.form->view.ZoomPercent, int16_t{100});
    QCOMPARE(f.form->panel.ToolMode, int16_t{0});
    QCOMPARE(f.form->Status(velmor::status::kPrompt),
             QStringLiteral("画像を開くかキャプチャして下さい。"));
    QCOMPARE(f.form->Status(velmor::status::kVersion), QStringLiteral("Version 1.0.3"));
    QCOMPARE(f.form->windowTitle(), QStringLiteral("Velmor"));
  }

  void zoomStepOutOfRangeBecomesOne_data() {
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("slider");
    QTest::newRow("0") << 0 << "1" << 0;
    QTest::newRow("250") << 250 << "1" << 0;
    QTest::newRow("25 rounds the slider to even") << 25 << "25" << 2;
    QTest::newRow("35") << 35 << "35" << 4;
    QTest::newRow("100") << 100 << "100" << 10;
  }
  void zoomStepOutOfRangeBecomesOne() {
    QFETCH(int, stored);
    QFETCH(QString, text);
    QFETCH(int, slider);
    const Settings s = WithSlot(slot::kZoomStep, static_cast<int16_t>(stored));
    FormFixture f(&s);
    QCOMPARE(f.Find<QLineEdit>("Text1")->text(), text);
    QCOMPARE(f.Find<QSlider>("Slider1")->value(), slider);
    QCOMPARE(int(f.form->panel.ZoomStep), text.toInt());
  }

  void penWidthRuleAndLineStyleList_data() {
    QTest::addColumn<double>("stored");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("comboEnabled");
    QTest::newRow("11") << 11.0 << 1 << true;
    QTest::newRow("0") << 0.0 << 1 << true;
    QTest::newRow("3") << 3.0 << 3 << false;
    QTest::newRow("2.5 rounds to even") << 2.5 << 2 << false;
    QTest::newRow("3.5") << 3.5 << 4 << false;
  }
  void penWidthRuleAndLineStyleList() {
    QFETCH(double, stored);
    QFETCH(int, width);
    QFETCH(bool, comboEnabled);
    const Settings s = WithSlot(slot::kPenWidth, stored);
    FormFixture f(&s);
    QCOMPARE(int(f.form->panel.PenWidth), width);
    QCOMPARE(f.Find<QSlider>("Slider2")->value(), width);
    QCOMPARE(f.Find<QComboBox>("Combo1")->isEnabled(), comboEnabled);
  }

  void textWhereANumberIsReadGivesTheEmptyValue() {
    Settings s;
    s.Set(slot::kZoomStep, std::string("abc"));
    s.Set(slot::kPenWidth, std::string("x"));
    s.Set(slot::kFrontColor, std::string("red"));
    s.Set(slot::kArrowOn, std::string("yes"));
    FormFixture f(&s);
    QCOMPARE(f.form->panel.ZoomStep, int16_t{1});
    QCOMPARE(f.form->panel.PenWidth, int16_t{1});
    QCOMPARE(f.Find<velmor::ColorSwatch>("Text2")->BackColor(), 0u);
    QCOMPARE(f.Find<QPushButton>("Command2")->text(), QStringLiteral("―"));
  }

  void arrowOnAnyNonZeroShowsTheArrow() {
    for (int16_t v : {int16_t{1}, int16_t{7}, int16_t{-1}}) {
      const Settings s = WithSlot(slot::kArrowOn, v);
      FormFixture f(&s);
      QCOMPARE(f.Find<QPushButton>("Command2")->text(), QStringLiteral("→"));
    }
  }

  void listsAreFilledAndSelectedByText() {
    Settings s;
    s.Set(slot::kLineStyle, std::string("1点鎖線"));
    s.Set(slot::kEllipseRatio, std::string("3.4"));
    s.Set(slot::kFillStyle, std::string("網掛け"));
    s.Set(slot::kParallelDistance, std::string("-12.5"));
    s.Set(slot::kFrontColor, int32_t{255});
    s.Set(slot::kBackColor, int32_t{0x00FF00});
    FormFixture f(&s);
    auto* combo2 = f.Find<QComboBox>("Combo2");
    QCOMPARE(combo2->count(), 17);
    QCOMPARE(combo2->itemText(0), QStringLiteral("0.2"));
    QCOMPARE(combo2->itemText(16), QStringLiteral("3.4"));
    QCOMPARE(combo2->currentIndex(), 16);
    QCOMPARE(f.Find<QComboBox>("Combo1")->currentIndex(), 3);
    QCOMPARE(f.Find<QComboBox>("Combo3")->currentIndex(), 7);
    QCOMPARE(f.Find<QComboBox>("Combo3")->count(), 8);
    QCOMPARE(f.Find<QLineEdit>("Text6")->text(), QStringLiteral("-12.5"));
    QCOMPARE(f.Find<velmor::ColorSwatch>("Text2")->BackColor(), 255u);
    QCOMPARE(f.Find<velmor::ColorSwatch>("Text5")->BackColor(), 0x00FF00u);
    QVERIFY(!f.Find<QComboBox>("Combo1")->isEditable());
  }

  void unknownListTextLeavesNoSelection() {
    const Settings s = WithSlot(slot::kLineStyle, std::string("波線"));
    FormFixture f(&s);
    QCOMPARE(f.Find<QComboBox>("Combo1")->currentIndex(), -1);
  }

  void closingWritesTheSameFileBack() {
    Settings s;
    s.Set(slot::kZoomStep, int16_t{25});
    s.Set(slot::kLineStyle, std::string("点線"));
    s.Set(slot::kPenWidth, 3.0);
    s.Set(slot::kFrontColor, int32_t{255});
    s.Set(slot::kFontName, std::string("IPAGothic"));
    s.Set(slot::kFontSize, 10.5f);
    s.Set(slot::kFontBold, true);
    s.Set(slot::kBackColor, int32_t{65280});
    s.Set(slot::kEllipseRatio, std::string("1.4"));
    s.Set(slot::kFillStyle, std::string("横線"));
    s.Set(slot::kArrowOn, int16_t{1});
    s.Set(slot::kParallelDistance, std::string("-12.5"));
    s.Set(slot::kCaptureDelay, int16_t{3});
    s.Set(77, std::string("kept as it was"));
    FormFixture f(&s);
    const std::string before = f.IniBytes();
    f.form->close();
    QCOMPARE(f.exits, 1);
    QCOMPARE(QByteArray::fromStdString(f.IniBytes()), QByteArray::fromStdString(before));
  }

  void exitSavesThePanelState() {
    FormFixture f;
    f.Find<QLineEdit>("Text4")->setText(QStringLiteral("2.5"));
    f.Find<QLineEdit>("Text1")->setText(QStringLiteral("40"));
    f.Find<QLineEdit>("Text6")->setText(QStringLiteral("8"));
    f.Find<QComboBox>("Combo3")->setCurrentIndex(2);
    f.form->SaveSettingsAndExit();
    const Settings saved = f.IniSettings();
    QCOMPARE(f.form->panel.PenWidth, int16_t{2});
    QCOMPARE(saved.Number(slot::kPenWidth), 2.5);
    QCOMPARE(saved.Number(slot::kZoomStep), 40.0);
    QCOMPARE(saved.Text(slot::kParallelDistance), std::string("8"));
    QCOMPARE(saved.Text(slot::kFillStyle), std::string("横線"));
    QCOMPARE(saved.Text(slot::kLineStyle), std::string());
    QVERIFY(f.IniBytes().find("2.5\r\n") != std::string::npos);
  }

  // Slot 24 holds the toolbar's delay in whole seconds, 0 to 10; anything else starts at 0, and
  // the exit writes the box's value over whatever the slot held.
  void captureDelayComesFromSlot24AndGoesBack_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("shown");
    QTest::newRow("7") << QByteArray("7") << 7 << "7秒";
    QTest::newRow("10") << QByteArray("10") << 10 << "10秒";
    QTest::newRow("0") << QByteArray("0") << 0 << "遅延なし";
    QTest::newRow("11") << QByteArray("11") << 0 << "遅延なし";
    QTest::newRow("-1") << QByteArray("-1") << 0 << "遅延なし";
    QTest::newRow("40000") << QByteArray("40000") << 0 << "遅延なし";
    QTest::newRow("empty") << QByteArray() << 0 << "遅延なし";
    QTest::newRow("text") << QByteArray("\"abc\"") << 0 << "遅延なし";
    QTest::newRow("boolean") << QByteArray("#TRUE#") << 0 << "遅延なし";
    QTest::newRow("2.5 rounds to even") << QByteArray("2.5") << 2 << "2秒";
  }
  void captureDelayComesFromSlot24AndGoesBack() {
    QFETCH(QByteArray, stored);
    QFETCH(int, seconds);
    QFETCH(QString, shown);
    std::string bytes;
    for (int i = 1; i <= 100; ++i)
      bytes += (i == slot::kCaptureDelay ? stored.toStdString() : std::string()) + "\r\n";
    const auto f = FormFixture::WithFileBytes(bytes);
    auto* box = f->Find<QSpinBox>("DelayBox");
    QVERIFY(box);
    QCOMPARE(box->value(), seconds);
    QCOMPARE(box->text(), shown);
    // Loading the box is no user's choice: the first prompt stays.
    QCOMPARE(f->form->Status(velmor::status::kPrompt),
             QStringLiteral("画像を開くかキャプチャして下さい。"));
    f->form->close();
    const QList<QByteArray> lines = QByteArray::fromStdString(f->IniBytes()).split('\n');
    QCOMPARE(lines.size(), 101);  // 100 lines, each ending in CR LF
    QCOMPARE(lines[slot::kCaptureDelay - 1], QByteArray::number(seconds) + '\r');
  }

  void aDelayChosenInTheBoxIsSavedAsAWholeNumber() {
    FormFixture f;
    f.Find<QSpinBox>("DelayBox")->setValue(6);
    f.form->SaveSettingsAndExit();
    QVERIFY(f.form->settings.Get(slot::kCaptureDelay) == velmor::TaggedValue(int16_t{6}));
    QCOMPARE(f.IniSettings().Number(slot::kCaptureDelay), 6.0);
  }

  void penWidthTwoPointFiveComesBackAsTwo() {
    const Settings s = WithSlot(slot::kPenWidth, 2.5);
    FormFixture f(&s);
    QCOMPARE(f.Find<QLineEdit>("Text4")->text(), QStringLiteral("2"));
    f.form->SaveSettingsAndExit();
    QCOMPARE(f.IniSettings().Number(slot::kPenWidth), 2.0);
  }

  void unwritableFolderStillEnds() {
    FormFixture f;
    QVERIFY(f.folder.remove());  // the folder is gone: nothing can be written there
    f.form->SaveSettingsAndExit();
    QCOMPARE(f.exits, 1);
  }

  // A long line in one slot and undecodable bytes in unused ones cost no setting: the program
  // starts with the others and writes the file back byte for byte.
  void longLineAndOddBytesLoseNothing() {
    Settings s;
    s.Set(slot::kZoomStep, int16_t{25});
    s.Set(slot::kPenWidth, 3.0);
    s.Set(slot::kFontName, std::string("IPAGothic"));
    s.Set(slot::kJpegQuality, 80.0);
    s.Set(slot::kCaptureDX, 640.0);
    std::string bytes;
    {
      FormFixture first(&s);  // the file as the program writes it at exit
      first.form->close();
      bytes = first.IniBytes();
    }
    const std::string longLine = "\"" + std::string(size_t{2} << 20, 'x') + "\"";
    bytes.replace(0, 0, longLine);                          // slot 1
    bytes.replace(longLine.size() + 2, 0, "\"\x81\xFF\"");  // slot 2: no valid CP932
    bytes.replace(bytes.size() - 2, 0, "0x7F");             // slot 100
    const auto f = FormFixture::WithFileBytes(bytes);
    QCOMPARE(f->form->panel.ZoomStep, int16_t{25});
    QCOMPARE(f->form->panel.PenWidth, int16_t{3});
    QCOMPARE(f->form->settings.Number(slot::kJpegQuality), 80.0);
    QCOMPARE(f->form->settings.Number(slot::kCaptureDX), 640.0);
    f->form->close();
    QCOMPARE(f->exits, 1);
    QVERIFY(f->IniBytes() == bytes);
  }

  // A file too large to be a settings file starts the program with the empty values and is
  // left as it was at exit.
  void oversizedFileStartsAndIsLeftAlone() {
    const std::string bytes =
        "42\r\n\"" + std::string(velmor::kSettingsFileReadLimit, 'y') + "\"\r\n";
    const auto f = FormFixture::WithFileBytes(bytes);
    QCOMPARE(f->form->panel.ZoomStep, int16_t{1});
    f->form->close();
    QCOMPARE(f->exits, 1);
    QVERIFY(f->IniBytes() == bytes);
  }

  // A FIFO as VLM.INI neither blocks the start nor is replaced at exit.
  void fifoAsSettingsFileStartsAndStays() {
    QTemporaryDir folder;
    const QByteArray ini = QFile::encodeName(folder.filePath(QStringLiteral("VLM.INI")));
    QCOMPARE(::mkfifo(ini.constData(), 0600), 0);
    ::alarm(20);  // a blocking open would end this binary here instead of hanging it
    velmor::Form1 form(folder.path());
    ::alarm(0);
    int exits = 0;
    form.exitProgram = [&exits] { ++exits; };
    QCOMPARE(form.panel.ZoomStep, int16_t{1});
    form.close();
    QCOMPARE(exits, 1);
    struct stat info {};
    QCOMPARE(::lstat(ini.constData(), &info), 0);
    QVERIFY(S_ISFIFO(info.st_mode));
  }

  // What a settings write killed on its way left beside VLM.INI is gone at the next start.
  void leftoverTemporariesGoAtStart() {
    QTemporaryDir folder;
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    const QString leftover = folder.filePath(QStringLiteral("VLM.INI.tmp-%1-0").arg(child));
    const QString ours = folder.filePath(QStringLiteral(".velmor.tmp-%1-4").arg(child));
    for (const QString& path : {leftover, ours}) {
      QFile file(path);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write("half");
      file.close();
      const timeval old[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
      QCOMPARE(::utimes(QFile::encodeName(path).constData(), old), 0);
    }
    velmor::Form1 form(folder.path());
    form.exitProgram = [] {};
    QVERIFY(!QFile::exists(leftover));
    QVERIFY(!QFile::exists(ours));
  }
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
