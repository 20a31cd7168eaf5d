#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "app/AboutMessage.h"
#include "app/DialogJ.h"
#include "support/FakeModal.h"

using velmor::DialogJ;
using velmor::Settings;
using velmor::TaggedValue;
namespace slot = velmor::slot;
namespace platform = velmor::platform;

Q_DECLARE_METATYPE(TaggedValue)

namespace {

template <typename T>
T* Find(QWidget& dialog, const char* name) {
  T* widget = dialog.findChild<T*>(QString::fromLatin1(name));
  if (!widget) qFatal("no control %s", name);
  return widget;
}

QLineEdit* Box(QWidget& d, const char* name) {
  return Find<QLineEdit>(d, name);
}

void Click(QWidget& d, const char* name) {
  QTest::mouseClick(Find<QPushButton>(d, name), Qt::LeftButton);
}

void TypeJapanese(QWidget* target, const QString& text) {
  QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, text, Qt::NoModifier);
}

// Settings as a user who has used the dialog before would have them.
Settings UsedSettings() {
  Settings s;
  s.Set(slot::kWingAngle, 30.0);
  s.Set(slot::kWingLength, 12.0);
  s.Set(slot::kCircleRadius, 8.0);
  s.Set(slot::kJpegQuality, 85.0);
  s.Set(slot::kSegmentCaption, int16_t{1});
  s.Set(slot::kFixedCircle, int16_t{0});
  s.Set(slot::kCaptionPlacement, std::string("中"));
  s.Set(slot::kCaptureCX, 400.0);
  s.Set(slot::kCaptureCY, 300.0);
  s.Set(slot::kCaptureDX, 200.0);
  s.Set(slot::kCaptureDY, 100.0);
  return s;
}

bool IsDouble(const TaggedValue& v, double expected) {
  const auto* d = std::get_if<double>(&v);
  return d && *d == expected;
}

}  // namespace

class DialogJTest : public QObject {
  Q_OBJECT

 private slots:
  void controlsCarryTheirCaptions();

  void qualityOutOfRangeLoadsAs100_data();
  void qualityOutOfRangeLoadsAs100();
  void emptyQualityStaysEmptyAndStoresZero();
  void qualityRuleRunsKeystrokeByKeystroke();

  void checkBoxesEnableTheirFields();
  void unusualCheckValuesLoadAsTicked();
  void typedPlacementIsStoredAsTyped();

  void okRewritesNumbersAsDoubles();
  void tooLongNumberIsStoredAsZero();
  void cancelAfterEditingEveryFieldLeavesSettings();
  void closingOtherwiseLeavesSettings();
  void everyOpeningStartsFromSettings();

  void centrePositionFillsCxCyOnly();
  void centrePositionWaitStartsFromNearestSecond_data();
  void centrePositionWaitStartsFromNearestSecond();
  void centrePositionInsideExecKeepsTheDialogRunning();
  void centrePositionWherePointerIsUnknown();

  void aboutMessage();
};

void DialogJTest::controlsCarryTheirCaptions() {
  Settings s;
  DialogJ d(s);
  QCOMPARE(d.objectName(), QStringLiteral("DialogJ"));
  QCOMPARE(d.windowTitle(), QStringLiteral("設定"));
  QVERIFY(d.isModal());
  QCOMPARE(Find<QCheckBox>(d, "Check1")->text(), QStringLiteral("線分の中央に文字列を作成"));
  QCOMPARE(Find<QCheckBox>(d, "Check2")->text(), QStringLiteral("円の半径を固定する。　ｻｲｽﾞ"));
  QCOMPARE(Find<QPushButton>(d, "Command1")->text(), QStringLiteral("中心位置取得"));
  QCOMPARE(Find<QPushButton>(d, "OKButton")->text(), QStringLiteral("OK"));
  QCOMPARE(Find<QPushButton>(d, "CancelButton")->text(), QStringLiteral("ｷｬﾝｾﾙ"));
  d.show();
  auto* combo = Find<QComboBox>(d, "Combo1");
  QVERIFY(combo->isEditable());
  QCOMPARE(combo->count(), 3);
  QCOMPARE(combo->itemText(0), QStringLiteral("上"));
  QCOMPARE(combo->itemText(1), QStringLiteral("中"));
  QCOMPARE(combo->itemText(2), QStringLiteral("下"));
  for (const char* name : {"Txt1_0", "Txt1_1", "Txt1_2", "Txt1_3", "CX", "CY", "DX", "DY"})
    QVERIFY2(d.findChild<QLineEdit*>(QString::fromLatin1(name)), name);
}

