#pragma once

#include <memory>

class QWindow;

namespace lumaril {

// Keeps a window's synchronous repaints from waiting on the compositor.
//
// On Wayland a committed buffer stays with the compositor until it has used it, and the
// toolkit, once every buffer it keeps is taken, blocks until one comes back. A search that
// repaints after every match would then run at the compositor's frame rate, however fast the
// search itself is. The pacer asks the compositor to say when it has shown the last commit,
// so that a repaint made before then can be left for later instead of waiting: the compositor
// could not have shown it any sooner anyway.
//
// Where the window system keeps no such queue (X11, Windows, the offscreen platform) or the
// program was built without Wayland support, the pacer does nothing: every repaint goes ahead.
class FramePacer
{
public:
    FramePacer();
    ~FramePacer();
    FramePacer(const FramePacer &) = delete;
    FramePacer &operator=(const FramePacer &) = delete;

    // True when this pacer may hold repaints back, that is on a Wayland compositor.
    [[nodiscard]] bool isActive() const { return m_wayland != nullptr; }

    // True when a commit now would not wait: the compositor has shown what was committed
    // last, or there is nothing to wait for. Handles only the compositor's answer to the
    // pacer's own question, nothing else, and never blocks.
    [[nodiscard]] bool readyFor(QWindow *window);

    // Around the toolkit's commit of the window's new contents: before it, asks to hear when
    // they have been shown; after it, makes sure that question is committed too, and sends
    // everything to the compositor at once rather than when the event loop next runs.
    void beforeCommit(QWindow *window);
    void afterCommit(QWindow *window);

    struct Wayland;

private:
    std::unique_ptr<Wayland> m_wayland;
};

} // namespace lumaril
