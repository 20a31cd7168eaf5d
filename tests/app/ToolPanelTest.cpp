// The tool panel's rules, driven through its controls by name.
#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <QtTest>

#include "app/ColorSwatch.h"
#include "core/model/ControlIndexes.h"
#include "support/FakeModal.h"
#include "support/FormFixture.h"

using velmor::test::FakeModal;
using velmor::test::FormFixture;
namespace slot = velmor::slot;

class ToolPanelTest : public QObject {
  Q_OBJECT

 private slots:
  void zoomStepTextRule_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("slider");
    QTest::newRow("0") << "0"
                       << "1" << 1 << 0;
    QTest::newRow("101") << "101"
                         << "1" << 1 << 0;
    QTest::newRow("-5") << "-5"
                        << "1" << 1 << 0;
    QTest::newRow("abc") << "abc"
                         << "1" << 1 << 0;
    QTest::newRow("99999 too large to hold") << "99999"
                                             << "1" << 1 << 0;
    QTest::newRow("25") << "25"
                        << "25" << 25 << 2;
    QTest::newRow("35") << "35"
                        << "35" << 35 << 4;
    QTest::newRow("100") << "100"
                         << "100" << 100 << 10;
    QTest::newRow("5x uses the leading number") << "5x"
                                                << "5x" << 5 << 0;
  }
  void zoomStepTextRule() {
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(int, step);
    QFETCH(int, slider);
    FormFixture f;
    auto* text1 = f.Find<QLineEdit>("Text1");
    text1->setText(typed);
    QCOMPARE(text1->text(), shown);
    QCOMPARE(int(f.form->panel.ZoomStep), step);
    QCOMPARE(f.Find<QSlider>("Slider1")->value(), slider);
    QVERIFY(velmor::IsEmpty(f.form->settings.Get(slot::kZoomStep)));  // typed: saved at exit only
  }

  void movingSlider1SetsStepInTensAndTheSlotAtOnce() {
    FormFixture f;
    auto* slider = f.Find<QSlider>("Slider1");
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Right);
    QTest::keyClick(slider, Qt::Key_Right);
    QTest::keyClick(slider, Qt::Key_Right);
    QCOMPARE(slider->value(), 3);
    QCOMPARE(f.Find<QLineEdit>("Text1")->text(), QStringLiteral("30"));
    QCOMPARE(int(f.form->panel.ZoomStep), 30);
    QCOMPARE(f.form->settings.Number(slot::kZoomStep), 30.0);
    QTest::keyClick(slider, Qt::Key_Home);
    QCOMPARE(f.Find<QLineEdit>("Text1")->text(), QStringLiteral("1"));
    QCOMPARE(int(f.form->panel.ZoomStep), 1);
  }

  void penWidthRuleEnablesLineStyleOnlyAtOne() {
    FormFixture f;
    auto* text4 = f.Find<QLineEdit>("Text4");
    auto* combo1 = f.Find<QComboBox>("Combo1");
    text4->selectAll();
    QTest::keyClicks(text4, "11");
    QCOMPARE(text4->text(), QStringLiteral("1"));
    QCOMPARE(int(f.form->panel.PenWidth), 1);
    QVERIFY(combo1->isEnabled());
    text4->selectAll();
    QTest::keyClicks(text4, "2");
    QCOMPARE(int(f.form->panel.PenWidth), 2);
    QCOMPARE(f.Find<QSlider>("Slider2")->value(), 2);
    QVERIFY(!combo1->isEnabled());
    auto* slider2 = f.Find<QSlider>("Slider2");
    slider2->setFocus();
    QTest::keyClick(slider2, Qt::Key_Home);
    QCOMPARE(text4->text(), QStringLiteral("1"));
    QVERIFY(combo1->isEnabled());
  }

  void arrowToggleTwiceReturns() {
    FormFixture f;
    auto* command2 = f.Find<QPushButton>("Command2");
    QTest::mouseClick(command2, Qt::LeftButton);
    QCOMPARE(command2->text(), QStringLiteral("→"));
    QCOMPARE(int(f.form->panel.ArrowOn), 1);
    QTest::mouseClick(command2, Qt::LeftButton);
    QCOMPARE(command2->text(), QStringLiteral("―"));
    QCOMPARE(int(f.form->panel.ArrowOn), 0);
  }

  void pickingAToolSetsModeHintAndForgetsPendingDrags() {
    FormFixture f;
    f.form->panel.FrameDragMode = velmor::framedrag::kZoom;
    f.form->drag.Picks[0][0] = 5;
    auto* trim = f.Find<QToolButton>("Opb_10");
    QVERIFY(trim);
    QCOMPARE(trim->toolTip(), QStringLiteral("両トリム"));
    QTest::mouseClick(trim, Qt::LeftButton);
    QCOMPARE(int(f.form->panel.ToolMode), 10);
    QCOMPARE(int(f.form->panel.FrameDragMode), 0);
    QCOMPARE(f.form->drag.Picks[0][0], 0);
    QCOMPARE(f.form->Status(velmor::status::kPrompt),
             QStringLiteral("2つの線分を指示して両ﾄﾘﾑできます。"));
    QVERIFY(trim->isChecked());
    QTest::mouseClick(f.Find<QToolButton>("Opb_1"), Qt::LeftButton);
    QVERIFY(!trim->isChecked());
    QCOMPARE(f.form->Status(velmor::status::kPrompt),
             QStringLiteral("ﾏｳｽのﾄﾞﾗｯｸ&ﾄﾞﾛｯﾌﾟで線を作画します。"));
    // The strip holds the tools two a row in the order of their numbers.
    const auto* grid = f.Find<QWidget>("LeftStrip")->findChild<QGridLayout*>();
    QVERIFY(grid);
    for (int tool = 1; tool <= 13; ++tool) {
      auto* button = f.Find<QToolButton>(QStringLiteral("Opb_%1").arg(tool).toLatin1());
      QVERIFY(button);
      int row = -1, column = -1, rows = 0, columns = 0;
      grid->getItemPosition(grid->indexOf(button), &row, &column, &rows, &columns);
      QCOMPARE(row * 2 + column, tool - 1);
    }
  }

  void colourSwatchWritesItsSlotOnlyWhenConfirmed() {
    FormFixture f;
    FakeModal modal;
    auto* swatch = f.Find<velmor::ColorSwatch>("Text2");
    modal.dialogAnswers.push_back([](velmor::platform::CommonDialog& d) {
      d.Color = 0x123456;
      return true;
    });
    QTest::mouseClick(swatch, Qt::LeftButton);
    QCOMPARE(modal.dialogs.size(), size_t{1});
    QCOMPARE(modal.dialogs[0].second.Flags, 1);
    QCOMPARE(modal.dialogs[0].second.Color, 0u);
    QCOMPARE(swatch->BackColor(), 0x123456u);
    QCOMPARE(f.form->settings.Number(slot::kFrontColor), double(0x123456));
    QTest::mouseClick(swatch, Qt::LeftButton);  // cancelled: nothing changes
    QCOMPARE(swatch->BackColor(), 0x123456u);
    modal.dialogAnswers.push_back([](velmor::platform::CommonDialog& d) {
      d.Color = 0xFF;
      return true;
    });
    QTest::mouseClick(f.Find<velmor::ColorSwatch>("Text5"), Qt::LeftButton);
    QCOMPARE(f.form->settings.Number(slot::kBackColor), 255.0);
  }

  void swatchShowsItsColour() {
    FormFixture f;
    auto* swatch = f.Find<velmor::ColorSwatch>("Text5");
    swatch->SetBackColor(0x0000FF);  // red
    const QImage shown = swatch->grab().toImage();
    QCOMPARE(QColor(shown.pixel(shown.width() / 2, shown.height() / 2)), QColor(255, 0, 0));
  }

  void fontDialogWritesItsSlots() {
    FormFixture f;
    FakeModal modal;
    modal.dialogAnswers.push_back([](velmor::platform::CommonDialog& d) {
      d.FontName = QStringLiteral("IPAGothic");
      d.FontSize = 10.5f;
      d.FontBold = true;
      d.FontItalic = false;
      return true;
    });
    QTest::mouseClick(f.Find<QPushButton>("Command1"), Qt::LeftButton);
    QCOMPARE(modal.dialogs[0].second.Flags, 3);
    QCOMPARE(f.form->settings.Text(slot::kFontName), std::string("IPAGothic"));
    QVERIFY(std::holds_alternative<float>(f.form->settings.Get(slot::kFontSize)));
    QCOMPARE(f.form->settings.Number(slot::kFontSize), 10.5);
    QVERIFY(std::holds_alternative<bool>(f.form->settings.Get(slot::kFontBold)));
    QVERIFY(f.form->settings.Flag(slot::kFontBold));
    // A cancel hands back what the dialog was given.
    QTest::mouseClick(f.Find<QPushButton>("Command1"), Qt::LeftButton);
    QCOMPARE(f.form->settings.Text(slot::kFontName), std::string("IPAGothic"));
    QCOMPARE(f.form->settings.Number(slot::kFontSize), 10.5);
  }
};

QTEST_MAIN(ToolPanelTest)
#include "ToolPanelTest.moc"
