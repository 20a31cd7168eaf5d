#include "capture/FullScreenSelector.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "core/base/NumberRules.h"
#include "platform/Clipboard.h"
#include "platform/Modal.h"
#include "view/ExactPointer.h"

namespace velmor {

namespace {
const QColor kBandColor(0, 128, 128);  // colour 3 of the classic 16-colour palette
}

// Picture1: paints the shown picture at its natural size and hands its mouse events over.
class FullScreenSelector::PictureBox : public QWidget {
 public:
  explicit PictureBox(FullScreenSelector& owner) : QWidget(&owner), owner_(owner) {
    setObjectName(QStringLiteral("Picture1"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::black);
    // One picture pixel on each device pixel, whatever the desktop's scale.
    const QImage& shown = owner_.shown_;
    const double scale = owner_.scale_;
    if (!shown.isNull())
      painter.drawImage(QRectF(0, 0, shown.width() / scale, shown.height() / scale), shown,
                        QRectF(shown.rect()));
  }
  void mousePressEvent(QMouseEvent* event) override { owner_.Picture1_MouseDown(event); }
  void mouseMoveEvent(QMouseEvent* event) override { owner_.Picture1_MouseMove(event); }
  void mouseReleaseEvent(QMouseEvent* event) override { owner_.Picture1_MouseUp(event); }

 private:
  FullScreenSelector& owner_;
};

FullScreenSelector::FullScreenSelector(CaptureHost& host)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), host_(host) {
  setObjectName(QStringLiteral("frmFullScreen"));
  setWindowTitle(QStringLiteral("Form2"));
  setCursor(Qt::CrossCursor);
  Form_Load();
}

FullScreenSelector::~FullScreenSelector() = default;

void FullScreenSelector::Form_Load() {
  Picture1_ = new PictureBox(*this);
  pointer_ = std::make_unique<ExactPointer>(*Picture1_);
  Picture1_->move(0, 0);
  Picture1_->resize(0, 0);
}

void FullScreenSelector::ShowPicture(const QImage& screenPicture) {
  captured_ = screenPicture;
  captured_.setDevicePixelRatio(1.0);
  // The band is drawn on a copy, so the picture handed over stays untouched.
  shown_ = captured_.convertToFormat(QImage::Format_RGB32);
  LastBox_ = {};
  dragging_ = false;
  boxDrawn_ = false;

  QScreen* screen = QGuiApplication::primaryScreen();
  scale_ = screen ? screen->devicePixelRatio() : 1.0;
  if (!(scale_ > 0)) scale_ = 1.0;
  Picture1_->move(0, 0);
  Picture1_->resize(static_cast<int>(std::ceil(shown_.width() / scale_)),
                    static_cast<int>(std::ceil(shown_.height() / scale_)));
  if (screen) setGeometry(screen->geometry());
  showFullScreen();
  pointer_->Attach();
  raise();
  activateWindow();
  Picture1_->setFocus(Qt::OtherFocusReason);
  Picture1_->update();
}

QPointF FullScreenSelector::PicturePoint(const QMouseEvent& event) const {
  const QPointF device = scale_ == 1.0 ? event.position() : pointer_->LocalPosition(event) * scale_;
  // Positions are source pixels (device pixels of the screen); a drag that leaves the picture
  // stops at its edge.
  return {std::clamp(device.x(), 0.0, static_cast<double>(shown_.width())),
          std::clamp(device.y(), 0.0, static_cast<double>(shown_.height()))};
}

void FullScreenSelector::DrawBoxOutline(const SelectionBox& box) {
  if (shown_.isNull()) return;
  QPainter painter(&shown_);
  painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  QPen pen(kBandColor, 1, Qt::DotLine);
  pen.setCosmetic(true);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(
      QRectF(QPointF(box.StartX, box.StartY), QPointF(box.CornerX, box.CornerY)).normalized());
  painter.end();
  Picture1_->update();
}

void FullScreenSelector::Picture1_MouseDown(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  if (boxDrawn_) DrawBoxOutline(LastBox_);
  boxDrawn_ = false;
  DragStart_ = DragCorner_ = PicturePoint(*event);
  // A click without movement selects nothing, whatever an earlier drag chose.
  LastBox_ = {static_cast<float>(DragStart_.x()), static_cast<float>(DragStart_.y()),
              static_cast<float>(DragStart_.x()), static_cast<float>(DragStart_.y())};
  dragging_ = true;
}

void FullScreenSelector::Picture1_MouseMove(QMouseEvent* event) {
  if (!dragging_ || event->buttons() != Qt::LeftButton) return;
  if (boxDrawn_) DrawBoxOutline(LastBox_);
  DragCorner_ = PicturePoint(*event);
  LastBox_ = {static_cast<float>(DragStart_.x()), static_cast<float>(DragStart_.y()),
              static_cast<float>(DragCorner_.x()), static_cast<float>(DragCorner_.y())};
  DrawBoxOutline(LastBox_);
  boxDrawn_ = true;
}

void FullScreenSelector::Picture1_MouseUp(QMouseEvent* /*event*/) {
  if (!isVisible()) return;  // already left (Esc) while the button was down
  if (boxDrawn_) DrawBoxOutline(LastBox_);
  boxDrawn_ = false;
  dragging_ = false;
  CopySelection(LastBox_);
  Form_Click();
}

void FullScreenSelector::CopySelection(const SelectionBox& box) {
  const double w = box.CornerX - box.StartX;
  const double h = box.CornerY - box.StartY;
  // Only a drag to the right and down selects a region.
  if (!(w > 0 && h > 0)) return;
  const QRect region = QRect(static_cast<int>(RoundHalfEven(box.StartX)),
                             static_cast<int>(RoundHalfEven(box.StartY)),
                             static_cast<int>(RoundHalfEven(w)), static_cast<int>(RoundHalfEven(h)))
                           .intersected(captured_.rect());
  if (region.isEmpty()) return;

  picture2_ = captured_.copy(region).convertToFormat(QImage::Format_RGB32);
  platform::clipboard::Clear();
  platform::clipboard::PutPicture(picture2_);
  QImage picture = platform::clipboard::GetPicture();
  // Another program may have taken the clipboard in between; the region is still ours.
  if (picture.isNull()) picture = picture2_;
  host_.SetCanvasPicture(picture);
  host_.Pic_int();
}

void FullScreenSelector::Form_Click() {
  captured_ = QImage();
  shown_ = QImage();
  boxDrawn_ = false;
  dragging_ = false;
  Picture1_->resize(0, 0);
  hide();
  platform::ProcessPendingEvents();
  host_.RestoreMainWindow();
}

void FullScreenSelector::mouseReleaseEvent(QMouseEvent* event) {
  // A click on the window outside Picture1.
  QWidget::mouseReleaseEvent(event);
  if (isVisible()) Form_Click();
}

void FullScreenSelector::keyPressEvent(QKeyEvent* event) {
  // Esc leaves as a click without moving does: nothing is chosen.
  if (event->key() == Qt::Key_Escape && isVisible()) {
    Form_Click();
    return;
  }
  QWidget::keyPressEvent(event);
}

void FullScreenSelector::closeEvent(QCloseEvent* event) {
  // Closed by the window manager: leave as a click would, so the main window comes back.
  event->ignore();
  if (isVisible()) Form_Click();
}

}  // namespace velmor
