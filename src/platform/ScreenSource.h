// Where the screen's pixels come from. X11 lets a program read the screen itself; a Wayland
// session hands it out only through the desktop portal; tests may have no screen at all. The
// captures ask the source in force and never care which one it is.
//
// Every picture is in device pixels (one picture pixel per physical pixel of the screen, at any
// scale factor of the desktop), and every rectangle and point is in the desktop's device
// pixels, the coordinates that span every monitor. A reader gives a null picture when it cannot
// read the screen, so that a caller never mistakes an empty or black picture for a capture.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <memory>
#include <optional>

namespace velmor::platform {

class ScreenSource {
 public:
  virtual ~ScreenSource() = default;

  // "x11", "portal", "null": for messages and tests.
  virtual QString Name() const = 0;
  // The primary screen (the whole desktop where the platform gives only that).
  virtual QImage GrabScreen() = 0;
  // A rectangle of the desktop; the part outside the desktop is cut off. Null when nothing of
  // the rectangle lies on the desktop.
  virtual QImage GrabScreenRect(const QRect& rect) = 0;
  // The window that is active now (not one of the program's own), with the frame the desktop
  // draws around it.
  virtual QImage GrabActiveWindow() = 0;
  // Where the pointer is on the desktop; nullopt where the platform does not tell a program.
  virtual std::optional<QPoint> PointerPosition() = 0;
};

// A source without a screen: every grab is null and the pointer unknown.
class NullScreenSource : public ScreenSource {
 public:
  QString Name() const override { return QStringLiteral("null"); }
  QImage GrabScreen() override { return {}; }
  QImage GrabScreenRect(const QRect&) override { return {}; }
  QImage GrabActiveWindow() override { return {}; }
  std::optional<QPoint> PointerPosition() override { return std::nullopt; }
};

// The source for a Qt platform plug-in name: "wayland..." the portal, anything else (xcb,
// offscreen) the X11 one, which reads through Qt's screens.
std::unique_ptr<ScreenSource> MakeScreenSource(const QString& platformName);

// The source in force: the installed one, else the one for the running platform (made on
// first use).
ScreenSource& Screen();
// Installs a source (nullptr goes back to the platform's own). The caller keeps ownership.
void SetScreenSource(ScreenSource* source);

}  // namespace velmor::platform
