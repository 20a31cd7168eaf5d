// The Help menu's About message.
#pragma once

#include <QString>

namespace velmor {

// "Application Version " + major + "." + minor + revision: 1.0.3 reads "Application Version 1.03".
QString AboutMessageText();

// Shows AboutMessageText() with the information icon and the title "Infomation".
void ShowAboutMessage();

}  // namespace velmor
