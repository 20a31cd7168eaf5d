#include "capture/ScreenCapture.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <optional>

#include "capture/FullScreenSelector.h"
#include "core/base/NumberRules.h"
#include "core/settings/Settings.h"
#include "platform/Clipboard.h"
#include "platform/Modal.h"
#include "platform/ScreenGrab.h"
#include "platform/ScreenSource.h"

namespace velmor {

namespace {

// Lets the minimise finish and the grabbed picture settle.
constexpr double kSettleSeconds = 0.3;
// Lets the windows below the hidden main window repaint.
constexpr double kRepaintSeconds = 1.0;

// Nested runs are refused: the waits let window events in while a capture is on its way.
class BusyGuard {
 public:
  explicit BusyGuard(bool& busy) : busy_(busy), owner_(!busy) { busy_ = true; }
  ~BusyGuard() {
    if (owner_) busy_ = false;
  }
  bool Owner() const { return owner_; }

 private:
  bool& busy_;
  bool owner_;
};

// The fixed rectangle in screen pixels; nullopt when the settings cannot give one.
std::optional<QRect> FixedRectangle(const Settings& settings) {
  const double cx = settings.Number(slot::kCaptureCX);
  const double cy = settings.Number(slot::kCaptureCY);
  const double dx = settings.Number(slot::kCaptureDX);
  const double dy = settings.Number(slot::kCaptureDY);
  const std::optional<int32_t> left = ToInt32(cx - dx / 2);
  const std::optional<int32_t> top = ToInt32(cy - dy / 2);
  const std::optional<int32_t> width = ToInt32(dx);
  const std::optional<int32_t> height = ToInt32(dy);
  if (!left || !top || !width || !height || *width <= 0 || *height <= 0) return std::nullopt;
  return QRect(*left, *top, *width, *height);
}

// The grab of `rect` at the rectangle's own size: the desktop yields nothing off the screen, so
// that part stays black. Null when the picture cannot be had at that size.
QImage AtRectangleSize(const QImage& grabbed, const QRect& rect) {
  if (grabbed.isNull() || grabbed.size() == rect.size()) return grabbed;
  QRect desktop;
  for (const QScreen* screen : QGuiApplication::screens()) desktop |= screen->geometry();
  QImage full(rect.size(), QImage::Format_RGB32);
  if (full.isNull()) return {};
  full.fill(Qt::black);
  QPainter painter(&full);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.drawImage(rect.intersected(desktop).topLeft() - rect.topLeft(), grabbed);
  return full;
}

}  // namespace

ScreenCapture::ScreenCapture(CaptureHost& host) : host_(host) {}

ScreenCapture::~ScreenCapture() = default;

void ScreenCapture::FailCapture(const QString& text, bool exclamation) {
  host_.RestoreMainWindow();
  platform::ShowMessage(text, capture_text::kTitle,
                        exclamation ? platform::MsgIcon::Exclamation : platform::MsgIcon::None,
                        platform::MsgButtons::Ok);
}

void ScreenCapture::CaptureScreen() {
  BusyGuard guard(busy_);
  if (!guard.Owner()) return;

  // An old picture on the clipboard must never pass for the new capture.
  platform::clipboard::Clear();
  host_.MinimizeMainWindow();
  platform::Modal().WaitWithEvents(kSettleSeconds);

  const bool activeWindow = host_.CaptureActiveWindow() == 1;
  if (activeWindow)
    platform::Ac_GCopy();
  else
    platform::Ful_Gcopy();
  platform::Modal().WaitWithEvents(kSettleSeconds);

  const QImage picture =
      platform::clipboard::HasBitmap() ? platform::clipboard::GetPicture() : QImage();
  if (picture.isNull()) {
    FailCapture(activeWindow ? capture_text::kActiveWindowFailed : capture_text::kScreenFailed,
                true);
    return;
  }

  if (activeWindow) {
    host_.SetCanvasPicture(picture);
    host_.Pic_int();
    host_.RestoreMainWindow();
    return;
  }
  if (!frmFullScreen_) frmFullScreen_ = std::make_unique<FullScreenSelector>(host_);
  // The main window stays minimised until the user has chosen a region or clicked.
  frmFullScreen_->ShowPicture(picture);
}

void ScreenCapture::CaptureFixedRectangle() {
  BusyGuard guard(busy_);
  if (!guard.Owner()) return;

  const std::optional<QRect> rect = FixedRectangle(host_.CurrentSettings());
  host_.HideMainWindow();
  platform::Modal().WaitWithEvents(kRepaintSeconds);

  const QImage grabbed =
      rect ? AtRectangleSize(platform::Screen().GrabScreenRect(*rect), *rect) : QImage();
  if (grabbed.isNull()) {
    FailCapture(capture_text::kRectangleFailed, false);
    return;
  }
  host_.SetCutPic(grabbed);
  host_.ShowMainWindow();

  platform::clipboard::Clear();
  platform::ProcessPendingEvents();
  platform::clipboard::PutPicture(grabbed);
  const QImage picture = platform::clipboard::GetPicture();
  if (picture.isNull()) {
    FailCapture(capture_text::kRectangleFailed, false);
    return;
  }
  // The figures and ZoomPercent stay; the host sizes the canvas at the kept zoom.
  host_.SetCanvasPicture(picture);
  host_.Pic_int();
  host_.RestoreMainWindow();
}

}  // namespace velmor
