#include "platform/ScreenGrab.h"

#include "platform/Clipboard.h"
#include "platform/Modal.h"
#include "platform/ScreenSource.h"
#include "platform/X11ScreenSource.h"

namespace velmor::platform {

QImage GrabScreen() {
  return Screen().GrabScreen();
}

QImage GrabScreenRect(const QRect& rect) {
  return Screen().GrabScreenRect(rect);
}

std::optional<QRect> ActiveWindowFrame() {
  return X11ActiveWindowFrame();
}

QImage GrabActiveWindow() {
  return Screen().GrabActiveWindow();
}

void SaveWindowPic(bool ActWind, bool /*PrintOn*/) {
  const QImage picture = ActWind ? GrabActiveWindow() : GrabScreen();
  if (!picture.isNull()) clipboard::PutPicture(picture);
  ProcessPendingEvents();
}

void Ac_GCopy() {
  SaveWindowPic(true, false);
}
void Ful_Gcopy() {
  SaveWindowPic(false, false);
}

}  // namespace velmor::platform
