#include "ui/window_frame.h"

#include <QApplication>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <optional>
#include <thread>

#ifdef QUANTALINE_HAVE_XCB
#include <QGuiApplication>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>
#endif

namespace quantaline {

namespace {

QMargins margins_between(const QRect& outer, const QRect& inner) {
    return QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                    outer.right() - inner.right(), outer.bottom() - inner.bottom());
}

#ifdef QUANTALINE_HAVE_XCB

template <class T> using XcbReply = std::unique_ptr<T, decltype(&std::free)>;

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    const auto cookie =
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    const XcbReply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// The window's _NET_FRAME_EXTENTS: left, right, top, bottom.
std::optional<QMargins> frame_extents(xcb_connection_t* connection, xcb_window_t window,
                                      xcb_atom_t extents) {
    const auto cookie = xcb_get_property(connection, 0, window, extents, XCB_ATOM_CARDINAL, 0, 4);
    const XcbReply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(connection, cookie, nullptr), &std::free);
    if (!reply || reply->type != XCB_ATOM_CARDINAL || reply->format != 32 ||
        xcb_get_property_value_length(reply.get()) != 16) {
        return std::nullopt;
    }
    const auto* value = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    return QMargins(static_cast<int>(value[0]), static_cast<int>(value[2]),
                    static_cast<int>(value[1]), static_cast<int>(value[3]));
}

bool supported_by_window_manager(xcb_connection_t* connection, xcb_window_t root,
                                 xcb_atom_t feature) {
    const xcb_atom_t supported = atom(connection, "_NET_SUPPORTED");
    const auto cookie = xcb_get_property(connection, 0, root, supported, XCB_ATOM_ATOM, 0, 4096);
    const XcbReply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(connection, cookie, nullptr), &std::free);
    if (!reply || reply->type != XCB_ATOM_ATOM || reply->format != 32) {
        return false;
    }
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    return std::find(atoms, atoms + count, feature) != atoms + count;
}

// Asks the window manager which frame it will give the (not yet mapped) window: it writes
// the answer into the window's _NET_FRAME_EXTENTS, at once with the usual managers.
std::optional<QMargins> ask_window_manager(QWidget& window) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr) {
        return std::nullopt;
    }
    xcb_connection_t* connection = x11->connection();
    const auto id = static_cast<xcb_window_t>(window.winId());
    const XcbReply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(connection, xcb_query_tree(connection, id), nullptr), &std::free);
    const xcb_atom_t extents = atom(connection, "_NET_FRAME_EXTENTS");
    const xcb_atom_t request = atom(connection, "_NET_REQUEST_FRAME_EXTENTS");
    if (!tree || extents == XCB_ATOM_NONE || request == XCB_ATOM_NONE) {
        return std::nullopt;
    }
    if (const auto known = frame_extents(connection, id, extents)) {
        return known;
    }
    if (!supported_by_window_manager(connection, tree->root, request)) {
        return std::nullopt;
    }
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = id;
    message.type = request;
    xcb_send_event(connection, 0, tree->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection);
    // A manager that says it answers but does not delays the window by a fifth of a second.
    for (int wait = 0; wait < 40; ++wait) {
        if (const auto answer = frame_extents(connection, id, extents)) {
            return answer;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return std::nullopt;
}

#endif

} // namespace

QMargins expected_frame_margins(QWidget& window) {
    if (window.isVisible() && window.frameGeometry() != window.geometry()) {
        return margins_between(window.frameGeometry(), window.geometry());
    }
#ifdef QUANTALINE_HAVE_XCB
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        if (const auto answer = ask_window_manager(window)) {
            return *answer;
        }
    }
#endif
    // Windows works the frame out from the window's style as soon as the window exists.
    window.winId();
    if (const QMargins native = window.windowHandle()->frameMargins(); !native.isNull()) {
        return native;
    }
    for (QWidget* other : QApplication::topLevelWidgets()) {
        if (other != &window && other->isVisible() && other->frameGeometry() != other->geometry()) {
            return margins_between(other->frameGeometry(), other->geometry());
        }
    }
    return {};
}

} // namespace quantaline
