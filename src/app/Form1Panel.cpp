// The tool panel: tool picking, the range rules of the zoom step and pen width, the colour
// swatches, the font and the arrow toggle.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <algorithm>

#include "app/ColorSwatch.h"
#include "app/Form1.h"
#include "app/ToolTables.h"
#include "core/base/NumberRules.h"
#include "core/model/ControlIndexes.h"

namespace velmor {

namespace {
// The leading number of a box's text as a 16-bit integer; nullopt when it does not fit.
std::optional<int16_t> LeadingInt16(const QLineEdit* box) {
  return ToInt16(LeadingNumber(box->text().toStdString()));
}

void SetSliderQuietly(QSlider* slider, int value) {
  const QSignalBlocker block(slider);
  slider->setValue(value);
}
}  // namespace

void Form1::Opb_Click(int index) {
  panel.FrameDragMode = framedrag::kNone;
  panel.ToolMode = static_cast<int16_t>(index);
  drag.Picks[0][0] = 0;
  drag.Picks[1][1] = 0;
  if (auto it = Opb.find(index); it != Opb.end() && !it->second->isChecked())
    it->second->setChecked(true);
  if (const ToolInfo* tool = FindTool(index)) SetStatus(status::kPrompt, tool->hint);
}

void Form1::Text1_Change() {
  const auto step = LeadingInt16(Text1);
  panel.ZoomStep = step.value_or(0);
  if (!step || panel.ZoomStep < 1 || panel.ZoomStep > 100) {
    panel.ZoomStep = 1;
    if (Text1->text() != QLatin1String("1")) Text1->setText(QStringLiteral("1"));
  }
  SetSliderQuietly(Slider1, static_cast<int>(RoundHalfEven(panel.ZoomStep / 10.0)));
}

void Form1::Slider1_UserMoved() {
  Text1->setText(QString::number(Slider1->value() * 10));
  panel.ZoomStep = LeadingInt16(Text1).value_or(1);
  settings.Set(slot::kZoomStep, panel.ZoomStep);
}

void Form1::Text4_Change() {
  const auto width = LeadingInt16(Text4);
  panel.PenWidth = width.value_or(0);
  if (!width || panel.PenWidth < 1 || panel.PenWidth > 10) {
    panel.PenWidth = 1;
    if (Text4->text() != QLatin1String("1")) Text4->setText(QStringLiteral("1"));
  }
  SetSliderQuietly(Slider2, panel.PenWidth);
  Combo1->setEnabled(panel.PenWidth == 1);
}

void Form1::Slider2_UserMoved() {
  Text4->setText(QString::number(Slider2->value()));
  panel.PenWidth = LeadingInt16(Text4).value_or(1);
  Combo1->setEnabled(panel.PenWidth == 1);
}

namespace {
void PickColour(platform::CommonDialog& dialog, ColorSwatch* swatch, Settings& settings,
                int slotNumber) {
  dialog.Flags = 1;
  dialog.Color = swatch->BackColor();
  if (!dialog.ShowColor()) return;
  swatch->SetBackColor(dialog.Color);
  settings.Set(slotNumber, static_cast<int32_t>(swatch->BackColor()));
}
}  // namespace

void Form1::Text2_Click() {
  PickColour(CMDialog1, Text2, settings, slot::kFrontColor);
}
void Form1::Text5_Click() {
  PickColour(CMDialog1, Text5, settings, slot::kBackColor);
}

void Form1::Command1_Click() {
  CMDialog1.Flags = 3;
  CMDialog1.FontSize = static_cast<float>(settings.Number(slot::kFontSize));
  CMDialog1.FontName = QString::fromStdString(settings.Text(slot::kFontName));
  CMDialog1.FontBold = settings.Flag(slot::kFontBold);
  CMDialog1.FontItalic = settings.Flag(slot::kFontItalic);
  CMDialog1.ShowFont();  // a cancel hands back what it was given
  settings.Set(slot::kFontSize, CMDialog1.FontSize);
  settings.Set(slot::kFontName, CMDialog1.FontName.toStdString());
  settings.Set(slot::kFontBold, CMDialog1.FontBold);
  settings.Set(slot::kFontItalic, CMDialog1.FontItalic);
}

void Form1::Command2_Click() {
  if (Command2->text() == QStringLiteral("→")) {
    Command2->setText(QStringLiteral("―"));
    panel.ArrowOn = 0;
  } else {
    Command2->setText(QStringLiteral("→"));
    panel.ArrowOn = 1;
  }
}

// A list without a selection draws as solid lines and unfilled shapes.
int Form1::LineStyleIndex() const {
  return std::max(Combo1->currentIndex(), 0);
}
int Form1::FillStyleIndex() const {
  return Combo3->currentIndex() < 0 ? 1 : Combo3->currentIndex();
}
QString Form1::EllipseRatioText() const {
  return Combo2->currentText();
}
uint32_t Form1::FrontColor() const {
  return Text2->BackColor();
}
uint32_t Form1::BackColor() const {
  return Text5->BackColor();
}

}  // namespace velmor
