// Which window system Qt talks to. On a Wayland session Velmor is a Wayland client (an X11
// client there sees no other program's pixels); elsewhere, and where Qt's Wayland plug-in is
// missing, it is an X11 client. The desktop's scale factor is left to Qt: the interface follows
// it, and the screen sources and the canvas keep pictures in device pixels.
#pragma once

#include <QByteArray>

namespace velmor::platform {

// The QT_QPA_PLATFORM value for a session, from its environment; empty leaves Qt's own choice
// (or the one the user set) alone.
QByteArray WindowSystemFor(const QByteArray& qpaPlatform, const QByteArray& sessionType,
                           const QByteArray& waylandDisplay);

// Applies WindowSystemFor to this process. Call before the application object is made.
void ChooseWindowSystem();

}  // namespace velmor::platform
