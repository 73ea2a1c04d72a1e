#pragma once

#include <memory>

class QWindow;

namespace lumaril {

// Tells whether an X server may have lost what a window shows.
//
// Without a compositing manager the X server keeps no copy of a window's contents: when the
// window is mapped again or uncovered, the server asks the program to draw the part exposed.
// While a command holds the thread the program reads no such request until the command ends.
// The watch keeps a connection of its own to the server and asks to be told of the window's
// exposures as well, so that a synchronous repaint can put back the whole window exactly when
// it is needed, without handling any of the program's own events.
//
// On other window systems (Wayland, Windows, offscreen) nothing is lost and the watch answers
// false; on X11 without libxcb at build time, or when it cannot reach the server, it answers
// true, which costs a whole-window flush per repaint but is always right.
class ExposureWatch
{
public:
    ExposureWatch();
    ~ExposureWatch();
    ExposureWatch(const ExposureWatch &) = delete;
    ExposureWatch &operator=(const ExposureWatch &) = delete;

    // True when the window may show less than it holds since the last call: the server has
    // told of an exposure, or the watch cannot tell. Costs one round trip to the server.
    [[nodiscard]] bool contentsLost(QWindow *window);

    struct X11;

private:
    bool m_onX11 = false;
    std::unique_ptr<X11> m_x11;
};

} // namespace lumaril