void DialogJTest::qualityOutOfRangeLoadsAs100_data() {
  QTest::addColumn<TaggedValue>("stored");
  QTest::newRow("zero") << TaggedValue(0.0);
  QTest::newRow("250") << TaggedValue(250.0);
  QTest::newRow("negative") << TaggedValue(int16_t{-5});
  QTest::newRow("0.5") << TaggedValue(0.5);
  QTest::newRow("not a number") << TaggedValue(std::string("abc"));
}

void DialogJTest::qualityOutOfRangeLoadsAs100() {
  QFETCH(TaggedValue, stored);
  Settings s;
  s.Set(slot::kJpegQuality, stored);
  DialogJ d(s);
  d.show();
  QCOMPARE(Box(d, "Txt1_3")->text(), QStringLiteral("100"));
  Click(d, "OKButton");
  QVERIFY(IsDouble(s.Get(slot::kJpegQuality), 100.0));
}

void DialogJTest::emptyQualityStaysEmptyAndStoresZero() {
  Settings s;
  s.Set(slot::kJpegQuality, 50.0);
  DialogJ d(s);
  d.show();
  QCOMPARE(Box(d, "Txt1_3")->text(), QStringLiteral("50"));
  Click(d, "CancelButton");

  // A box that held text before must still come up empty for an empty slot.
  s.Set(slot::kJpegQuality, {});
  d.show();
  QCOMPARE(Box(d, "Txt1_3")->text(), QString());
  Click(d, "OKButton");
  QVERIFY(IsDouble(s.Get(slot::kJpegQuality), 0.0));
}

void DialogJTest::qualityRuleRunsKeystrokeByKeystroke() {
  Settings s;
  DialogJ d(s);
  d.show();
  QLineEdit* quality = Box(d, "Txt1_3");

  QTest::keyClick(quality, Qt::Key_1, Qt::NoModifier);
  QCOMPARE(quality->text(), QStringLiteral("1"));
  QTest::keyClick(quality, Qt::Key_5, Qt::NoModifier);
  QCOMPARE(quality->text(), QStringLiteral("15"));
  QTest::keyClick(quality, Qt::Key_0, Qt::NoModifier);
  QCOMPARE(quality->text(), QStringLiteral("100"));

  quality->clear();  // the rule puts "100" back at once
  QCOMPARE(quality->text(), QStringLiteral("100"));
  quality->selectAll();
  QTest::keyClick(quality, Qt::Key_0, Qt::NoModifier);
  QCOMPARE(quality->text(), QStringLiteral("100"));

  quality->selectAll();
  QTest::keyClicks(quality, "75");
  QCOMPARE(quality->text(), QStringLiteral("75"));
  QTest::keyClick(quality, Qt::Key_Backspace);
  QTest::keyClick(quality, Qt::Key_Backspace);
  QCOMPARE(quality->text(), QStringLiteral("100"));

  // The other boxes have no range rule.
  QLineEdit* angle = Box(d, "Txt1_0");
  QTest::keyClicks(angle, "250");
  QCOMPARE(angle->text(), QStringLiteral("250"));
}

void DialogJTest::checkBoxesEnableTheirFields() {
  Settings s;
  DialogJ d(s);
  d.show();
  auto* check1 = Find<QCheckBox>(d, "Check1");
  auto* check2 = Find<QCheckBox>(d, "Check2");
  auto* combo = Find<QComboBox>(d, "Combo1");
  QLineEdit* radius = Box(d, "Txt1_2");
  QVERIFY(!check1->isChecked());
  QVERIFY(!combo->isEnabled());
  QVERIFY(!radius->isEnabled());

  QTest::mouseClick(check1, Qt::LeftButton);
  QVERIFY(combo->isEnabled());
  QVERIFY(!radius->isEnabled());
  QTest::mouseClick(check2, Qt::LeftButton);
  QVERIFY(radius->isEnabled());
  QTest::mouseClick(check2, Qt::LeftButton);
  QVERIFY(!radius->isEnabled());

  Click(d, "OKButton");
  QCOMPARE(s.Get(slot::kSegmentCaption), TaggedValue(int16_t{1}));
  QCOMPARE(s.Get(slot::kFixedCircle), TaggedValue(int16_t{0}));

  // Loaded ticked, the fields come up enabled.
  s.Set(slot::kFixedCircle, int16_t{1});
  d.show();
  QVERIFY(combo->isEnabled());
  QVERIFY(radius->isEnabled());
}

