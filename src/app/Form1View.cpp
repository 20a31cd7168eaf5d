// The viewport, the canvas inside it, the display scale and the scroll bars, wired to the
// window; the rules live in view/Viewport.
#include <QScrollBar>
#include <QStatusBar>
#include <QWheelEvent>

#include "app/Form1.h"
#include "core/model/ControlIndexes.h"
#include "core/model/ZoomRules.h"
#include "view/CanvasWidget.h"
#include "view/Viewport.h"

namespace velmor {

namespace {
viewport::Viewport PartsOf(const Form1& form) {
  return {form.centralWidget(), form.Picture1, form.Picture2,
          form.HScroll1,        form.VScroll1, form.Stb1};
}
}  // namespace

void Form1::ScrollByWheel(const QWheelEvent& wheel) {
  // angleDelta is in eighths of a degree; one notch is 120.
  viewport::ScrollByWheel(PartsOf(*this), wheel.angleDelta(),
                          wheel.modifiers() & Qt::ShiftModifier);
}

void Form1::Pic_int() {
  viewport::MeasurePicture(view, *Picture2);
  SetStatus(status::kImageSize,
            QStringLiteral("%1 × %2").arg(view.ImageWidth).arg(view.ImageHeight));
  viewport::ResetViewport(PartsOf(*this));
  RefreshView();
}

void Form1::LayoutViewport() {
  if (viewport::LayoutViewport(PartsOf(*this), isMinimized())) RefreshView();
}

Form1::RefreshBracket::RefreshBracket(Form1& form) : form_(form) {
  ++form_.refreshDepth_;
}
Form1::RefreshBracket::~RefreshBracket() {
  --form_.refreshDepth_;
}

void Form1::RefreshView() {
  if (!Picture2->HasPicture()) return;
  // Fitting the bars may move them; the picture and the figures are painted once, after.
  const RefreshBracket refresh(*this);
  viewport::FitBars(PartsOf(*this));
  RedrawFigures();
}

// A bar moved inside a refresh or a frame zoom only moves the canvas: that one repaints and
// draws the figures itself, and drawing them twice would darken the highlighters twice.
void Form1::HScroll1_Change() {
  viewport::FollowHorizontalBar(PartsOf(*this));
  if (refreshDepth_ == 0) RefreshView();
}

void Form1::VScroll1_Change() {
  viewport::FollowVerticalBar(PartsOf(*this));
  if (refreshDepth_ == 0) RefreshView();
}

void Form1::ApplyScrollPosition() {
  viewport::ApplyScrollPosition(view, PartsOf(*this));
}

void Form1::ZoomIn() {
  if (viewport::ZoomIn(view, panel, *Picture2)) RefreshView();
}

void Form1::ZoomOut() {
  if (viewport::ZoomOut(view, panel, *Picture2)) RefreshView();
}

void Form1::ZoomActualSize() {
  ShowAtZoom(100);
}

void Form1::ShowAtZoom(int zoom) {
  viewport::ShowAtZoom(view, *Picture2, zoom);
  RefreshView();
}

void Form1::NormalizeFrame() {
  velmor::NormalizeFrame(drag, view);
}

void Form1::ZoomToFrame() {
  const RefreshBracket refresh(*this);
  if (viewport::ZoomToFrame(view, drag, panel, PartsOf(*this))) RedrawFigures();
}

}  // namespace velmor
