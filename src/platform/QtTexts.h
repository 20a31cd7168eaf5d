// Qt's own texts (the buttons of message boxes, the file, colour and font dialogs) in Japanese,
// whatever the desktop's language: Velmor's interface is Japanese throughout.
#pragma once

namespace velmor::platform {

// Loads Qt's Japanese translations into the running application. False when they are not
// installed; Qt's texts then stay English.
bool InstallJapaneseQtTexts();

}  // namespace velmor::platform
