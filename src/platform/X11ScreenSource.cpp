#include "platform/X11ScreenSource.h"

#include <xcb/xcb.h>

#include <QCursor>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QWindow>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace velmor::platform {

namespace {

QScreen* ReadableScreen() {
  // Wayland compositors do not hand the screen to programs; a grab there is empty or black.
  if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) return nullptr;
  return QGuiApplication::primaryScreen();
}

// Qt keeps a scaled screen's corner where it is and divides only its size, so the corner is
// already in device pixels.
QRect DeviceGeometry(const QScreen& screen, const QSize& deviceSize) {
  return QRect(screen.geometry().topLeft(), deviceSize);
}

QSize DeviceSize(const QScreen& screen) {
  const QSizeF size = QSizeF(screen.geometry().size()) * screen.devicePixelRatio();
  return QSize(qRound(size.width()), qRound(size.height()));
}

QImage Opaque(const QPixmap& pixmap) {
  if (pixmap.isNull()) return {};
  QImage picture = pixmap.toImage().convertToFormat(QImage::Format_RGB32);
  picture.setDevicePixelRatio(1.0);
  return picture;
}

// --- X11: which window is active ---------------------------------------------------------

template <typename T>
using XcbReply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
XcbReply<T> Own(T* reply) {
  return XcbReply<T>(reply, &std::free);
}

xcb_connection_t* X11Connection() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  auto reply = Own(xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 1, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
  return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

xcb_window_t NetActiveWindow(xcb_connection_t* c, xcb_window_t root) {
  const xcb_atom_t atom = Atom(c, "_NET_ACTIVE_WINDOW");
  if (atom == XCB_ATOM_NONE) return XCB_WINDOW_NONE;
  auto reply = Own(xcb_get_property_reply(
      c, xcb_get_property(c, 0, root, atom, XCB_ATOM_WINDOW, 0, 1), nullptr));
  if (!reply || reply->type != XCB_ATOM_WINDOW || reply->format != 32 ||
      xcb_get_property_value_length(reply.get()) < 4)
    return XCB_WINDOW_NONE;
  return *static_cast<xcb_window_t*>(xcb_get_property_value(reply.get()));
}

xcb_window_t InputFocus(xcb_connection_t* c) {
  auto reply = Own(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
  if (!reply || reply->focus == XCB_INPUT_FOCUS_POINTER_ROOT) return XCB_WINDOW_NONE;
  return reply->focus;
}

// The ancestor of `window` that is a child of the root: the frame the window manager drew
// around it, or the window itself when it has none.
xcb_window_t TopLevelOf(xcb_connection_t* c, xcb_window_t window, xcb_window_t root) {
  for (int depth = 0; window != XCB_WINDOW_NONE && depth < 64; ++depth) {
    auto tree = Own(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
    if (!tree) return XCB_WINDOW_NONE;
    if (tree->parent == root) return window;
    window = tree->parent;
  }
  return XCB_WINDOW_NONE;
}

bool IsViewable(xcb_connection_t* c, xcb_window_t window) {
  auto attributes =
      Own(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
  return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
}

bool IsOwnWindow(xcb_connection_t* c, xcb_window_t frame, xcb_window_t root) {
  for (const QWindow* w : QGuiApplication::topLevelWindows()) {
    if (!w->handle()) continue;
    if (TopLevelOf(c, static_cast<xcb_window_t>(w->winId()), root) == frame) return true;
  }
  return false;
}

std::optional<QRect> FrameRect(xcb_connection_t* c, xcb_window_t frame) {
  auto geometry = Own(xcb_get_geometry_reply(c, xcb_get_geometry(c, frame), nullptr));
  if (!geometry) return std::nullopt;
  const int border = geometry->border_width;
  return QRect(geometry->x, geometry->y, geometry->width + 2 * border,
               geometry->height + 2 * border);
}

}  // namespace

QImage X11ScreenSource::GrabScreen() {
  QScreen* screen = ReadableScreen();
  if (!screen) return {};
  return Opaque(screen->grabWindow(0));
}

QImage X11ScreenSource::GrabScreenRect(const QRect& rect) {
  if (!ReadableScreen()) return {};
  const QList<QScreen*> screens = QGuiApplication::screens();
  QRect desktop;
  for (const QScreen* screen : screens) desktop |= DeviceGeometry(*screen, DeviceSize(*screen));
  const QRect wanted = rect.intersected(desktop);
  if (wanted.isEmpty()) return {};

  // Each screen is read whole, in device pixels, and cut here: a rectangle handed to Qt would be
  // in scaled units and could not name every device pixel. What lies between monitors of
  // different sizes shows on none of them and stays black.
  QImage picture(wanted.size(), QImage::Format_RGB32);
  picture.fill(Qt::black);
  bool onAnyScreen = false;
  {
    QPainter painter(&picture);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (QScreen* screen : screens) {
      if (wanted.intersected(DeviceGeometry(*screen, DeviceSize(*screen))).isEmpty()) continue;
      const QImage whole = Opaque(screen->grabWindow(0));
      if (whole.isNull()) return {};
      const QRect device = DeviceGeometry(*screen, whole.size());
      const QRect part = wanted.intersected(device);
      if (part.isEmpty()) continue;
      painter.drawImage(part.topLeft() - wanted.topLeft(), whole,
                        part.translated(-device.topLeft()));
      onAnyScreen = true;
    }
  }
  return onAnyScreen ? picture : QImage();
}

std::optional<QRect> X11ActiveWindowFrame() {
  xcb_connection_t* c = X11Connection();
  if (!c || xcb_connection_has_error(c)) return std::nullopt;
  const xcb_screen_t* xscreen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  if (!xscreen) return std::nullopt;
  const xcb_window_t root = xscreen->root;

  xcb_window_t active = NetActiveWindow(c, root);
  if (active == XCB_WINDOW_NONE || active == root) active = InputFocus(c);
  if (active == XCB_WINDOW_NONE || active == root) return std::nullopt;

  const xcb_window_t frame = TopLevelOf(c, active, root);
  if (frame == XCB_WINDOW_NONE || !IsViewable(c, frame) || IsOwnWindow(c, frame, root))
    return std::nullopt;
  return FrameRect(c, frame);
}

QImage X11ScreenSource::GrabActiveWindow() {
  if (!ReadableScreen()) return {};
  const std::optional<QRect> frame = X11ActiveWindowFrame();
  if (!frame) return {};
  return GrabScreenRect(*frame);
}

std::optional<QPoint> X11ScreenSource::PointerPosition() {
  // The server counts device pixels whatever Qt scales.
  if (xcb_connection_t* c = X11Connection(); c && !xcb_connection_has_error(c)) {
    const xcb_screen_t* xscreen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (!xscreen) return std::nullopt;
    auto reply = Own(xcb_query_pointer_reply(c, xcb_query_pointer(c, xscreen->root), nullptr));
    if (!reply) return std::nullopt;
    return QPoint(reply->root_x, reply->root_y);
  }
  const QPoint logical = QCursor::pos();
  const QScreen* screen = QGuiApplication::screenAt(logical);
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return std::nullopt;
  const QPoint corner = screen->geometry().topLeft();
  const QPointF device = QPointF(logical - corner) * screen->devicePixelRatio();
  return corner + device.toPoint();
}

}  // namespace velmor::platform
