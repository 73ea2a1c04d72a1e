#pragma once

#include <deque>
#include <functional>

namespace lumaril {

// The order in which the window's commands and its closing happen. It knows no widget: the
// window hands it what to run, and how to close.
//
// Commands never nest. A command asked for while another one runs (or shows its message),
// which accessibility tools can do by pressing a button, runs once that one has ended, in the
// order asked. A request from outside to close the window meanwhile (the title bar, Alt+F4,
// the session ending) is kept the same way, once: the running command ends with its message,
// then the window closes with the farewell. Once the farewell has begun, nothing more runs.
class CommandQueue
{
public:
    using Command = std::function<void()>;

    // `closeWindow` closes the window from within a command (it comes back through
    // closeRequested() as the command's own close); `farewell` shows the farewell.
    CommandQueue(Command closeWindow, Command farewell);

    // Runs the command now, or after those running and waiting.
    void run(Command command);

    // The window is asked to close, from outside or by the running command itself (Exit, or
    // a close that waited its turn). Returns whether it closes now; when it does, the
    // farewell has been shown, once however often the window is asked.
    [[nodiscard]] bool closeRequested(bool byCommand);

    // The program ends: nothing waiting runs, nothing asked later either.
    void end();

    [[nodiscard]] bool isClosed() const { return m_closed; }

private:
    Command m_closeWindow;
    Command m_farewell;
    std::deque<Command> m_waiting;
    bool m_running = false;
    bool m_closeKept = false;
    bool m_closed = false;
    bool m_ended = false;
};

} // namespace lumaril
