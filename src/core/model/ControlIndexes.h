// The numbers by which the main window's controls are known: they are part of the controls'
// names (Toolbar1_7, Stb1_3) and of what tests and the settings rely on, so they never change.
#pragma once

namespace velmor {

// Toolbar1's buttons, 1 to 19; 1, 3, 5, 10, 14 and 17 are separators.
namespace toolbar {
enum Button : int {
  kOpen = 2,
  kSave = 4,
  kZoomFrame = 6,
  kZoomIn = 7,
  kZoomOut = 8,
  kZoomActual = 9,
  kCut = 11,
  kCopy = 12,
  kPaste = 13,
  kCapture = 15,
  kCaptureTarget = 16,  // whole screen or active window
  kSettings = 18,
  kCopyWithFigures = 19,
};
}

// Items of the File menu (FileK) and the Help menu (HelpK).
namespace filemenu {
enum Item : int { kOpen = 0, kSave = 1, kSeparator = 2, kExit = 3, kCopyWithFigures = 4 };
}
namespace helpmenu {
enum Item : int { kAbout = 0 };
}

// The panels of the status bar Stb1.
namespace status {
enum Panel : int { kPrompt = 1, kImageSize = 2, kFigureCount = 3, kVersion = 5, kPosition = 6 };
}

}  // namespace velmor
