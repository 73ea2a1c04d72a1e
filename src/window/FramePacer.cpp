#include "FramePacer.h"

#include <QGuiApplication>
#include <QWindow>

#ifdef LUMARIL_WAYLAND_PACING
#include <qpa/qplatformnativeinterface.h>
#include <wayland-client.h>
#endif

namespace lumaril {

#ifdef LUMARIL_WAYLAND_PACING

// The pacer's own event queue keeps the compositor's answers apart from the toolkit's: they
// can be handled while a command holds the thread without handling anything else. The
// toolkit's reader thread files them there as they arrive.
struct FramePacer::Wayland
{
    wl_display *display = nullptr;
    wl_event_queue *queue = nullptr;
    // The surface the outstanding question was asked about; the toolkit makes a new surface
    // when the window is hidden and shown again.
    wl_surface *surface = nullptr;
    wl_callback *frameShown = nullptr;

    void forget()
    {
        if (frameShown)
            wl_callback_destroy(frameShown);
        frameShown = nullptr;
        surface = nullptr;
    }
};

namespace {

const wl_callback_listener frameShownListener = {
    [](void *data, wl_callback *callback, uint32_t) {
        auto *wayland = static_cast<FramePacer::Wayland *>(data);
        wl_callback_destroy(callback);
        wayland->frameShown = nullptr;
    },
};

wl_surface *surfaceOf(QWindow *window)
{
    QPlatformNativeInterface *native = QGuiApplication::platformNativeInterface();
    if (!window || !native || !window->handle())
        return nullptr;
    static const QByteArray surface = QByteArrayLiteral("surface");
    return static_cast<wl_surface *>(native->nativeResourceForWindow(surface, window));
}

} // namespace

FramePacer::FramePacer()
{
    if (!QGuiApplication::platformName().startsWith(u"wayland"))
        return;
    QPlatformNativeInterface *native = QGuiApplication::platformNativeInterface();
    auto *display = native ? static_cast<wl_display *>(native->nativeResourceForIntegration("wl_display"))
                           : nullptr;
    if (!display)
        return;
    m_wayland = std::make_unique<Wayland>();
    m_wayland->display = display;
    m_wayland->queue = wl_display_create_queue(display);
}

FramePacer::~FramePacer()
{
    if (m_wayland) {
        m_wayland->forget();
        wl_event_queue_destroy(m_wayland->queue);
    }
}

bool FramePacer::readyFor(QWindow *window)
{
    if (!m_wayland || !m_wayland->frameShown)
        return true;
    if (surfaceOf(window) != m_wayland->surface) {
        // The question was about a surface that is gone; this one has been shown nothing yet.
        m_wayland->forget();
        return true;
    }
    wl_display_dispatch_queue_pending(m_wayland->display, m_wayland->queue);
    return !m_wayland->frameShown;
}

void FramePacer::beforeCommit(QWindow *window)
{
    if (!m_wayland)
        return;
    m_wayland->forget();
    wl_surface *surface = surfaceOf(window);
    if (!surface)
        return;
    // A wrapper routes the answer to the pacer's queue without moving the toolkit's surface.
    auto *wrapper = static_cast<wl_surface *>(wl_proxy_create_wrapper(surface));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy *>(wrapper), m_wayland->queue);
    m_wayland->frameShown = wl_surface_frame(wrapper);
    wl_proxy_wrapper_destroy(wrapper);
    wl_callback_add_listener(m_wayland->frameShown, &frameShownListener, m_wayland.get());
    m_wayland->surface = surface;
}

void FramePacer::afterCommit(QWindow *window)
{
    if (!m_wayland)
        return;
    // When there was nothing new to draw the toolkit committed nothing, and the question
    // would wait for a commit that may never come. A commit of no new contents is harmless.
    if (m_wayland->frameShown && surfaceOf(window) == m_wayland->surface)
        wl_surface_commit(m_wayland->surface);
    wl_display_flush(m_wayland->display);
}

#else

struct FramePacer::Wayland
{
};

FramePacer::FramePacer() = default;
FramePacer::~FramePacer() = default;

bool FramePacer::readyFor(QWindow *)
{
    return true;
}

void FramePacer::beforeCommit(QWindow *)
{
}

void FramePacer::afterCommit(QWindow *)
{
}

#endif

} // namespace lumaril
