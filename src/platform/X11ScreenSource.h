// The screen as an X11 server (or Qt's offscreen platform) shows it, read through Qt's screens;
// the active window found through the window manager's hints.
#pragma once

#include "platform/ScreenSource.h"

namespace velmor::platform {

class X11ScreenSource : public ScreenSource {
 public:
  QString Name() const override { return QStringLiteral("x11"); }
  QImage GrabScreen() override;
  QImage GrabScreenRect(const QRect& rect) override;
  QImage GrabActiveWindow() override;
  std::optional<QPoint> PointerPosition() override;
};

// The outer rectangle (frame included) of the X11 window that is active now, in desktop
// pixels. Empty when no other program's window is active, and always outside X11.
std::optional<QRect> X11ActiveWindowFrame();

}  // namespace velmor::platform
