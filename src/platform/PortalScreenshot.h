// The desktop portal's Screenshot interface (org.freedesktop.portal.Screenshot) over the session
// bus: the one way a Wayland desktop lets a program read the screen. The portal answers a call
// with a request object and later sends that object's Response signal with the picture's URI.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include "formats/PictureLoader.h"

namespace velmor::platform::portal {

enum class Outcome {
  Picture,   // the picture arrived
  NoPortal,  // no session bus, no portal, or no Screenshot interface
  Refused,   // the user or the desktop said no (Response code 1)
  Failed,    // the request ended otherwise, timed out, or the file was not a picture
};

struct Screenshot {
  Outcome outcome = Outcome::Failed;
  QImage picture;  // opaque, device pixels; null unless outcome is Picture
};

// Asks for a picture of the screen and waits for the answer, letting other events run but not
// user input. `interactive` lets the desktop offer its own choice (a window, a region) first.
// `target` (0: the portal's default) names what to take on a portal of version 3 or later:
// 1 the screen, 2 a window the user picks, 4 an area, 8 the active window.
Screenshot TakeScreenshot(bool interactive, int timeoutMs, uint target = 0);

constexpr uint kTargetActiveWindow = 8;

// The targets (bits as above) the portal takes without asking; 0 from a portal older than
// version 3, or none.
uint AvailableTargets(int timeoutMs);

// --- the pieces, for tests ---

// The object path of the request the portal makes for `uniqueName` (the caller's bus name,
// ":1.42") and `token`: /org/freedesktop/portal/desktop/request/1_42/TOKEN.
QString RequestPath(const QString& uniqueName, const QString& token);

// What a Response says: the outcome, and the URI for a picture.
struct Response {
  Outcome outcome = Outcome::Failed;
  QString uri;
};
Response ReadResponse(uint code, const QVariantMap& results);

// The folders whose files are the portal's own leftovers: the system's temporary folders.
QStringList TemporaryFolders();

// Reads the picture a file:// URI names (null for another scheme, a missing file, or one that
// is not a picture within `limits`) and removes the file when it lies in one of `temporary`.
QImage TakePictureFile(const QString& uri, const QStringList& temporary,
                       const PictureLimits& limits = {});

}  // namespace velmor::platform::portal
