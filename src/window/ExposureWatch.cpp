#include "ExposureWatch.h"

#include <QGuiApplication>
#include <QWindow>

#ifdef LUMARIL_X11_EXPOSURE
#include <xcb/xcb.h>

#include <cstdlib>
#endif

namespace lumaril {

#ifdef LUMARIL_X11_EXPOSURE

struct ExposureWatch::X11
{
    xcb_connection_t *connection = nullptr;
    // The window whose exposures this connection has asked for; the toolkit may make a new
    // one when the window is shown again.
    xcb_window_t watched = XCB_NONE;

    ~X11() { xcb_disconnect(connection); }
};

ExposureWatch::ExposureWatch()
    : m_onX11(QGuiApplication::platformName() == u"xcb")
{
    if (!m_onX11)
        return;
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return;
    }
    m_x11 = std::make_unique<X11>();
    m_x11->connection = connection;
}

ExposureWatch::~ExposureWatch() = default;

bool ExposureWatch::contentsLost(QWindow *window)
{
    if (!m_onX11)
        return false;
    if (!m_x11 || !window || !window->handle())
        return true;
    const auto id = xcb_window_t(window->winId());
    bool lost = false;
    if (id != m_x11->watched) {
        // Told from now on; what happened before is unknown, so taken as lost.
        const uint32_t events = XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_x11->connection, id, XCB_CW_EVENT_MASK, &events);
        xcb_flush(m_x11->connection);
        m_x11->watched = id;
        lost = true;
    }
    // A round trip: the server sends what it did to the window before it answers, so every
    // exposure up to this moment is read below, not only those already on their way.
    std::free(xcb_get_input_focus_reply(m_x11->connection,
                                        xcb_get_input_focus(m_x11->connection), nullptr));
    while (xcb_generic_event_t *event = xcb_poll_for_event(m_x11->connection)) {
        const uint8_t type = event->response_type & 0x7F;
        lost = lost || type == XCB_EXPOSE || type == XCB_MAP_NOTIFY || type == 0;
        std::free(event);
    }
    if (xcb_connection_has_error(m_x11->connection)) {
        m_x11.reset();
        return true;
    }
    return lost;
}

#else

struct ExposureWatch::X11
{
};

ExposureWatch::ExposureWatch()
    : m_onX11(QGuiApplication::platformName() == u"xcb")
{
}

ExposureWatch::~ExposureWatch() = default;

bool ExposureWatch::contentsLost(QWindow *)
{
    return m_onX11;
}

#endif

} // namespace lumaril
