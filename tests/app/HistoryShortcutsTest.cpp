// Undo and redo through many edits, the keyboard shortcuts, and the copy with the figures drawn.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QMenu>
#include <QToolBar>
#include <QToolTip>
#include <vector>

#include "app/CanvasDriving.h"
#include "core/model/ControlIndexes.h"
#include "platform/Clipboard.h"

using namespace velmor;
using namespace velmor::test;

namespace {

constexpr QRgb kRed = qRgb(255, 0, 0);

struct Figures {
  int32_t count;
  std::vector<std::array<TaggedValue, fig::kColumns>> rows;  // rows 1 to 1000
  bool operator==(const Figures&) const = default;
};

Figures FiguresOf(const Form1& form) {
  Figures f{form.figures.FigureCount, {}};
  for (int row = 1; row <= fig::kMaxFigures; ++row) f.rows.push_back(form.figures.cells[row]);
  return f;
}

// Presses a button while a message box of the program waits, as a stray click might.
class PressingModal : public FakeModal {
 public:
  QAbstractButton* press = nullptr;
  platform::MsgResult Message(const platform::MessageRequest& request) override {
    if (press) press->click();
    return FakeModal::Message(request);
  }
};

}  // namespace

class HistoryShortcutsTest : public FormTest {
  Q_OBJECT

  const QImage picture_ = PatternPicture(300, 200);

