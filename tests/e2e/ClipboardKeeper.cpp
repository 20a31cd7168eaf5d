// A minimal clipboard manager for the end-to-end scenarios, as desktops run one: it owns
// CLIPBOARD_MANAGER, and when a program that is ending asks it to SAVE_TARGETS it copies the
// clipboard's image/png, then owns CLIPBOARD itself and hands the copy to whoever asks.
//   clipboard_keeper SECONDS     runs that long, printing "ready" once it owns the manager role
// Small pictures only: the incremental (INCR) transfer is not spoken.
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

xcb_connection_t* c = nullptr;
xcb_window_t window = 0;

template <typename T>
std::unique_ptr<T, decltype(&std::free)> Own(T* p) {
  return {p, &std::free};
}

xcb_atom_t Atom(const char* name) {
  auto reply = Own(xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
  return reply ? reply->atom : XCB_ATOM_NONE;
}

void Notify(const xcb_selection_request_event_t& request, xcb_atom_t property) {
  xcb_selection_notify_event_t notify{};
  notify.response_type = XCB_SELECTION_NOTIFY;
  notify.time = request.time;
  notify.requestor = request.requestor;
  notify.selection = request.selection;
  notify.target = request.target;
  notify.property = property;
  xcb_send_event(c, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                 reinterpret_cast<const char*>(&notify));
  xcb_flush(c);
}

// Asks the CLIPBOARD owner for image/png and waits for the bytes (empty when none came).
std::string FetchPicture(xcb_atom_t clipboard, xcb_atom_t png, xcb_atom_t into,
                         std::vector<xcb_generic_event_t*>& deferred) {
  xcb_convert_selection(c, window, clipboard, png, into, XCB_CURRENT_TIME);
  xcb_flush(c);
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::chrono::steady_clock::now() < until) {
    xcb_generic_event_t* event = xcb_poll_for_event(c);
    if (!event) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      continue;
    }
    if ((event->response_type & 0x7f) != XCB_SELECTION_NOTIFY) {
      deferred.push_back(event);
      continue;
    }
    const auto* notify = reinterpret_cast<xcb_selection_notify_event_t*>(event);
    const bool ok = notify->property != XCB_ATOM_NONE;
    std::free(event);
    if (!ok) return {};
    auto reply = Own(xcb_get_property_reply(
        c, xcb_get_property(c, 1, window, into, XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 24), nullptr));
    if (!reply) return {};
    return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       static_cast<size_t>(xcb_get_property_value_length(reply.get())));
  }
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
  c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c)) return 1;
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  window = xcb_generate_id(c);
  const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                    XCB_WINDOW_CLASS_INPUT_ONLY, screen->root_visual, XCB_CW_EVENT_MASK, &mask);
  const xcb_atom_t manager = Atom("CLIPBOARD_MANAGER");
  const xcb_atom_t saveTargets = Atom("SAVE_TARGETS");
  const xcb_atom_t clipboard = Atom("CLIPBOARD");
  const xcb_atom_t targets = Atom("TARGETS");
  const xcb_atom_t png = Atom("image/png");
  const xcb_atom_t kept = Atom("KEEPER_DATA");
  xcb_set_selection_owner(c, window, manager, XCB_CURRENT_TIME);
  xcb_flush(c);
  std::printf("ready\n");
  std::fflush(stdout);

  std::string picture;
  std::vector<xcb_generic_event_t*> deferred;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < end) {
    xcb_generic_event_t* event = nullptr;
    if (!deferred.empty()) {
      event = deferred.front();
      deferred.erase(deferred.begin());
    } else {
      event = xcb_poll_for_event(c);
    }
    if (!event) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }
    if ((event->response_type & 0x7f) == XCB_SELECTION_REQUEST) {
      const auto request = *reinterpret_cast<xcb_selection_request_event_t*>(event);
      const xcb_atom_t property =
          request.property != XCB_ATOM_NONE ? request.property : request.target;
      if (request.selection == manager && request.target == saveTargets) {
        picture = FetchPicture(clipboard, png, kept, deferred);
        std::printf("saved %zu bytes\n", picture.size());
        std::fflush(stdout);
        Notify(request, picture.empty() ? XCB_ATOM_NONE : property);
        if (!picture.empty()) xcb_set_selection_owner(c, window, clipboard, XCB_CURRENT_TIME);
        xcb_flush(c);
      } else if (request.selection == clipboard && request.target == targets) {
        const xcb_atom_t offered[] = {targets, png};
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_ATOM,
                            32, 2, offered);
        Notify(request, property);
      } else if (request.selection == clipboard && request.target == png && !picture.empty()) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, property, png, 8,
                            static_cast<uint32_t>(picture.size()), picture.data());
        Notify(request, property);
      } else {
        Notify(request, XCB_ATOM_NONE);
      }
    }
    std::free(event);
  }
  xcb_disconnect(c);
  return 0;
}