void DialogJTest::unusualCheckValuesLoadAsTicked() {
  Settings s;
  s.Set(slot::kSegmentCaption, int16_t{2});
  s.Set(slot::kFixedCircle, true);  // reads as -1
  DialogJ d(s);
  d.show();
  QVERIFY(Find<QCheckBox>(d, "Check1")->isChecked());
  QVERIFY(Find<QCheckBox>(d, "Check2")->isChecked());
  QVERIFY(Find<QComboBox>(d, "Combo1")->isEnabled());
  Click(d, "OKButton");
  QCOMPARE(s.Get(slot::kSegmentCaption), TaggedValue(int16_t{1}));
  QCOMPARE(s.Get(slot::kFixedCircle), TaggedValue(int16_t{1}));

  s.Set(slot::kSegmentCaption, std::string("abc"));
  s.Set(slot::kFixedCircle, 0.4);
  d.show();
  QVERIFY(!Find<QCheckBox>(d, "Check1")->isChecked());
  QVERIFY(!Find<QCheckBox>(d, "Check2")->isChecked());
}

void DialogJTest::typedPlacementIsStoredAsTyped() {
  Settings s;
  s.Set(slot::kSegmentCaption, int16_t{1});
  s.Set(slot::kCaptionPlacement, std::string("下"));
  DialogJ d(s);
  d.show();
  auto* combo = Find<QComboBox>(d, "Combo1");
  QCOMPARE(combo->currentText(), QStringLiteral("下"));

  combo->lineEdit()->selectAll();
  TypeJapanese(combo->lineEdit(), QStringLiteral("右"));
  QCOMPARE(combo->currentText(), QStringLiteral("右"));
  Click(d, "OKButton");
  QCOMPARE(s.Get(slot::kCaptionPlacement), TaggedValue(std::string("右")));

  // Typed text never joins the list, and reopening does not add the items twice.
  d.show();
  QCOMPARE(combo->count(), 3);
  QCOMPARE(combo->currentText(), QStringLiteral("右"));
}

void DialogJTest::okRewritesNumbersAsDoubles() {
  Settings s;
  for (int n : {31, 32, 33, 51, 52, 53}) s.Set(n, std::string("abc"));
  s.Set(slot::kCaptureDY, int16_t{120});
  s.Set(slot::kJpegQuality, std::string("80 percent"));
  s.Set(60, std::string("untouched"));
  DialogJ d(s);
  d.show();
  Click(d, "OKButton");

  for (int n : {31, 32, 33, 51, 52, 53})
    QVERIFY2(IsDouble(s.Get(n), 0.0), qPrintable(QString::number(n)));
  QVERIFY(IsDouble(s.Get(slot::kCaptureDY), 120.0));
  QVERIFY(IsDouble(s.Get(slot::kJpegQuality), 80.0));
  QCOMPARE(s.Get(slot::kSegmentCaption), TaggedValue(int16_t{0}));
  QCOMPARE(s.Get(slot::kCaptionPlacement), TaggedValue(std::string()));
  QCOMPARE(s.Get(60), TaggedValue(std::string("untouched")));
  QVERIFY(d.result() == QDialog::Accepted);
  QVERIFY(!d.isVisible());
}

void DialogJTest::tooLongNumberIsStoredAsZero() {
  Settings s;
  DialogJ d(s);
  d.show();
  Box(d, "CX")->setText(QString(400, QLatin1Char('9')));
  Box(d, "Txt1_1")->setText(QStringLiteral("12.5mm"));
  Click(d, "OKButton");
  QVERIFY(IsDouble(s.Get(slot::kCaptureCX), 0.0));
  QVERIFY(IsDouble(s.Get(slot::kWingLength), 12.5));
}

void DialogJTest::cancelAfterEditingEveryFieldLeavesSettings() {
  Settings s = UsedSettings();
  const Settings before = s;
  DialogJ d(s);
  d.show();
  for (const char* name : {"Txt1_0", "Txt1_1", "Txt1_3", "CX", "CY", "DX", "DY"}) {
    Box(d, name)->selectAll();
    QTest::keyClicks(Box(d, name), "42");
  }
  QTest::mouseClick(Find<QCheckBox>(d, "Check1"), Qt::LeftButton);
  QTest::mouseClick(Find<QCheckBox>(d, "Check2"), Qt::LeftButton);
  QTest::keyClicks(Box(d, "Txt1_2"), "7");
  Find<QComboBox>(d, "Combo1")->setEditText(QStringLiteral("上"));
  Click(d, "CancelButton");
  QVERIFY(s == before);
  QVERIFY(d.result() == QDialog::Rejected);
}

