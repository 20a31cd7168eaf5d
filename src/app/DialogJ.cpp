#include "app/DialogJ.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <chrono>
#include <cmath>

#include "core/base/NumberRules.h"
#include "platform/Modal.h"
#include "platform/ScreenSource.h"

namespace velmor {

namespace {

constexpr int kTxt1FirstSlot = slot::kWingAngle;  // Txt1(i) edits slot 31 + i
constexpr double kPickDelaySeconds = 3.0;

double SteadySeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::string Utf8(const QString& text) {
  return text.toStdString();
}
QString Text(const std::string& utf8) {
  return QString::fromStdString(utf8);
}

// A number too long to hold would become infinity and poison the settings file: keep 0 instead,
// as for a text without a number.
double StoredNumber(const QString& text) {
  const double value = LeadingNumber(Utf8(text));
  return std::isfinite(value) ? value : 0.0;
}

// Any non-zero value counts as ticked; the dialog itself only stores 0 and 1.
bool Ticked(const TaggedValue& value) {
  return RoundHalfEven(NumberOr0(value)) != 0.0;
}

int16_t CheckValue(const QCheckBox* box) {
  return box->isChecked() ? 1 : 0;
}

QLineEdit* NumberBox(const QString& name, QWidget* parent, int chars = 7) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(name);
  box->setFixedWidth(box->fontMetrics().horizontalAdvance(QLatin1Char('0')) * chars + 12);
  return box;
}

QLabel* Label(const QString& name, const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  return label;
}

}  // namespace

DialogJ::DialogJ(Settings& settings, QWidget* parent)
    : QDialog(parent),
      settings_(settings),
      cursorReader_([] { return platform::Screen().PointerPosition(); }),
      clock_(&SteadySeconds) {
  setObjectName(QStringLiteral("DialogJ"));
  setWindowTitle(QStringLiteral("設定"));
  setModal(true);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  BuildControls();

  connect(txt1_[3], &QLineEdit::textChanged, this, &DialogJ::ApplyQualityRule);
  connect(check1_, &QCheckBox::toggled, combo1_, &QWidget::setEnabled);
  connect(check2_, &QCheckBox::toggled, txt1_[2], &QWidget::setEnabled);
  connect(okButton_, &QPushButton::clicked, this, [this] {
    Save();
    accept();
  });
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
  connect(command1_, &QPushButton::clicked, this, &DialogJ::PickCentrePosition);
}

