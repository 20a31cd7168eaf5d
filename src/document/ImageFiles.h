// Opening an image file into the canvas and saving the canvas as a JPEG file, through the common
// dialog's properties as the window keeps them.
#pragma once

#include <QString>
#include <cstdint>

#include "core/settings/Settings.h"
#include "document/DocumentHost.h"
#include "platform/Modal.h"

namespace velmor {
class CanvasWidget;
}

namespace velmor::document {

// Asks for a file and shows it. ImageFolder/ImageFileName get the chosen folder (with its slash)
// and name; a name without an extension is only remembered. A file that cannot be shown is
// reported and changes nothing else.
void OpenImage(platform::CommonDialog& dialog, QString& imageFolder, QString& imageFileName,
               DocumentHost& host);

// Asks for a path and writes the canvas's surface there at the settings' JPEG quality. ImageFolder
// gets the path as written (the writer may change its extension); a failure is reported.
void SaveImage(platform::CommonDialog& dialog, QString& imageFolder, const CanvasWidget& canvas,
               const Settings& settings, DocumentHost& host);

}  // namespace velmor::document
