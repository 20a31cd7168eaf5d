#include "platform/WindowSystem.h"

#include <QtGlobal>

namespace velmor::platform {

QByteArray WindowSystemFor(const QByteArray& qpaPlatform, const QByteArray& sessionType,
                           const QByteArray& waylandDisplay) {
  if (!qpaPlatform.isEmpty()) return {};
  if (sessionType == "wayland" || !waylandDisplay.isEmpty())
    return QByteArrayLiteral("wayland;xcb");
  return {};
}

void ChooseWindowSystem() {
  const QByteArray choice = WindowSystemFor(qgetenv("QT_QPA_PLATFORM"), qgetenv("XDG_SESSION_TYPE"),
                                            qgetenv("WAYLAND_DISPLAY"));
  if (!choice.isEmpty()) qputenv("QT_QPA_PLATFORM", choice);
}

}  // namespace velmor::platform