void DialogJ::BuildControls() {
  auto* fields = new QVBoxLayout;

  auto* arrowFrame = new QGroupBox(QStringLiteral("矢印"), this);
  arrowFrame->setObjectName(QStringLiteral("Frame1"));
  auto* arrowGrid = new QGridLayout(arrowFrame);
  txt1_[0] = NumberBox(QStringLiteral("Txt1_0"), arrowFrame);
  txt1_[1] = NumberBox(QStringLiteral("Txt1_1"), arrowFrame);
  arrowGrid->addWidget(Label(QStringLiteral("Label1"), QStringLiteral("羽根の角度"), arrowFrame), 0,
                       0);
  arrowGrid->addWidget(txt1_[0], 0, 1);
  arrowGrid->addWidget(Label(QStringLiteral("Label2"), QStringLiteral("度"), arrowFrame), 0, 2);
  arrowGrid->addWidget(Label(QStringLiteral("Label3"), QStringLiteral("羽根の長さ"), arrowFrame), 1,
                       0);
  arrowGrid->addWidget(txt1_[1], 1, 1);
  arrowGrid->addWidget(Label(QStringLiteral("Label4"), QStringLiteral("ﾋﾟｸｾﾙ"), arrowFrame), 1, 2);
  arrowGrid->setColumnStretch(3, 1);
  fields->addWidget(arrowFrame);

  auto* optionGrid = new QGridLayout;
  check1_ = new QCheckBox(QStringLiteral("線分の中央に文字列を作成"), this);
  check1_->setObjectName(QStringLiteral("Check1"));
  combo1_ = new QComboBox(this);
  combo1_->setObjectName(QStringLiteral("Combo1"));
  combo1_->setEditable(true);
  // Typed placements are saved as typed, never added to the list.
  combo1_->setInsertPolicy(QComboBox::NoInsert);
  optionGrid->addWidget(check1_, 0, 0);
  optionGrid->addWidget(combo1_, 0, 1);

  check2_ = new QCheckBox(QStringLiteral("円の半径を固定する。　ｻｲｽﾞ"), this);
  check2_->setObjectName(QStringLiteral("Check2"));
  txt1_[2] = NumberBox(QStringLiteral("Txt1_2"), this);
  optionGrid->addWidget(check2_, 1, 0);
  optionGrid->addWidget(txt1_[2], 1, 1, Qt::AlignLeft);

  txt1_[3] = NumberBox(QStringLiteral("Txt1_3"), this);
  optionGrid->addWidget(
      Label(QStringLiteral("Label5"), QStringLiteral("JPEG画像保存の解像度"), this), 2, 0);
  optionGrid->addWidget(txt1_[3], 2, 1, Qt::AlignLeft);
  optionGrid->setColumnStretch(2, 1);
  fields->addLayout(optionGrid);

  auto* captureFrame = new QGroupBox(QStringLiteral("矩形キャプチャ設定"), this);
  captureFrame->setObjectName(QStringLiteral("Frame2"));
  auto* captureGrid = new QGridLayout(captureFrame);
  cx_ = NumberBox(QStringLiteral("CX"), captureFrame);
  cy_ = NumberBox(QStringLiteral("CY"), captureFrame);
  dx_ = NumberBox(QStringLiteral("DX"), captureFrame);
  dy_ = NumberBox(QStringLiteral("DY"), captureFrame);
  captureGrid->addWidget(
      Label(QStringLiteral("Label6"), QStringLiteral("中心位置横"), captureFrame), 0, 0);
  captureGrid->addWidget(cx_, 0, 1);
  captureGrid->addWidget(Label(QStringLiteral("Label7"), QStringLiteral("縦"), captureFrame), 0, 2);
  captureGrid->addWidget(cy_, 0, 3);
  captureGrid->addWidget(Label(QStringLiteral("Label8"), QStringLiteral("枠長横"), captureFrame), 1,
                         0);
  captureGrid->addWidget(dx_, 1, 1);
  captureGrid->addWidget(Label(QStringLiteral("Label9"), QStringLiteral("縦"), captureFrame), 1, 2);
  captureGrid->addWidget(dy_, 1, 3);
  command1_ = new QPushButton(QStringLiteral("中心位置取得"), captureFrame);
  command1_->setObjectName(QStringLiteral("Command1"));
  captureGrid->addWidget(command1_, 2, 0, 1, 4, Qt::AlignLeft);
  captureGrid->setColumnStretch(4, 1);
  fields->addWidget(captureFrame);

  auto* buttons = new QVBoxLayout;
  okButton_ = new QPushButton(QStringLiteral("OK"), this);
  okButton_->setObjectName(QStringLiteral("OKButton"));
  // Enter in a text box confirms, never starts the pick.
  okButton_->setDefault(true);
  cancelButton_ = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
  cancelButton_->setObjectName(QStringLiteral("CancelButton"));
  buttons->addWidget(okButton_);
  buttons->addWidget(cancelButton_);
  buttons->addStretch(1);

  auto* top = new QHBoxLayout(this);
  top->addLayout(fields);
  top->addLayout(buttons);
  top->setSizeConstraint(QLayout::SetFixedSize);
}

void DialogJ::Load() {
  for (int i = 0; i < 4; ++i) {
    const QString text = Text(settings_.Text(kTxt1FirstSlot + i));
    if (i == 3) {
      // The quality rule runs only when the text changes, so an empty slot leaves the box empty.
      QSignalBlocker quiet(txt1_[3]);
      txt1_[3]->clear();
    }
    txt1_[i]->setText(text);
  }

  check1_->setChecked(Ticked(settings_.Get(slot::kSegmentCaption)));
  check2_->setChecked(Ticked(settings_.Get(slot::kFixedCircle)));

  combo1_->clear();
  combo1_->addItems({QStringLiteral("上"), QStringLiteral("中"), QStringLiteral("下")});
  combo1_->setEditText(Text(settings_.Text(slot::kCaptionPlacement)));

  cx_->setText(Text(settings_.Text(slot::kCaptureCX)));
  cy_->setText(Text(settings_.Text(slot::kCaptureCY)));
  dx_->setText(Text(settings_.Text(slot::kCaptureDX)));
  dy_->setText(Text(settings_.Text(slot::kCaptureDY)));

  combo1_->setEnabled(check1_->isChecked());
  txt1_[2]->setEnabled(check2_->isChecked());
}