void DialogJTest::closingOtherwiseLeavesSettings() {
  Settings s = UsedSettings();
  const Settings before = s;
  DialogJ d(s);
  d.show();
  Box(d, "CX")->setText(QStringLiteral("1"));
  QTest::keyClick(&d, Qt::Key_Escape);
  QVERIFY(!d.isVisible());
  QVERIFY(s == before);

  d.show();
  Box(d, "CX")->setText(QStringLiteral("1"));
  d.close();
  QVERIFY(s == before);

  // Enter in a box confirms like OK.
  d.show();
  Box(d, "DX")->setText(QStringLiteral("640"));
  QTest::keyClick(Box(d, "DX"), Qt::Key_Return);
  QVERIFY(IsDouble(s.Get(slot::kCaptureDX), 640.0));
}

void DialogJTest::everyOpeningStartsFromSettings() {
  Settings s = UsedSettings();
  DialogJ d(s);
  d.show();
  QCOMPARE(Box(d, "Txt1_0")->text(), QStringLiteral("30"));
  QCOMPARE(Box(d, "CY")->text(), QStringLiteral("300"));
  Box(d, "Txt1_0")->setText(QStringLiteral("45"));
  Click(d, "CancelButton");

  s.Set(slot::kCaptureCY, 310.5);
  d.show();
  QCOMPARE(Box(d, "Txt1_0")->text(), QStringLiteral("30"));
  QCOMPARE(Box(d, "CY")->text(), QStringLiteral("310.5"));
  QCOMPARE(Box(d, "Txt1_3")->text(), QStringLiteral("85"));
  QCOMPARE(Find<QComboBox>(d, "Combo1")->currentText(), QStringLiteral("中"));
}

void DialogJTest::centrePositionFillsCxCyOnly() {
  velmor::test::FakeModal modal;
  Settings s = UsedSettings();
  const Settings before = s;
  QWidget mainWindow;
  mainWindow.show();
  DialogJ d(s, &mainWindow);
  QPoint pointer(10, 10);
  d.SetCursorReader([&] { return pointer; });
  d.SetClock([] { return 5000.2; });
  d.show();
  Box(d, "Txt1_0")->setText(QStringLiteral("45"));  // edits survive the pick

  bool hiddenWhileWaiting = false;
  modal.onWait = [&](double) {
    hiddenWhileWaiting = !d.isVisible() && !mainWindow.isVisible();
    pointer = QPoint(640, 512);  // the user rests the mouse on the centre
  };
  Click(d, "Command1");

  QCOMPARE(modal.messages.size(), size_t{1});
  QCOMPARE(modal.messages[0].text,
           QStringLiteral("中心位置にマウスを移動して下さい\r\n３秒後に位置を取得します"));
  QCOMPARE(modal.messages[0].title, QStringLiteral("Velmor"));
  QVERIFY(modal.messages[0].icon == platform::MsgIcon::None);
  QVERIFY(modal.messages[0].buttons == platform::MsgButtons::Ok);
  QVERIFY(hiddenWhileWaiting);
  QVERIFY(d.isVisible());
  QVERIFY(mainWindow.isVisible());
  QCOMPARE(Box(d, "CX")->text(), QStringLiteral("640"));
  QCOMPARE(Box(d, "CY")->text(), QStringLiteral("512"));
  QCOMPARE(Box(d, "DX")->text(), QStringLiteral("200"));
  QCOMPARE(Box(d, "DY")->text(), QStringLiteral("100"));
  QCOMPARE(Box(d, "Txt1_0")->text(), QStringLiteral("45"));
  QCOMPARE(d.LastCursorPosition(), QPoint(640, 512));

  Click(d, "CancelButton");
  QVERIFY(s == before);
}

void DialogJTest::centrePositionWaitStartsFromNearestSecond_data() {
  QTest::addColumn<double>("now");
  QTest::addColumn<double>("wait");
  QTest::newRow("just after a second") << 86399.0 << 3.0;
  QTest::newRow("fraction below half") << 86399.2 << 2.8;
  QTest::newRow("fraction above half") << 86399.7 << 3.3;
  QTest::newRow("half to even down") << 86400.5 << 2.5;
  QTest::newRow("half to even up") << 86401.5 << 3.5;
}

