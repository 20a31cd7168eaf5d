#include "app/AboutMessage.h"

#include "platform/Modal.h"

namespace velmor {

QString AboutMessageText() {
  // The revision follows the minor number without a separator, unlike the status bar's version.
  return QStringLiteral("Application Version ") + QString::number(VELMOR_VERSION_MAJOR) +
         QStringLiteral(".") + QString::number(VELMOR_VERSION_MINOR) +
         QString::number(VELMOR_VERSION_PATCH);
}

void ShowAboutMessage() {
  // "Infomation" is the title users have always seen.
  platform::ShowMessage(AboutMessageText(), QStringLiteral("Infomation"),
                        platform::MsgIcon::Information, platform::MsgButtons::Ok);
}

}  // namespace velmor
