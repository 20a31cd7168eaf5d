// The File and Help menus and the toolbar reach their operations by objectName, under the
// error trap.
#include <QAction>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>
#include <stdexcept>

#include "app/DialogJ.h"
#include "core/model/ControlIndexes.h"
#include "core/settings/SettingsFile.h"
#include "platform/Clipboard.h"
#include "support/FakeModal.h"
#include "support/FormFixture.h"
#include "view/CanvasWidget.h"

using velmor::Settings;
using velmor::test::FakeModal;
using velmor::test::FormFixture;
namespace platform = velmor::platform;
namespace slot = velmor::slot;

namespace {

QAction* Action(const FormFixture& f, const QString& name) {
  return f.form->findChild<QAction*>(name);
}

QAction* Button(const FormFixture& f, int index) {
  return Action(f, QStringLiteral("Toolbar1_%1").arg(index));
}

// A picture of distinct pixels, so that any shift or scaling shows.
QImage Pattern(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.setPixel(x, y, qRgb(x * 7 % 256, y * 5 % 256, (x + y) % 256));
  return image;
}

void LoadPicture(FormFixture& f, const QImage& picture) {
  f.form->view.ZoomPercent = 100;
  f.form->Picture2->SetPicture(picture);
  f.form->Pic_int();
}

void AddSegment(FormFixture& f, float x1, float y1, float x2, float y2) {
  f.form->Opb_Click(velmor::tool::kSegment);
  f.form->Picture2_MouseDown(1, 0, x1, y1);
  f.form->Picture2_MouseMove(1, 0, x2, y2);
  f.form->Picture2_MouseUp(1, 0, x2, y2);
}

}  // namespace

class MenusToolbarTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { platform::clipboard::Clear(); }

  void menusHaveTheirItemsInOrder() {
    FormFixture f;
    QCOMPARE(f.form->FileMenu->title(), QStringLiteral("ファイル"));
    QCOMPARE(f.form->HelpMenu->title(), QStringLiteral("ヘルプ"));
    const QStringList captions = {QStringLiteral("開く"), QStringLiteral("保存"), QString(),
                                  QStringLiteral("終了"), QStringLiteral("作図付きコピー")};
    const QList<QAction*> fileItems = f.form->FileMenu->actions();
    QCOMPARE(fileItems.size(), 5);
    for (int i = 0; i < 5; ++i) {
      QAction* item = Action(f, QStringLiteral("FileK_%1").arg(i));
      QVERIFY2(item, qPrintable(QStringLiteral("FileK_%1").arg(i)));
      QCOMPARE(fileItems[i], item);
      QCOMPARE(item->isSeparator(), i == 2);
      QCOMPARE(item->text(), captions[i]);
      QVERIFY(item->isEnabled() && item->isVisible());
    }
    QAction* about = Action(f, QStringLiteral("HelpK_0"));
    QVERIFY(about);
    QCOMPARE(f.form->HelpMenu->actions(), QList<QAction*>{about});
    QCOMPARE(about->text(), QStringLiteral("バージョン情報"));
  }

  void toolbarHasNineteenButtonsWithSeparatorsAndTooltips() {
    FormFixture f;
    const QMap<int, QString> tooltips = {
        {2, "開く"},    {4, "保存"},      {6, "枠拡大"},         {7, "拡大"},    {8, "縮小"},
        {9, "全体"},    {11, "切り取り"}, {12, "コピー"},        {13, "貼付け"}, {15, "ｷｬﾌﾟﾁｬ"},
        {16, "全画面"}, {18, "設定"},     {19, "作図付きコピー"}};
    const QList<QAction*> inOrder = f.form->Toolbar1->actions();
    // The delay box follows the buttons, behind a separator of its own.
    QCOMPARE(inOrder.size(), 21);
    QVERIFY(inOrder[19]->isSeparator());
    QCOMPARE(f.form->Toolbar1->widgetForAction(inOrder[20]),
             static_cast<QWidget*>(f.Find<QSpinBox>("DelayBox")));
    for (int i = 1; i <= 19; ++i) {
      QAction* button = Button(f, i);
      QVERIFY2(button, qPrintable(QString::number(i)));
      QCOMPARE(inOrder[i - 1], button);
      QCOMPARE(button->isSeparator(), !tooltips.contains(i));
      if (tooltips.contains(i)) {
        QCOMPARE(button->toolTip(), tooltips[i]);
        QVERIFY(!button->icon().isNull());
        QVERIFY(button->isEnabled());
      }
      QCOMPARE(button->isCheckable(), i == 16);
    }
  }

  void delayBoxOffersZeroToTenSecondsAndHintsWhenChanged() {
    FormFixture f;
    auto* box = f.Find<QSpinBox>("DelayBox");
    QVERIFY(box);
    QCOMPARE(box->parentWidget(), static_cast<QWidget*>(f.form->Toolbar1));
    QCOMPARE(box->toolTip(), QStringLiteral("キャプチャまでの待ち時間"));
    QCOMPARE(box->minimum(), 0);
    QCOMPARE(box->maximum(), 10);
    QCOMPARE(box->text(), QStringLiteral("遅延なし"));
    box->setValue(12);
    QCOMPARE(box->text(), QStringLiteral("10秒"));
    QCOMPARE(f.form->Status(velmor::status::kPrompt),
             QStringLiteral("設定した秒数を待ってからキャプチャします。"));
    box->stepBy(-9);
    QCOMPARE(box->text(), QStringLiteral("1秒"));
  }

  void fileMenuAndToolbarDispatchOpenAndSave() {
    FormFixture f;
    FakeModal modal;
    Action(f, "FileK_0")->trigger();
    Button(f, 2)->trigger();
    Action(f, "FileK_1")->trigger();
    Button(f, 4)->trigger();
    Action(f, "FileK_2")->trigger();  // the separator does nothing
    QCOMPARE(modal.dialogs.size(), size_t{4});
    QCOMPARE(modal.dialogs[0].first, platform::DialogKind::Open);
    QCOMPARE(modal.dialogs[1].first, platform::DialogKind::Open);
    QCOMPARE(modal.dialogs[2].first, platform::DialogKind::Save);
    QCOMPARE(modal.dialogs[3].first, platform::DialogKind::Save);
    QCOMPARE(f.exits, 0);
    QVERIFY(modal.messages.empty());
  }

  void menuIndexesWithoutAnActionDoNothing() {
    FormFixture f;
    FakeModal modal;
    f.form->FileK_Click(velmor::filemenu::kSeparator);
    f.form->FileK_Click(7);
    f.form->HelpK_Click(1);
    for (int separator : {1, 3, 5, 10, 14, 17}) f.form->Toolbar1_ButtonClick(separator);
    QVERIFY(modal.messages.empty());
    QVERIFY(modal.dialogs.empty());
    QCOMPARE(modal.dialogsRun, 0);
    QCOMPARE(f.exits, 0);
    QCOMPARE(f.form->panel.FrameDragMode, int16_t{0});
  }

  void aboutShowsTheVersionAsInformation() {
    FormFixture f;
    FakeModal modal;
    Action(f, "HelpK_0")->trigger();
    QCOMPARE(modal.messages.size(), size_t{1});
    const platform::MessageRequest& about = modal.messages[0];
    QCOMPARE(about.text, QStringLiteral("Application Version 1.03"));
    QCOMPARE(about.title, QStringLiteral("Infomation"));
    QCOMPARE(about.icon, platform::MsgIcon::Information);
    QCOMPARE(about.buttons, platform::MsgButtons::Ok);
  }

  void captureTargetToggleSwitchesTooltipAndMode() {
    FormFixture f;
    f.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
    QAction* toggle = Button(f, 16);
    auto* toggleButton = qobject_cast<QToolButton*>(f.form->Toolbar1->widgetForAction(toggle));
    QVERIFY(toggleButton);
    QCOMPARE(toggleButton->objectName(), QStringLiteral("Toolbar1_16"));
    QCOMPARE(f.form->CaptureActiveWindow(), int16_t{0});

    QTest::mouseClick(toggleButton, Qt::LeftButton);
    QVERIFY(toggle->isChecked());
    QCOMPARE(toggle->toolTip(), QStringLiteral("ｱｸﾃｨﾌﾞ画面"));
    QCOMPARE(f.form->CaptureActiveWindow(), int16_t{1});

    QTest::mouseClick(toggleButton, Qt::LeftButton);
    QVERIFY(!toggle->isChecked());
    QCOMPARE(toggle->toolTip(), QStringLiteral("全画面"));
    QCOMPARE(f.form->CaptureActiveWindow(), int16_t{0});
  }

  void frameModesKeepTheLaterChoiceAndAToolCancelsThem() {
    FormFixture f;
    Button(f, 6)->trigger();
    QCOMPARE(f.form->panel.FrameDragMode, int16_t{1});
    Button(f, 11)->trigger();
    QCOMPARE(f.form->panel.FrameDragMode, int16_t{2});
    Button(f, 6)->trigger();
    QCOMPARE(f.form->panel.FrameDragMode, int16_t{1});
  }

  void zoomFrameThenPickingAToolDrawsInsteadOfZooming() {
    FormFixture f;
    LoadPicture(f, Pattern(300, 200));
    Button(f, 6)->trigger();
    AddSegment(f, 10, 10, 60, 40);  // picks the segment tool, then drags
    QCOMPARE(f.form->panel.FrameDragMode, int16_t{0});
    QCOMPARE(f.form->view.ZoomPercent, int16_t{100});
    QCOMPARE(f.form->figures.FigureCount, int16_t{1});
  }

  void zoomButtonsReachTheView() {
    FormFixture f;
    LoadPicture(f, Pattern(200, 100));
    f.form->panel.ZoomStep = 25;
    Button(f, 7)->trigger();
    QCOMPARE(f.form->view.ZoomPercent, int16_t{125});
    QCOMPARE(f.form->Picture2->size(), QSize(250, 125));
    Button(f, 8)->trigger();
    Button(f, 8)->trigger();
    QCOMPARE(f.form->view.ZoomPercent, int16_t{75});
    Button(f, 9)->trigger();
    QCOMPARE(f.form->view.ZoomPercent, int16_t{100});
    QCOMPARE(f.form->Picture2->size(), QSize(200, 100));
  }

  void copyThenPasteGoesThroughTheClipboard() {
    FormFixture f;
    const QImage picture = Pattern(64, 48);
    LoadPicture(f, picture);
    Button(f, 12)->trigger();
    QCOMPARE(platform::clipboard::GetPicture(), picture);

    FormFixture other;
    other.form->view.ZoomPercent = 150;
    Button(other, 13)->trigger();
    QCOMPARE(other.form->Picture2->Picture(), picture);
    QCOMPARE(other.form->view.ZoomPercent, int16_t{100});
    QCOMPARE(other.form->Status(velmor::status::kImageSize), QStringLiteral("64 × 48"));
  }

  void settingsButtonOpensDialogJModallyThroughTheSeam() {
    FormFixture f;
    FakeModal modal;
    QString title;
    bool isDialogJ = false;
    QWidget* parent = nullptr;
    modal.onRunDialog = [&](QDialog& dialog) {
      title = dialog.windowTitle();
      isDialogJ = qobject_cast<velmor::DialogJ*>(&dialog) != nullptr;
      parent = dialog.parentWidget();
      auto* cx = dialog.findChild<QLineEdit*>(QStringLiteral("CX"));
      QVERIFY(cx);
      cx->setText(QStringLiteral("400"));
      dialog.findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
    };
    Button(f, 18)->trigger();
    QCOMPARE(modal.dialogsRun, 1);
    QVERIFY(isDialogJ);
    QCOMPARE(title, QStringLiteral("設定"));
    QCOMPARE(parent, static_cast<QWidget*>(f.form.get()));
    QCOMPARE(f.form->settings.Number(slot::kCaptureCX), 400.0);

    // Cancel leaves the settings as they were.
    modal.onRunDialog = [](QDialog& dialog) {
      dialog.findChild<QLineEdit*>(QStringLiteral("CX"))->setText(QStringLiteral("1"));
      dialog.findChild<QPushButton*>(QStringLiteral("CancelButton"))->click();
    };
    Button(f, 18)->trigger();
    QCOMPARE(modal.dialogsRun, 2);
    QCOMPARE(f.form->settings.Number(slot::kCaptureCX), 400.0);
  }

  void captureDropsTheFiguresEvenWhenItFails() {
    FormFixture f;
    FakeModal modal;
    const QImage picture = Pattern(120, 90);
    LoadPicture(f, picture);
    AddSegment(f, 5, 5, 50, 40);
    AddSegment(f, 10, 60, 100, 20);
    QCOMPARE(f.form->figures.FigureCount, int16_t{2});
    f.form->undo.UndoAvailable = true;
    f.form->UNDB->setEnabled(true);
    f.form->panel.ZoomStep = 50;
    f.form->ZoomIn();
    QCOMPARE(f.form->Picture2->size(), QSize(180, 135));

    // The screen picture never reaches the clipboard, as when the key press is swallowed.
    int waits = 0;
    modal.onWait = [&](double) {
      if (++waits == 2) platform::clipboard::Clear();
    };
    Button(f, 15)->trigger();

    QCOMPARE(f.form->figures.FigureCount, int16_t{0});
    QVERIFY(!f.form->undo.UndoAvailable);
    QVERIFY(!f.form->UNDB->isEnabled());
    QCOMPARE(f.form->view.ZoomPercent, int16_t{100});
    QCOMPARE(f.form->Picture2->size(), picture.size());  // canvas and zoom agree
    QCOMPARE(f.form->Picture2->Picture(), picture);
    QCOMPARE(f.form->Picture2->Surface(), picture);  // the dropped figures are gone from view
    QCOMPARE(modal.messages.size(), size_t{1});
    QCOMPARE(modal.messages[0].text, QStringLiteral("画面全体を取得できませんでした。"));
    QCOMPARE(modal.messages[0].icon, platform::MsgIcon::Exclamation);
    QVERIFY(!f.form->isMinimized());
  }

  void pasteWithoutAPictureChangesNothing() {
    FormFixture f;
    FakeModal modal;
    const QImage picture = Pattern(100, 80);
    LoadPicture(f, picture);
    f.form->panel.ZoomStep = 30;
    f.form->ZoomIn();
    AddSegment(f, 5, 5, 50, 40);
    const QImage surface = f.form->Picture2->Surface();

    for (bool textOnClipboard : {false, true}) {
      platform::clipboard::Clear();
      if (textOnClipboard) QGuiApplication::clipboard()->setText(QStringLiteral("text only"));
      Button(f, 13)->trigger();
      QCOMPARE(f.form->view.ZoomPercent, int16_t{130});
      QCOMPARE(f.form->view.ImageWidth, 100);
      QCOMPARE(f.form->view.ImageHeight, 80);
      QCOMPARE(f.form->Picture2->size(), QSize(130, 104));
      QCOMPARE(f.form->Picture2->Picture(), picture);
      QCOMPARE(f.form->Picture2->Surface(), surface);
      QCOMPARE(f.form->figures.FigureCount, int16_t{1});
      QVERIFY(modal.messages.empty());
    }
  }

  void fileExitWritesTheSettingsAsClosingDoes() {
    Settings s;
    s.Set(slot::kZoomStep, int16_t{25});
    s.Set(slot::kLineStyle, std::string("点線"));
    s.Set(slot::kPenWidth, 3.0);
    s.Set(slot::kFrontColor, int32_t{255});
    s.Set(slot::kCaptureCX, 400.0);
    s.Set(77, std::string("kept as it was"));
    const auto edit = [](FormFixture& f) {
      f.form->Text1->setText(QStringLiteral("40"));
      f.form->Text6->setText(QStringLiteral("-2.5"));
    };
    FormFixture closed(&s);
    edit(closed);
    closed.form->close();
    FormFixture exited(&s);
    edit(exited);
    Action(exited, "FileK_3")->trigger();

    QCOMPARE(exited.exits, 1);
    QCOMPARE(closed.exits, 1);
    QVERIFY(exited.IniBytes() != std::string());
    QCOMPARE(QByteArray::fromStdString(exited.IniBytes()),
             QByteArray::fromStdString(closed.IniBytes()));
    QCOMPARE(exited.IniSettings().Number(slot::kZoomStep), 40.0);
  }

  void theErrorTrapEndsAFailingCommandQuietly() {
    FormFixture f;
    FakeModal modal;
    modal.onRunDialog = [](QDialog&) { throw std::runtime_error("dialog broke"); };
    Button(f, 18)->trigger();
    f.form->FileK_Click(velmor::filemenu::kOpen);  // the program goes on
    QCOMPARE(modal.dialogs.size(), size_t{1});

    modal.onRunDialog = [](QDialog&) { throw 42; };
    Button(f, 18)->trigger();
    QCOMPARE(modal.dialogsRun, 2);
    QVERIFY(modal.messages.empty());
  }

  void aFailureInsideTheCaptureKeepsWhatWasDone() {
    FormFixture f;
    FakeModal modal;
    LoadPicture(f, Pattern(80, 60));
    AddSegment(f, 5, 5, 50, 40);
    modal.onWait = [](double) { throw std::runtime_error("wait broke"); };
    Button(f, 15)->trigger();
    // Nothing is undone: the figures stay dropped and no message is shown.
    QCOMPARE(f.form->figures.FigureCount, int16_t{0});
    QVERIFY(modal.messages.empty());
    // A later capture is not refused as if the first were still on its way.
    int waits = 0;
    modal.onWait = [&](double) {
      if (++waits == 2) platform::clipboard::Clear();
    };
    Button(f, 15)->trigger();
    QCOMPARE(modal.messages.size(), size_t{1});
    QVERIFY(!f.form->isMinimized());
  }
};

QTEST_MAIN(MenusToolbarTest)
#include "MenusToolbarTest.moc"
