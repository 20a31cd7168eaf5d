#include "app/Form1.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <cstdio>
#include <cstdlib>

#include "app/CaptureDelay.h"
#include "app/ColorSwatch.h"
#include "app/Icons.h"
#include "app/Shortcuts.h"
#include "app/ToolTables.h"
#include "capture/ScreenCapture.h"
#include "core/base/NumberRules.h"
#include "core/model/ControlIndexes.h"
#include "core/settings/SettingsFile.h"
#include "raster/GdiCanvas.h"
#include "view/CanvasWidget.h"

namespace velmor {

namespace {
constexpr int kToolbar1Height = 30;
constexpr int kToolbar2Height = 30;
constexpr int kLeftStripWidth = 56;
constexpr int kViewportOrigin = 60;
constexpr int kScrollThickness = 20;

int16_t Int16Or0(const TaggedValue& v) {
  const auto n = NumberOf(v);
  if (!n) return 0;
  return ToInt16(*n).value_or(0);
}

int32_t Int32Or0(const TaggedValue& v) {
  const auto n = NumberOf(v);
  if (!n) return 0;
  return ToInt32(*n).value_or(0);
}

QString Qs(const std::string& utf8) {
  return QString::fromStdString(utf8);
}

void SelectItemWithText(QComboBox* box, const QString& text) {
  box->setCurrentIndex(box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
}
}  // namespace

Form1::Form1(const QString& settingsFolder, QWidget* parent)
    : QMainWindow(parent),
      settingsFile_(Qs(SettingsFilePath(QDir(settingsFolder).absolutePath().toStdString()))) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(platform::kProgramName);
  setWindowIcon(VelmorIcon(QStringLiteral("app")));
  exitProgram = [] {
    std::fflush(nullptr);
    // Inside a wait or a dialog, returning would run the rest of what was going on: end here.
    if (platform::InsideNestedEvents()) std::_Exit(0);
    // From the main loop, end through the application's own teardown: it hands a picture we
    // put on the clipboard to the desktop's clipboard manager, so it outlives the program.
    QCoreApplication::exit(0);
  };

