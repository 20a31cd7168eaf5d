#include "platform/ScreenPixels.h"

#include <QByteArray>
#include <QtGlobal>

namespace velmor::platform {

void KeepScreenPixels() {
  qputenv("QT_ENABLE_HIGHDPI_SCALING", QByteArray("0"));
  for (const char* name : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS",
                           "QT_AUTO_SCREEN_SCALE_FACTOR", "QT_USE_PHYSICAL_DPI"})
    qunsetenv(name);
}

}  // namespace velmor::platform