  // Keys go to the canvas, as when the user has last clicked it.
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
    QTest::keyClick(form().Picture2, key, modifiers);
  }
  QString TooltipShownFor(QWidget* widget) {
    QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), widget->mapToGlobal(QPoint(2, 2)));
    QCoreApplication::sendEvent(widget, &help);
    return QToolTip::text();
  }

  // The i-th of a run of different edits, each of which changes the table.
  void MixedEdit(int i) {
    const int y = 10 + (i * 7) % 180;
    switch (i % 7) {
      case 0:
        DrawSegment(form(), {10, y}, {280, y});
        break;
      case 1:
        ChooseTool(form(), tool::kRectangle);
        Drag(form(), {20, y}, {{60, y + 15}});
        break;
      case 2:
        ChooseTool(form(), tool::kCircle);
        Drag(form(), {150, y}, {{160, y}});
        break;
      case 3:
        form().Text3->setText(QStringLiteral("寸法"));
        ChooseTool(form(), tool::kText);
        Click(form(), {200, y});
        break;
      case 4:
        ChooseTool(form(), tool::kMove);
        Drag(form(), {100, 10 + ((i - 4) * 7) % 180}, {{110, y}});
        break;
      case 5:
        form().Text6->setText(QStringLiteral("4"));
        ChooseTool(form(), tool::kParallel);
        Click(form(), {250, 10 + ((i - 5) * 7) % 180});
        break;
      case 6:
        ChooseTool(form(), tool::kDelete);
        Click(form(), {40, y});
        break;
    }
  }

 private slots:
  void init() {
    QVERIFY(StartForm());
    form().settings.Set(slot::kFontName, std::string("IPAGothic"));
    form().Text2->SetBackColor(PackedRgb(255, 0, 0));
    form().Combo1->setCurrentIndex(0);
    form().Combo3->setCurrentIndex(0);
    LoadPicture(form(), picture_);
    form().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form()));
    platform::clipboard::Clear();
  }
  void cleanup() { EndForm(); }

  // ---- history ----

  void undoAndRedoWalkThroughAHundredAndFiveMixedEdits() {
    std::vector<Figures> states{FiguresOf(form())};
    for (int i = 0; i < 105; ++i) {
      const size_t before = form().history.UndoCount();
      MixedEdit(i);
      QVERIFY2(form().history.UndoCount() == before + 1, qPrintable(QString::number(i)));
      states.push_back(FiguresOf(form()));
      QVERIFY(form().UNDB->isEnabled());
      QVERIFY(!form().RDOB->isEnabled());
    }
    for (size_t k = states.size() - 1; k > 0; --k) {
      QVERIFY(form().UNDB->isEnabled());
      form().UNDB->click();
      QVERIFY2(FiguresOf(form()) == states[k - 1], qPrintable(QString::number(k)));
      QCOMPARE(form().Status(status::kFigureCount), QString::number(states[k - 1].count));
    }
    QVERIFY(!form().UNDB->isEnabled());
    QCOMPARE(form().Picture2->Surface(), picture_);  // every figure is gone from view
    for (size_t k = 1; k < states.size(); ++k) {
      QVERIFY(form().RDOB->isEnabled());
      form().RDOB->click();
      QVERIFY2(FiguresOf(form()) == states[k], qPrintable(QString::number(k)));
    }
    QVERIFY(!form().RDOB->isEnabled());
    // What redo brought back is drawn as a fresh refresh draws it.
    const QImage redone = form().Picture2->Surface().copy();
    form().RefreshView();
    QCOMPARE(form().Picture2->Surface(), redone);
  }

  void aSegmentWithItsCaptionIsOneEditAndANewEditEndsRedo() {
    form().settings.Set(slot::kSegmentCaption, int16_t{1});
    form().Text3->setText(QStringLiteral("abc"));
    DrawSegment(form(), {10, 50}, {200, 50});
    QCOMPARE(form().figures.FigureCount, 2);
    form().UNDB->click();
    QCOMPARE(form().figures.FigureCount, 0);
    QVERIFY(form().RDOB->isEnabled());
    form().settings.Set(slot::kSegmentCaption, int16_t{0});
    DrawSegment(form(), {10, 90}, {200, 90});
    QVERIFY(!form().RDOB->isEnabled());
    QCOMPARE(form().figures.FigureCount, 1);
    QCOMPARE(form().figures.Kind(2), 0);  // the caption's row was emptied again
  }

  void openDropsBothHistoriesAndPasteKeepsThem() {
    DrawSegment(form(), {10, 30}, {200, 30});
    DrawSegment(form(), {10, 60}, {200, 60});
    form().UNDB->click();
    QVERIFY(form().UNDB->isEnabled() && form().RDOB->isEnabled());

    // A pasted picture keeps the figures and the way back through them.
    platform::clipboard::PutPicture(PlainPicture(250, 150));
    form().Toolbar1Buttons.at(toolbar::kPaste)->trigger();
    QCOMPARE(form().Picture2->Picture().size(), QSize(250, 150));
    QVERIFY(form().UNDB->isEnabled() && form().RDOB->isEnabled());
    form().RDOB->click();
    QCOMPARE(form().figures.FigureCount, 2);

    const QString file = f_->folder.filePath(QStringLiteral("next.bmp"));
    QVERIFY(PlainPicture(50, 40).save(file));
    form().UNDB->click();
    modal_->dialogAnswers.push_back([&](platform::CommonDialog& d) {
      d.FileName = file;
      return true;
    });
    form().OpenImage();
    QCOMPARE(form().figures.FigureCount, 0);
    QCOMPARE(form().Status(status::kFigureCount),
             QStringLiteral("0"));  // the count follows the open
    QVERIFY(!form().UNDB->isEnabled());
    QVERIFY(!form().RDOB->isEnabled());
    QVERIFY(!form().history.CanUndo() && !form().history.CanRedo());
  }

  void undoTakesAPendingPickAway() {
    DrawSegment(form(), {10, 30}, {200, 30});
    DrawSegment(form(), {100, 5}, {100, 150});
    ChooseTool(form(), tool::kTrimBoth);
    Click(form(), {50, 30});
    QCOMPARE(form().drag.Picks[0][0], 1);
    form().UNDB->click();  // the second segment goes
    QCOMPARE(form().drag.Picks[0][0], 0);
    Click(form(), {100, 100});  // a new first pick, not a trim against a vanished row
    QCOMPARE(form().figures.FigureCount, 1);
    QCOMPARE(Cell(form(), 1, fig::kX2), 200.0);
  }

  void undoWaitsForAnEditThatIsStillGoingOn() {
    DrawSegment(form(), {10, 30}, {200, 30});
    DrawSegment(form(), {10, 60}, {200, 60});
    modal_.reset();
    auto pressing = std::make_unique<PressingModal>();
    pressing->press = form().UNDB;
    PressingModal& modal = *pressing;
    modal_ = std::move(pressing);
    ChooseTool(form(), tool::kTrimBoth);
    Click(form(), {50, 30});
    Click(form(), {50, 60});  // parallel: the trim fails with its message
    QCOMPARE(modal.messages.size(), size_t{1});
    QCOMPARE(form().figures.FigureCount, 2);
    QCOMPARE(form().history.UndoCount(), size_t{3});  // the failed trim saved its record
    QVERIFY(!form().history.CanRedo());
  }

  // ---- shortcuts ----

  void everyShortcutReachesItsCommand() {
    DrawSegment(form(), {10, 30}, {200, 30});
    DrawSegment(form(), {10, 60}, {200, 60});

    Key(Qt::Key_Z);
    QCOMPARE(form().figures.FigureCount, 1);
    Key(Qt::Key_Z);
    QCOMPARE(form().figures.FigureCount, 0);
    Key(Qt::Key_Z);  // nothing left: the disabled button ignores the key
    Key(Qt::Key_Y);
    QCOMPARE(form().figures.FigureCount, 1);
    Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(form().figures.FigureCount, 2);

    form().panel.ZoomStep = 50;
    Key(Qt::Key_Plus);
    QCOMPARE(form().view.ZoomPercent, int16_t{150});
    Key(Qt::Key_Equal);
    QCOMPARE(form().view.ZoomPercent, int16_t{200});
    Key(Qt::Key_Minus);
    QCOMPARE(form().view.ZoomPercent, int16_t{150});
    Key(Qt::Key_0);
    QCOMPARE(form().view.ZoomPercent, int16_t{100});
    QCOMPARE(form().Picture2->size(), picture_.size());

    Key(Qt::Key_X);
    QCOMPARE(form().panel.FrameDragMode, int16_t{2});
    Key(Qt::Key_Escape, Qt::NoModifier);
    QCOMPARE(form().panel.FrameDragMode, int16_t{0});

    Key(Qt::Key_C);
    QCOMPARE(platform::clipboard::GetPicture(), picture_);  // bare, as コピー
    Key(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    const QImage marked = platform::clipboard::GetPicture();
    QCOMPARE(marked.size(), picture_.size());
    QCOMPARE(marked.pixel(100, 30), kRed);
    QCOMPARE(marked, form().Picture2->Surface());

    platform::clipboard::PutPicture(PlainPicture(120, 80));
    Key(Qt::Key_V);
    QCOMPARE(form().Picture2->Picture().size(), QSize(120, 80));

    Key(Qt::Key_O);
    Key(Qt::Key_S);
    QCOMPARE(modal_->dialogs.size(), size_t{2});
    QCOMPARE(modal_->dialogs[0].first, platform::DialogKind::Open);
    QCOMPARE(modal_->dialogs[1].first, platform::DialogKind::Save);
    QCOMPARE(form().Status(status::kPrompt),
             QStringLiteral("保存画像ﾌｧｲﾙを指示"));  // the save's own prompt
  }

  void escapeGivesUpAHalfMadePick() {
    DrawSegment(form(), {10, 30}, {200, 30});
    const QImage drawn = form().Picture2->Surface().copy();
    ChooseTool(form(), tool::kTrimBoth);
    Click(form(), {50, 30});
    QCOMPARE(form().drag.Picks[0][0], 1);
    QVERIFY(form().Picture2->Surface() != drawn);  // the pick mark
    Key(Qt::Key_Escape, Qt::NoModifier);
    QCOMPARE(form().drag.Picks[0][0], 0);
    QCOMPARE(form().drag.Picks[1][0], 0);
    QCOMPARE(form().Picture2->Surface(), drawn);
    QVERIFY(modal_->messages.empty());
  }

  void theKeysReachTheWindowAtStartAndAfterAClickOnTheCanvas() {
    QWidget* start = QApplication::focusWidget();
    QVERIFY(start && !qobject_cast<QLineEdit*>(start));
    platform::clipboard::PutPicture(PlainPicture(120, 80));
    QTest::keyClick(start, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(form().Picture2->Picture().size(), QSize(120, 80));
    form().Text3->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(form().Text3));
    QTest::mouseClick(form().Picture2, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(!qobject_cast<QLineEdit*>(QApplication::focusWidget()));
  }

  void textBoxesKeepTheirEditingKeys() {
    DrawSegment(form(), {10, 30}, {200, 30});
    form().Text3->setText(QStringLiteral("abc"));
    form().Text3->setFocus();
    form().Text3->selectAll();
    QTest::keyClick(form().Text3, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(form().Text3->text(), QString());
    QCOMPARE(form().panel.FrameDragMode, int16_t{0});
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("abc"));
    QTest::keyClick(form().Text3, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(form().Text3->text(), QStringLiteral("abc"));
    QCOMPARE(form().Picture2->Picture(), picture_);  // no paste into the canvas
    QTest::keyClick(form().Text3, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(form().Text3->text(), QString());
    QCOMPARE(form().figures.FigureCount, 1);  // the segment stays
    QTest::keyClick(form().Text3, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(form().Text3->text(), QStringLiteral("abc"));
    QVERIFY(!form().RDOB->isEnabled());
    form().Text6->setText(QStringLiteral("12"));
    form().Text6->setFocus();
    form().Text6->selectAll();
    QTest::keyClick(form().Text6, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), form().Text6->text());
    // Keys a text box has no use for still reach the window.
    form().panel.ZoomStep = 50;
    QTest::keyClick(form().Text3, Qt::Key_Plus, Qt::ControlModifier);
    QCOMPARE(form().view.ZoomPercent, int16_t{150});
  }

  void menusAndTooltipsShowTheKeys() {
    QCOMPARE(form().FileK.at(0)->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    QCOMPARE(form().FileK.at(1)->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
    QCOMPARE(form().FileK.at(4)->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+C")));
    auto button = [&](int index) {
      return form().Toolbar1->widgetForAction(form().Toolbar1Buttons.at(index));
    };
    QCOMPARE(TooltipShownFor(button(12)), QStringLiteral("コピー (Ctrl+C)"));
    QCOMPARE(TooltipShownFor(button(7)), QStringLiteral("拡大 (Ctrl++, Ctrl+=)"));
    QCOMPARE(TooltipShownFor(button(19)), QStringLiteral("作図付きコピー (Ctrl+Shift+C)"));
    QCOMPARE(TooltipShownFor(form().RDOB), QStringLiteral("redo (Ctrl+Y, Ctrl+Shift+Z)"));
    QCOMPARE(TooltipShownFor(form().UNDB), QStringLiteral("undo (Ctrl+Z)"));
    QCOMPARE(TooltipShownFor(button(18)), QStringLiteral("設定"));  // no key
    QCOMPARE(form().Toolbar1Buttons.at(toolbar::kCopy)->toolTip(), QStringLiteral("コピー"));
    QCOMPARE(form().RDOB->toolTip(), QStringLiteral("redo"));
    QVERIFY(!form().RDOB->icon().isNull());
  }

  // ---- copy with the figures ----

  void copyWithFiguresIsAtFullScaleWhateverTheZoom() {
    DrawSegment(form(), {10, 30}, {200, 30});
    ChooseTool(form(), tool::kRectangle);
    Drag(form(), {40, 80}, {{120, 150}});
    MixedEdit(2);  // a circle
    MixedEdit(3);  // a turned text over its box
    form().Combo3->setCurrentIndex(2);
    ChooseTool(form(), tool::kRectangle);
    Drag(form(), {150, 120}, {{280, 190}});  // a filled rectangle
    const QImage atFullScale = form().Picture2->Surface().copy();
    ZoomTo(form(), 250);
    const QImage zoomed = form().Picture2->Surface().copy();

    form().Toolbar1Buttons.at(toolbar::kCopyWithFigures)->trigger();
    QCOMPARE(platform::clipboard::GetPicture(), atFullScale);
    QCOMPARE(form().view.ZoomPercent, int16_t{250});
    QCOMPARE(form().Picture2->Surface(), zoomed);  // the view is left alone

    form().Toolbar1Buttons.at(toolbar::kCopy)->trigger();
    QCOMPARE(platform::clipboard::GetPicture(), picture_);
    form().FileK.at(4)->trigger();
    QCOMPARE(platform::clipboard::GetPicture(), atFullScale);
    QCOMPARE(form().figures.FigureCount, 5);  // copying is no edit
    QCOMPARE(form().history.UndoCount(), size_t{5});
  }

  void copyWithFiguresWithoutPictureKeepsTheClipboard() {
    EndForm();
    QVERIFY(StartForm());
    platform::clipboard::PutPicture(PlainPicture(7, 7));
    form().Toolbar1Buttons.at(toolbar::kCopyWithFigures)->trigger();
    QCOMPARE(platform::clipboard::GetPicture().size(), QSize(7, 7));
  }
};

QTEST_MAIN(HistoryShortcutsTest)
#include "HistoryShortcutsTest.moc"