  client_ = new QWidget(this);
  client_->setObjectName(QStringLiteral("Client"));
  setCentralWidget(client_);
  BuildMenus();
  BuildToolbar();
  BuildToolPanel();
  BuildLeftStrip();
  BuildViewport();
  BuildStatusBar();
  countdown_ = std::make_unique<CaptureDelay>(*Stb1Panels.at(status::kPrompt));
  client_->installEventFilter(this);
  Picture1->installEventFilter(this);
  Picture2->installEventFilter(this);
  resize(1024, 768);
  Form_Load();
  InstallShortcuts(*this);
}

Form1::~Form1() = default;

void Form1::BuildMenus() {
  FileMenu = menuBar()->addMenu(QStringLiteral("ファイル"));
  FileMenu->setObjectName(QStringLiteral("FileMenu"));
  const QString fileCaptions[] = {QStringLiteral("開く"), QStringLiteral("保存"), QString(),
                                  QStringLiteral("終了"), QStringLiteral("作図付きコピー")};
  for (int i = 0; i < 5; ++i) {
    QAction* action =
        i == filemenu::kSeparator ? FileMenu->addSeparator() : FileMenu->addAction(fileCaptions[i]);
    action->setObjectName(QStringLiteral("FileK_%1").arg(i));
    connect(action, &QAction::triggered, this, [this, i] { FileK_Click(i); });
    FileK[i] = action;
  }
  HelpMenu = menuBar()->addMenu(QStringLiteral("ヘルプ"));
  HelpMenu->setObjectName(QStringLiteral("HelpMenu"));
  QAction* about = HelpMenu->addAction(QStringLiteral("バージョン情報"));
  about->setObjectName(QStringLiteral("HelpK_0"));
  connect(about, &QAction::triggered, this, [this] { HelpK_Click(0); });
  HelpK[0] = about;
}

void Form1::BuildToolbar() {
  Toolbar1 = new QToolBar(client_);
  Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
  Toolbar1->setIconSize(QSize(16, 16));
  Toolbar1->setMovable(false);
  for (const ToolbarButtonInfo& info : ToolbarButtons()) {
    QAction* action = new QAction(Toolbar1);
    action->setObjectName(QStringLiteral("Toolbar1_%1").arg(info.index));
    if (info.separator) {
      action->setSeparator(true);
    } else {
      action->setToolTip(info.tooltip);
      action->setText(info.tooltip);
      action->setIcon(VelmorIcon(info.icon));
      action->setCheckable(info.checkable);
      const int index = info.index;
      connect(action, &QAction::triggered, this, [this, index] { Toolbar1_ButtonClick(index); });
    }
    Toolbar1->addAction(action);
    if (QWidget* w = Toolbar1->widgetForAction(action))
      w->setObjectName(QStringLiteral("Toolbar1_%1").arg(info.index));
    Toolbar1Buttons[info.index] = action;
  }
  Toolbar1->addSeparator()->setObjectName(QStringLiteral("DelaySeparator"));
  DelayBox = new QSpinBox(Toolbar1);
  DelayBox->setObjectName(QStringLiteral("DelayBox"));
  DelayBox->setRange(0, kMaxCaptureDelaySeconds);
  DelayBox->setSuffix(delay_text::kSuffix);
  DelayBox->setSpecialValueText(delay_text::kNoDelay);
  DelayBox->setToolTip(delay_text::kTooltip);
  Toolbar1->addWidget(DelayBox)->setObjectName(QStringLiteral("DelayBoxAction"));
  // The start-up sets the box with signals blocked, so the first prompt stays.
  connect(DelayBox, &QSpinBox::valueChanged, this,
          [this] { SetStatus(status::kPrompt, delay_text::kHint); });
}

void Form1::BuildToolPanel() {
  Toolbar2 = new QToolBar(client_);
  Toolbar2->setObjectName(QStringLiteral("Toolbar2"));
  Toolbar2->setMovable(false);
  Picture3 = new QWidget(Toolbar2);
  Picture3->setObjectName(QStringLiteral("Picture3"));
  auto* row = new QHBoxLayout(Picture3);
  row->setContentsMargins(4, 0, 4, 0);
  row->setSpacing(4);
  auto label = [this, row](const QString& caption) {
    auto* l = new QLabel(caption, Picture3);
    row->addWidget(l);
    return l;
  };
  auto named = [](QWidget* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
  };

  label(QStringLiteral("拡大率"));
  Text1 = new QLineEdit(Picture3);
  named(Text1, "Text1")->setFixedWidth(36);
  row->addWidget(Text1);
  Slider1 = new QSlider(Qt::Horizontal, Picture3);
  named(Slider1, "Slider1")->setFixedWidth(70);
  Slider1->setRange(0, 10);
  Slider1->setPageStep(1);
  row->addWidget(Slider1);
  Combo1 = new QComboBox(Picture3);
  named(Combo1, "Combo1");
  row->addWidget(Combo1);
  label(QStringLiteral("太さ"));
  Text4 = new QLineEdit(Picture3);
  named(Text4, "Text4")->setFixedWidth(30);
  row->addWidget(Text4);
  Slider2 = new QSlider(Qt::Horizontal, Picture3);
  named(Slider2, "Slider2")->setFixedWidth(70);
  Slider2->setRange(1, 10);
  Slider2->setPageStep(1);
  row->addWidget(Slider2);
  label(QStringLiteral("前"));
  Text2 = new ColorSwatch(Picture3);
  named(Text2, "Text2")->setFixedSize(22, 18);
  row->addWidget(Text2);
  label(QStringLiteral("背"));
  Text5 = new ColorSwatch(Picture3);
  named(Text5, "Text5")->setFixedSize(22, 18);
  row->addWidget(Text5);
  Combo3 = new QComboBox(Picture3);
  named(Combo3, "Combo3");
  row->addWidget(Combo3);
  Command2 = new QPushButton(Picture3);
  named(Command2, "Command2")->setFixedWidth(30);
  row->addWidget(Command2);
  label(QStringLiteral("楕円率"));
  Combo2 = new QComboBox(Picture3);
  named(Combo2, "Combo2");
  row->addWidget(Combo2);
  label(QStringLiteral("文字列"));
  Text3 = new QLineEdit(Picture3);
  named(Text3, "Text3")->setFixedWidth(160);
  row->addWidget(Text3);
  Command1 = new QPushButton(QStringLiteral("フォント"), Picture3);
  named(Command1, "Command1");
  row->addWidget(Command1);
  row->addStretch(1);
  Toolbar2->addWidget(Picture3);

  connect(Text1, &QLineEdit::textChanged, this, [this] { Text1_Change(); });
  connect(Text4, &QLineEdit::textChanged, this, [this] { Text4_Change(); });
  // A slider's rule runs only when the user moves it; code sets it with signals blocked.
  connect(Slider1, &QSlider::valueChanged, this, [this] { Slider1_UserMoved(); });
  connect(Slider2, &QSlider::valueChanged, this, [this] { Slider2_UserMoved(); });
  connect(Text2, &ColorSwatch::clicked, this, [this] { Text2_Click(); });
  connect(Text5, &ColorSwatch::clicked, this, [this] { Text5_Click(); });
  connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
  connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
}

void Form1::BuildLeftStrip() {
  leftStrip_ = new QWidget(client_);
  leftStrip_->setObjectName(QStringLiteral("LeftStrip"));
  auto* column = new QVBoxLayout(leftStrip_);
  column->setContentsMargins(2, 4, 2, 4);
  column->setSpacing(2);
  // Two buttons a row, in the order of the tools: thirteen in one file would push 矩形 off a
  // window of the default height on a desktop scaled by two.
  auto* tools = new QGridLayout;
  tools->setSpacing(2);
  int place = 0;
  for (const ToolInfo& info : Tools()) {
    auto* button = new QToolButton(leftStrip_);
    button->setObjectName(QStringLiteral("Opb_%1").arg(info.mode));
    button->setToolTip(info.name);
    button->setIcon(VelmorIcon(info.icon));
    button->setIconSize(QSize(20, 20));
    button->setFixedSize(25, 25);
    button->setCheckable(true);
    button->setAutoExclusive(true);
    const int mode = info.mode;
    connect(button, &QToolButton::clicked, this, [this, mode] { Opb_Click(mode); });
    tools->addWidget(button, place / 2, place % 2);
    ++place;
    Opb[info.mode] = button;
  }
  column->addLayout(tools);
  column->addSpacing(6);
  auto* distance = new QLabel(QStringLiteral("距離"), leftStrip_);
  column->addWidget(distance);
  Text6 = new QLineEdit(leftStrip_);
  Text6->setObjectName(QStringLiteral("Text6"));
  column->addWidget(Text6);
  column->addSpacing(6);
  UNDB = new QToolButton(leftStrip_);
  UNDB->setObjectName(QStringLiteral("UNDB"));
  UNDB->setToolTip(QStringLiteral("undo"));
  UNDB->setIcon(VelmorIcon(QStringLiteral("undo")));
  UNDB->setIconSize(QSize(20, 20));
  UNDB->setFixedSize(25, 25);
  UNDB->setEnabled(false);
  connect(UNDB, &QToolButton::clicked, this, [this] { UNDB_Click(); });
  // Redo sits beside undo, so that nothing below them moves.
  auto* undoRow = new QHBoxLayout;
  undoRow->setSpacing(2);
  undoRow->addWidget(UNDB);
  RDOB = new QToolButton(leftStrip_);
  RDOB->setObjectName(QStringLiteral("RDOB"));
  RDOB->setToolTip(QStringLiteral("redo"));
  RDOB->setIcon(VelmorIcon(QStringLiteral("redo")));
  RDOB->setIconSize(QSize(20, 20));
  RDOB->setFixedSize(25, 25);
  RDOB->setEnabled(false);
  connect(RDOB, &QToolButton::clicked, this, [this] { RDOB_Click(); });
  undoRow->addWidget(RDOB);
  column->addLayout(undoRow);
  Command5 = new QToolButton(leftStrip_);
  Command5->setObjectName(QStringLiteral("Command5"));
  Command5->setText(QStringLiteral("矩形"));
  Command5->setToolTip(QStringLiteral("設定した矩形位置をキャプチャします。"));
  Command5->setIcon(VelmorIcon(QStringLiteral("capture-rect")));
  Command5->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  connect(Command5, &QToolButton::clicked, this, [this] {
    RunTrapped([this] { Countdown().Run(DelayBox->value(), [this] { Command5_Click(); }); });
  });
  column->addWidget(Command5, 0, Qt::AlignHCenter);

  // Present on the window but never shown: nothing makes them available to the user.
  BatchButton = new QPushButton(QStringLiteral("一括"), leftStrip_);
  BatchButton->setObjectName(QStringLiteral("BatchButton"));
  BatchButton->hide();
  connect(BatchButton, &QPushButton::clicked, this, [this] { BatchStampFolder(); });
  StampButton = new QPushButton(QStringLiteral("★"), leftStrip_);
  StampButton->setObjectName(QStringLiteral("StampButton"));
  StampButton->hide();
  connect(StampButton, &QPushButton::clicked, this, [this] { DrawStamp(); });
  List1 = new QListWidget(client_);
  List1->setObjectName(QStringLiteral("List1"));
  List1->hide();
  List2 = new QListWidget(client_);
  List2->setObjectName(QStringLiteral("List2"));
  List2->hide();
  column->addStretch(1);
}

void Form1::BuildViewport() {
  Picture1 = new QWidget(client_);
  Picture1->setObjectName(QStringLiteral("Picture1"));
  Picture1->setAutoFillBackground(true);
  Picture2 = new CanvasWidget(Picture1);
  Picture2->setObjectName(QStringLiteral("Picture2"));
  Picture2->move(0, 0);
  Picture2->onMouseDown = [this](int b, int s, float x, float y) {
    Picture2_MouseDown(b, s, x, y);
  };
  Picture2->onMouseMove = [this](int b, int s, float x, float y) {
    Picture2_MouseMove(b, s, x, y);
  };
  Picture2->onMouseUp = [this](int b, int s, float x, float y) { Picture2_MouseUp(b, s, x, y); };
  HScroll1 = new QScrollBar(Qt::Horizontal, client_);
  HScroll1->setObjectName(QStringLiteral("HScroll1"));
  HScroll1->setFixedHeight(kScrollThickness);
  HScroll1->setRange(0, 0);
  HScroll1->hide();
  VScroll1 = new QScrollBar(Qt::Vertical, client_);
  VScroll1->setObjectName(QStringLiteral("VScroll1"));
  VScroll1->setFixedWidth(kScrollThickness);
  VScroll1->setRange(0, 0);
  VScroll1->hide();
  connect(HScroll1, &QScrollBar::valueChanged, this, [this] { HScroll1_Change(); });
  connect(VScroll1, &QScrollBar::valueChanged, this, [this] { VScroll1_Change(); });
  Picture1->setGeometry(kViewportOrigin, kViewportOrigin, 400, 300);
}

void Form1::BuildStatusBar() {
  Stb1 = new QStatusBar(client_);
  Stb1->setObjectName(QStringLiteral("Stb1"));
  Stb1->setSizeGripEnabled(false);
  const int widths[] = {0, 360, 110, 60, 60, 110, 150};
  for (int i = 1; i <= 6; ++i) {
    auto* panel = new QLabel(Stb1);
    panel->setObjectName(QStringLiteral("Stb1_%1").arg(i));
    panel->setMinimumWidth(widths[i]);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    Stb1->addPermanentWidget(panel, i == 1 ? 1 : 0);
    Stb1Panels[i] = panel;
  }
}

platform::GdiCanvas& Form1::Canvas() {
  if (!canvas_) {
    QImage* surface = &Picture2->DrawingSurface();
    canvas_ = std::make_unique<platform::GdiCanvas>(surface);
    // What is drawn outside a refresh lands on parts painted first and kept from then on.
    canvas_->SetTouchHandler(surface, [this](const QRect& part) {
      if (!paintingShownPart_) Picture2->PrepareToDraw(part);
    });
  }
  return *canvas_;
}

ScreenCapture& Form1::Capture() {
  if (!capture_) capture_ = std::make_unique<ScreenCapture>(*this);
  return *capture_;
}

void Form1::SetStatus(int panel, const QString& text) {
  if (auto it = Stb1Panels.find(panel); it != Stb1Panels.end()) it->second->setText(text);
}

QString Form1::Status(int panel) const {
  auto it = Stb1Panels.find(panel);
  return it == Stb1Panels.end() ? QString() : it->second->text();
}

void Form1::LayoutClient() {
  const int w = client_->width();
  const int h = client_->height();
  Toolbar1->setGeometry(0, 0, w, kToolbar1Height);
  Toolbar2->setGeometry(0, kToolbar1Height, w, kToolbar2Height);
  const int statusHeight = Stb1->sizeHint().height();
  Stb1->setGeometry(0, h - statusHeight, w, statusHeight);
  leftStrip_->setGeometry(0, kViewportOrigin, kLeftStripWidth,
                          std::max(0, h - kViewportOrigin - statusHeight));
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == client_ && event->type() == QEvent::Resize) {
    LayoutClient();
    LayoutViewport();
  }
  if ((watched == Picture1 || watched == Picture2) && event->type() == QEvent::Wheel) {
    ScrollByWheel(*static_cast<QWheelEvent*>(event));
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void Form1::Form_Load() {
  std::string error;
  settingsReadable_ = LoadSettingsFile(settingsFile_.toStdString(), settings, &error);
  if (!settingsReadable_)
    std::fprintf(stderr, "velmor: settings file not read, it will be left as it is: %s\n",
                 error.c_str());
  view.ZoomPercent = 100;

  panel.ZoomStep = Int16Or0(settings.Get(slot::kZoomStep));
  Text1->setText(QString::number(panel.ZoomStep));
  Text1_Change();  // the rule runs even when the text did not change
  {
    const QSignalBlocker block(Slider1);
    Slider1->setValue(
        static_cast<int>(RoundHalfEven(LeadingNumber(Text1->text().toStdString()) / 10)));
  }

  panel.PenWidth = Int16Or0(settings.Get(slot::kPenWidth));
  Text4->setText(QString::number(panel.PenWidth));
  Text4_Change();
  {
    const QSignalBlocker block(Slider2);
    Slider2->setValue(static_cast<int>(RoundHalfEven(LeadingNumber(Text4->text().toStdString()))));
  }

  panel.ArrowOn = Int16Or0(settings.Get(slot::kArrowOn));
  Command2->setText(panel.ArrowOn != 0 ? QStringLiteral("→") : QStringLiteral("―"));
  Text6->setText(Qs(settings.Text(slot::kParallelDistance)));
  {
    const QSignalBlocker block(DelayBox);
    DelayBox->setValue(CaptureDelaySecondsOf(settings.Get(slot::kCaptureDelay)));
  }

  for (const QString& style : LineStyleNames()) Combo1->addItem(style);
  SelectItemWithText(Combo1, Qs(settings.Text(slot::kLineStyle)));
  for (const QString& ratio : EllipseRatioTexts()) Combo2->addItem(ratio);
  SelectItemWithText(Combo2, Qs(settings.Text(slot::kEllipseRatio)));
  for (const QString& fill : FillStyleNames()) Combo3->addItem(fill);
  SelectItemWithText(Combo3, Qs(settings.Text(slot::kFillStyle)));

  Text2->SetBackColor(static_cast<uint32_t>(Int32Or0(settings.Get(slot::kFrontColor))));
  Text5->SetBackColor(static_cast<uint32_t>(Int32Or0(settings.Get(slot::kBackColor))));

  ImageFolder.clear();
  ImageFileName.clear();
  SetStatus(status::kPrompt, QStringLiteral("画像を開くかキャプチャして下さい。"));
  SetStatus(status::kVersion, QStringLiteral("Version %1.%2.%3")
                                  .arg(VELMOR_VERSION_MAJOR)
                                  .arg(VELMOR_VERSION_MINOR)
                                  .arg(VELMOR_VERSION_PATCH));
}

bool Form1::SaveSettings() {
  settings.Set(slot::kZoomStep, panel.ZoomStep);
  settings.Set(slot::kLineStyle, Combo1->currentText().toStdString());
  settings.Set(slot::kPenWidth, LeadingNumber(Text4->text().toStdString()));
  settings.Set(slot::kFrontColor, static_cast<int32_t>(Text2->BackColor()));
  settings.Set(slot::kBackColor, static_cast<int32_t>(Text5->BackColor()));
  settings.Set(slot::kEllipseRatio, Combo2->currentText().toStdString());
  settings.Set(slot::kFillStyle, Combo3->currentText().toStdString());
  settings.Set(slot::kArrowOn, panel.ArrowOn);
  settings.Set(slot::kParallelDistance, Text6->text().toStdString());
  settings.Set(slot::kCaptureDelay, static_cast<int16_t>(DelayBox->value()));
  // A file that could not be read is not replaced by defaults.
  if (!settingsReadable_) return false;
  // The user's configuration folder may not exist before the first exit.
  QDir().mkpath(QFileInfo(settingsFile_).absolutePath());
  std::string error;
  if (!SaveSettingsFile(settingsFile_.toStdString(), settings, &error)) {
    std::fprintf(stderr, "velmor: settings not saved: %s\n", error.c_str());
    return false;
  }
  return true;
}

void Form1::SaveSettingsAndExit() {
  if (exiting_) return;
  exiting_ = true;
  SaveSettings();  // a folder that cannot be written must not keep the program from ending
  if (exitProgram) exitProgram();
}

void Form1::closeEvent(QCloseEvent* event) {
  SaveSettingsAndExit();
  event->accept();
}

void Form1::RunTrapped(const std::function<void()>& command) {
  try {
    command();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "velmor: command stopped: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "velmor: command stopped\n");
  }
}

}  // namespace velmor
