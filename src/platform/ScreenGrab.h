// Reading pixels of the screen through the screen source in force (platform/ScreenSource.h):
// the whole screen, a rectangle of it, and the active window with the frame its window manager
// draws, all in device pixels. Every reader gives a null picture when the screen cannot be read,
// so a caller never mistakes an empty or black picture for a capture.
#pragma once

#include <QImage>
#include <QRect>
#include <optional>

namespace velmor::platform {

// The primary screen, every device pixel of it.
QImage GrabScreen();

// A rectangle of the desktop in screen pixels, the coordinates that span every monitor. The
// part outside the desktop is cut off and what falls between monitors is black; null when
// nothing of the rectangle lies on any monitor.
QImage GrabScreenRect(const QRect& rect);

// The outer rectangle (frame included) of the X11 window that is active now, in desktop pixels.
// Empty when no other program's window is active, and always outside X11.
std::optional<QRect> ActiveWindowFrame();

// The active window with its frame, as it appears on the screen; null when there is none.
QImage GrabActiveWindow();

// Puts a picture of the active window (ActWind true) or of the whole screen (false) on the
// clipboard, then lets pending window events run once. The clipboard is left as it was when
// nothing could be read. PrintOn has no effect.
void SaveWindowPic(bool ActWind, bool PrintOn);
void Ac_GCopy();   // SaveWindowPic(true, false)
void Ful_Gcopy();  // SaveWindowPic(false, false)

}  // namespace velmor::platform
