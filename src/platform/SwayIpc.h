// sway's IPC socket ($SWAYSOCK, the i3 protocol), asked for the layout tree: the one place on
// sway that says which window has the focus and where it lies. The portal's picture does not.
#pragma once

#include <QByteArray>
#include <QRect>
#include <optional>

namespace velmor::platform::sway {

struct FocusedWindow {
  QRect desktop;  // the whole layout (the root node), in layout units
  QRect window;   // the focused window with its border and title bar, in layout units
};

// Reads a get_tree answer: the focused window, unless the focus is on a workspace or an output
// (no window has it), or on a window of the process `ownPid`.
std::optional<FocusedWindow> FocusedWindowIn(const QByteArray& treeJson, qint64 ownPid);

// Whether this session is sway's (its socket is named).
bool Available();

// get_tree's answer; nullopt when the socket does not answer in `timeoutMs`.
std::optional<QByteArray> GetTree(int timeoutMs);

// The focused window's rectangle in pixels of a `pictureSize` picture of the whole layout (the
// portal's picture holds device pixels, the tree counts layout units).
std::optional<QRect> WindowInPicture(const FocusedWindow& focused, const QSize& pictureSize);

}  // namespace velmor::platform::sway
