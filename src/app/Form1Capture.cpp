// The captures as the main window starts them, and what they ask of the main window.
#include <QGuiApplication>

#include "app/Form1.h"
#include "capture/ScreenCapture.h"
#include "core/model/ZoomLimits.h"
#include "view/CanvasWidget.h"

namespace velmor {

void Form1::CaptureScreen() {
  Capture().CaptureScreen();
}

void Form1::Command5_Click() {
  Capture().CaptureFixedRectangle();
}

void Form1::MinimizeMainWindow() {
  // Wayland compositors may ignore a minimise (sway does), which would leave the main window
  // over the screen and active; hidden, it is out of the picture everywhere.
  if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
    hide();
    return;
  }
  showMinimized();
}

void Form1::RestoreMainWindow() {
  // Minimising keeps the maximised flag, so the window comes back the size it had.
  const Qt::WindowStates kept = windowState() & ~Qt::WindowMinimized;
  if (kept & Qt::WindowFullScreen)
    showFullScreen();
  else if (kept & Qt::WindowMaximized)
    showMaximized();
  else
    showNormal();
  raise();
  activateWindow();
}

void Form1::HideMainWindow() {
  hide();
}

void Form1::ShowMainWindow() {
  show();
}

void Form1::SetCanvasPicture(const QImage& picture) {
  // A capture that brought nothing must not take away the picture the user had.
  if (picture.isNull()) return;
  // The fixed-rectangle capture keeps the zoom, so the canvas and the zoom must agree; a zoom
  // too large for the new picture's canvas comes down to the largest that fits.
  const int width = picture.width();
  const int height = picture.height();
  if (!ZoomFits(view.ZoomPercent, width, height))
    view.ZoomPercent = static_cast<int16_t>(MaxZoomPercent(width, height));
  Picture2->SetPicture(picture);
  Picture2->SetCanvasSize(ScaledExtent(view.ZoomPercent, width),
                          ScaledExtent(view.ZoomPercent, height));
}

void Form1::SetCutPic(const QImage& picture) {
  CutPic = picture;
}

}  // namespace velmor
