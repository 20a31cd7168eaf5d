// The screen of a Wayland session, through the desktop portal: a picture of the whole desktop
// for the whole screen and the fixed rectangle; for the active window, sway's layout tree cut
// from that picture on sway, the portal's own active-window target where it has one (version
// 3), else the desktop's window pick where it offers one (GNOME).
#pragma once

#include "platform/ScreenSource.h"

namespace velmor::platform {

class PortalScreenSource : public ScreenSource {
 public:
  QString Name() const override { return QStringLiteral("portal"); }
  QImage GrabScreen() override;
  QImage GrabScreenRect(const QRect& rect) override;
  QImage GrabActiveWindow() override;
  // Wayland tells a program where the pointer is only over its own windows.
  std::optional<QPoint> PointerPosition() override { return std::nullopt; }
};

// Whether the desktop named in XDG_CURRENT_DESKTOP (colon-separated) lets the user pick a
// window in the portal's interactive screenshot: GNOME's does; KDE's offers only its own dialog
// as the active window, and wlroots' ignores the option.
bool DesktopOffersWindowPick(const QString& currentDesktop);

}  // namespace velmor::platform