void DialogJ::Save() {
  for (int i = 0; i < 4; ++i) settings_.Set(kTxt1FirstSlot + i, StoredNumber(txt1_[i]->text()));
  settings_.Set(slot::kSegmentCaption, CheckValue(check1_));
  settings_.Set(slot::kFixedCircle, CheckValue(check2_));
  settings_.Set(slot::kCaptionPlacement, Utf8(combo1_->currentText()));
  settings_.Set(slot::kCaptureCX, StoredNumber(cx_->text()));
  settings_.Set(slot::kCaptureCY, StoredNumber(cy_->text()));
  settings_.Set(slot::kCaptureDX, StoredNumber(dx_->text()));
  settings_.Set(slot::kCaptureDY, StoredNumber(dy_->text()));
}

void DialogJ::ApplyQualityRule() {
  const double quality = LeadingNumber(Utf8(txt1_[3]->text()));
  if (quality > 100 || quality < 1) txt1_[3]->setText(QStringLiteral("100"));
}

int DialogJ::exec() {
  QPointer<DialogJ> alive(this);
  const bool deleteOnClose = testAttribute(Qt::WA_DeleteOnClose);
  setAttribute(Qt::WA_DeleteOnClose, false);
  setResult(Rejected);

  if (execLoop_) return -1;  // already running
  QEventLoop loop;
  connect(this, &QObject::destroyed, &loop, &QEventLoop::quit);
  execLoop_ = &loop;
  show();
  if (isVisible()) loop.exec(QEventLoop::DialogExec);
  if (!alive) return Rejected;
  execLoop_ = nullptr;

  const int code = result();
  if (deleteOnClose) delete this;
  return code;
}

void DialogJ::setVisible(bool visible) {
  if (visible && !isVisible() && !picking_) Load();
  QDialog::setVisible(visible);
  // Any hide but the pick's ends the modal run, as closing does.
  if (!visible && !picking_ && execLoop_) execLoop_->quit();
}

void DialogJ::ShowMainWindow(bool visible) {
  if (mainWindowShower_) {
    mainWindowShower_(visible);
  } else if (QWidget* owner = parentWidget()) {
    owner->window()->setVisible(visible);
  }
}

void DialogJ::PickCentrePosition() {
  if (picking_) return;
  // Where the platform keeps the pointer to itself (Wayland), say so rather than make the user
  // wait for a wrong point.
  if (!cursorReader_()) {
    platform::ShowMessage(dialogj_text::kPointerUnknown, platform::kProgramName,
                          platform::MsgIcon::Exclamation, platform::MsgButtons::Ok);
    return;
  }
  QPointer<DialogJ> alive(this);
  picking_ = true;

  hide();
  platform::ProcessPendingEvents();
  platform::ShowMessage(QStringLiteral("中心位置にマウスを移動して下さい") +
                            QStringLiteral("\r\n") + QStringLiteral("３秒後に位置を取得します"),
                        platform::kProgramName, platform::MsgIcon::None, platform::MsgButtons::Ok);
  if (!alive) return;
  ShowMainWindow(false);
  hide();

  // Starting from the nearest whole second makes the wait 2.5 to 3.5 seconds.
  const double start = RoundHalfEven(clock_());
  const double remaining = start + kPickDelaySeconds - clock_();
  if (remaining > 0) platform::Modal().WaitWithEvents(remaining);
  if (!alive) return;

  const std::optional<QPoint> pointer = cursorReader_();
  if (pointer) {
    lastCursor_ = *pointer;
    cx_->setText(QString::number(lastCursor_.x()));
    cy_->setText(QString::number(lastCursor_.y()));
  }

  ShowMainWindow(true);
  show();
  raise();
  activateWindow();
  picking_ = false;
  if (!pointer)
    platform::ShowMessage(dialogj_text::kPointerUnknown, platform::kProgramName,
                          platform::MsgIcon::Exclamation, platform::MsgButtons::Ok);
}

}  // namespace velmor