void DialogJTest::centrePositionWaitStartsFromNearestSecond() {
  QFETCH(double, now);
  QFETCH(double, wait);
  velmor::test::FakeModal modal;
  Settings s;
  DialogJ d(s);
  bool hostHidden = false, hostShownAgain = false;
  d.SetMainWindowShower([&](bool visible) { (visible ? hostShownAgain : hostHidden) = true; });
  d.SetCursorReader([] { return QPoint(-20, 7); });
  d.SetClock([now] { return now; });
  d.show();
  Click(d, "Command1");
  QVERIFY(qAbs(modal.waitedSeconds - wait) < 1e-6);
  QVERIFY(hostHidden);
  QVERIFY(hostShownAgain);
  QCOMPARE(Box(d, "CX")->text(), QStringLiteral("-20"));
  Click(d, "OKButton");
  QVERIFY(IsDouble(s.Get(slot::kCaptureCX), -20.0));
  QVERIFY(IsDouble(s.Get(slot::kCaptureCY), 7.0));
}

void DialogJTest::centrePositionInsideExecKeepsTheDialogRunning() {
  velmor::test::FakeModal modal;
  Settings s;
  QWidget mainWindow;
  mainWindow.show();
  DialogJ d(s, &mainWindow);
  d.SetCursorReader([] { return QPoint(640, 512); });
  bool stillOpenAfterPick = false;
  QTimer::singleShot(0, &d, [&] {
    Click(d, "Command1");
    // Let the event loop turn once more: a loop that ended at the hide would return now.
    QTimer::singleShot(50, &d, [&] {
      stillOpenAfterPick = d.isVisible();
      Click(d, "OKButton");
    });
  });
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, &d, &QDialog::reject);
  watchdog.start(5000);
  const int result = d.exec();
  QVERIFY(stillOpenAfterPick);
  QCOMPARE(result, int(QDialog::Accepted));
  QVERIFY(IsDouble(s.Get(slot::kCaptureCX), 640.0));
  QVERIFY(IsDouble(s.Get(slot::kCaptureCY), 512.0));

  // Closing the window ends the run without storing the picked position.
  const Settings before = s;
  d.SetCursorReader([] { return QPoint(1, 2); });
  QTimer::singleShot(0, &d, [&] {
    Click(d, "Command1");
    QTimer::singleShot(0, &d, [&] { d.close(); });
  });
  QCOMPARE(d.exec(), int(QDialog::Rejected));
  QVERIFY(s == before);
}

// Wayland keeps the pointer to itself: a message at once, no wait, nothing filled in; and a
// pointer lost during the wait leaves the fields as they were.
void DialogJTest::centrePositionWherePointerIsUnknown() {
  velmor::test::FakeModal modal;
  Settings s = UsedSettings();
  QWidget mainWindow;
  mainWindow.show();
  DialogJ d(s, &mainWindow);
  d.SetCursorReader([]() -> std::optional<QPoint> { return std::nullopt; });
  d.show();
  const QString cx = Box(d, "CX")->text();
  Click(d, "Command1");
  QCOMPARE(modal.messages.size(), size_t{1});
  QCOMPARE(modal.messages[0].text, velmor::dialogj_text::kPointerUnknown);
  QCOMPARE(modal.messages[0].title, QStringLiteral("Velmor"));
  QCOMPARE(modal.waitedSeconds, 0.0);
  QVERIFY(d.isVisible());
  QVERIFY(mainWindow.isVisible());
  QCOMPARE(Box(d, "CX")->text(), cx);

  int reads = 0;
  d.SetCursorReader([&]() -> std::optional<QPoint> {
    if (++reads == 1) return QPoint(5, 6);
    return std::nullopt;
  });
  Click(d, "Command1");
  QCOMPARE(modal.messages.size(), size_t{3});
  QCOMPARE(modal.messages[2].text, velmor::dialogj_text::kPointerUnknown);
  QCOMPARE(Box(d, "CX")->text(), cx);
  QVERIFY(d.isVisible());
  QVERIFY(mainWindow.isVisible());
}

void DialogJTest::aboutMessage() {
  QCOMPARE(velmor::AboutMessageText(), QStringLiteral("Application Version 1.03"));
  velmor::test::FakeModal modal;
  velmor::ShowAboutMessage();
  QCOMPARE(modal.messages.size(), size_t{1});
  QCOMPARE(modal.messages[0].text, QStringLiteral("Application Version 1.03"));
  QCOMPARE(modal.messages[0].title, QStringLiteral("Infomation"));
  QVERIFY(modal.messages[0].icon == platform::MsgIcon::Information);
  QVERIFY(modal.messages[0].buttons == platform::MsgButtons::Ok);
}

QTEST_MAIN(DialogJTest)
#include "DialogJTest.moc"
