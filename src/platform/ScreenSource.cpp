#include "platform/ScreenSource.h"

#include <QGuiApplication>

#include "platform/PortalScreenSource.h"
#include "platform/X11ScreenSource.h"

namespace velmor::platform {

namespace {
ScreenSource* installed = nullptr;
}

std::unique_ptr<ScreenSource> MakeScreenSource(const QString& platformName) {
  if (platformName.startsWith(QLatin1String("wayland")))
    return std::make_unique<PortalScreenSource>();
  return std::make_unique<X11ScreenSource>();
}

ScreenSource& Screen() {
  if (installed) return *installed;
  // The platform plug-in is chosen once, when the application object is made.
  static const std::unique_ptr<ScreenSource> own =
      MakeScreenSource(QGuiApplication::platformName());
  return *own;
}

void SetScreenSource(ScreenSource* source) {
  installed = source;
}

}  // namespace velmor::platform
