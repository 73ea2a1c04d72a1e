#include "CommandQueue.h"

#include <utility>

namespace lumaril {

CommandQueue::CommandQueue(Command closeWindow, Command farewell)
    : m_closeWindow(std::move(closeWindow))
    , m_farewell(std::move(farewell))
{
}

void CommandQueue::run(Command command)
{
    if (m_closed || m_ended)
        return;
    m_waiting.push_back(std::move(command));
    if (m_running)
        return;
    m_running = true;
    while (!m_waiting.empty() && !m_closed && !m_ended) {
        const Command next = std::move(m_waiting.front());
        m_waiting.pop_front();
        next();
    }
    m_waiting.clear();
    m_running = false;
}

bool CommandQueue::closeRequested(bool byCommand)
{
    if (m_closed)
        return true;
    if (m_running && !byCommand) {
        if (!std::exchange(m_closeKept, true))
            m_waiting.push_back(m_closeWindow);
        return false;
    }
    // However the window goes, the farewell is shown once, and the close is never refused.
    // What is asked for while it shows is dropped with the window.
    m_closed = true;
    const bool wasRunning = std::exchange(m_running, true);
    m_farewell();
    m_running = wasRunning;
    m_waiting.clear();
    return true;
}

void CommandQueue::end()
{
    m_ended = true;
    m_waiting.clear();
}

} // namespace lumaril
