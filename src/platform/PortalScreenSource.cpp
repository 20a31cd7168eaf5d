#include "platform/PortalScreenSource.h"

#include <QCoreApplication>

#include "platform/PortalScreenshot.h"
#include "platform/SwayIpc.h"

namespace velmor::platform {

namespace {
// The portal answers a non-interactive call in well under a second; an interactive one waits
// for the user.
constexpr int kPlainTimeoutMs = 10000;
constexpr int kInteractiveTimeoutMs = 120000;
constexpr int kSwayTimeoutMs = 2000;
}  // namespace

bool DesktopOffersWindowPick(const QString& currentDesktop) {
  for (const QString& name : currentDesktop.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
    const QString upper = name.trimmed().toUpper();
    // KDE's interactive dialog offers only "the active window", which is then the dialog.
    if (upper == QLatin1String("GNOME")) return true;
  }
  return false;
}

QImage PortalScreenSource::GrabScreen() {
  return portal::TakeScreenshot(false, kPlainTimeoutMs).picture;
}

QImage PortalScreenSource::GrabScreenRect(const QRect& rect) {
  const QImage desktop = GrabScreen();
  const QRect part = rect.intersected(desktop.rect());
  if (part.isEmpty()) return {};
  return desktop.copy(part);
}

QImage PortalScreenSource::GrabActiveWindow() {
  if (sway::Available()) {
    // Asked before the picture, so that the window is the one the user left the focus on.
    const std::optional<QByteArray> tree = sway::GetTree(kSwayTimeoutMs);
    if (!tree) return {};
    const std::optional<sway::FocusedWindow> focused =
        sway::FocusedWindowIn(*tree, QCoreApplication::applicationPid());
    if (!focused) return {};
    const QImage desktop = GrabScreen();
    const std::optional<QRect> window = sway::WindowInPicture(*focused, desktop.size());
    return window ? desktop.copy(*window) : QImage();
  }
  // A newer portal takes the active window itself, without asking.
  if (portal::AvailableTargets(kSwayTimeoutMs) & portal::kTargetActiveWindow)
    return portal::TakeScreenshot(false, kPlainTimeoutMs, portal::kTargetActiveWindow).picture;
  if (DesktopOffersWindowPick(qEnvironmentVariable("XDG_CURRENT_DESKTOP")))
    return portal::TakeScreenshot(true, kInteractiveTimeoutMs).picture;
  return {};
}

}  // namespace velmor::platform
