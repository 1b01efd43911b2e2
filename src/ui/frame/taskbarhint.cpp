// SPDX-License-Identifier: GPL-3.0-or-later
#include "taskbarhint.h"

#include <QGuiApplication>
#include <QWidget>

#if defined(LANTERRA_HAVE_XCB) && QT_CONFIG(xcb)
#include <QList>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

template <class T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

xcb_connection_t *Connection()
{
    const auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t Atom(xcb_connection_t *connection, const char *name)
{
    const Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

QList<xcb_atom_t> States(xcb_connection_t *connection, xcb_window_t window, xcb_atom_t stateAtom)
{
    const Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(connection, xcb_get_property(connection, 0, window, stateAtom, XCB_ATOM_ATOM, 0, 1024),
                               nullptr),
        &std::free);
    QList<xcb_atom_t> states;
    if (!reply || reply->format != 32 || reply->type != XCB_ATOM_ATOM)
        return states;
    const auto *values = static_cast<const xcb_atom_t *>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / int(sizeof(xcb_atom_t));
    states = QList<xcb_atom_t>(values, values + count);
    return states;
}

} // namespace

void SetSkipTaskbarHint(QWidget *window, bool skip)
{
    xcb_connection_t *connection = Connection();
    if (!connection || !window)
        return;
    const auto id = xcb_window_t(window->winId());
    const xcb_atom_t stateAtom = Atom(connection, "_NET_WM_STATE");
    const xcb_atom_t skipAtom = Atom(connection, "_NET_WM_STATE_SKIP_TASKBAR");
    if (stateAtom == XCB_ATOM_NONE || skipAtom == XCB_ATOM_NONE)
        return;
    // A window not yet mapped carries the state in its property, which the
    // window manager reads when it maps it (and Qt keeps when it adds its
    // own states); a mapped one asks the window manager (EWMH).
    QList<xcb_atom_t> states = States(connection, id, stateAtom);
    states.removeAll(skipAtom);
    if (skip)
        states.append(skipAtom);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, stateAtom, XCB_ATOM_ATOM, 32, uint32_t(states.size()),
                        states.constData());

    const Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, id), nullptr), &std::free);
    if (geometry) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = id;
        message.type = stateAtom;
        message.data.data32[0] = skip ? 1 : 0; // _NET_WM_STATE_ADD or _REMOVE
        message.data.data32[1] = skipAtom;
        message.data.data32[3] = 1; // from an application
        xcb_send_event(connection, 0, geometry->root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char *>(&message));
    }
    xcb_flush(connection);
}

bool HasSkipTaskbarHint(QWidget *window)
{
    xcb_connection_t *connection = Connection();
    if (!connection || !window || !window->testAttribute(Qt::WA_WState_Created))
        return false;
    const auto id = xcb_window_t(window->winId());
    return States(connection, id, Atom(connection, "_NET_WM_STATE"))
        .contains(Atom(connection, "_NET_WM_STATE_SKIP_TASKBAR"));
}

#else

void SetSkipTaskbarHint(QWidget *, bool) {}

bool HasSkipTaskbarHint(QWidget *)
{
    return false;
}

#endif
