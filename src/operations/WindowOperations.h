#pragma once

#include <QString>
#include <QStringView>

namespace lumaril {

// The two characters CR, LF. Results text and message prompts use it for every line break,
// on every platform.
inline const QString lineBreak = QStringLiteral("\r\n");

// Everything a command may do to the main window. The searches and the messages reach the
// window only through this interface: the window implements it with widgets, and the core
// tests with a recorder that logs each call in order.
class WindowOperations
{
public:
    virtual ~WindowOperations() = default;

    // Replaces the whole text of the results box; the empty text clears it.
    virtual void setResultsText(const QString &text) = 0;
    // The number of characters (UTF-16 code units) the results box holds.
    [[nodiscard]] virtual qsizetype resultsTextLength() const = 0;

    [[nodiscard]] virtual QString queryText() const = 0;
    [[nodiscard]] virtual QString suratText() const = 0;
    [[nodiscard]] virtual QString ayatText() const = 0;

    virtual void showBusyPanel() = 0;
    virtual void hideBusyPanel() = 0;
    // Brings the window on the screen up to date with what the command has done so far,
    // although the command still holds the thread. Handles no user input. The window may hold
    // a repaint back until the screen can show it, but it draws whatever is still owed before
    // the next information message.
    virtual void repaintNow() = 0;
    // Called between reads of the verse file and every few hundred records tested, so that a
    // long scan with no match to show still lets the window answer its window system (put
    // back what was uncovered, take note of a close request). Handles no user input. Costs
    // next to nothing when it has nothing to do.
    virtual void stayResponsive() {}

    // The match flag is the enabled state of the "Search Ayat !" menu item.
    virtual void setMatchFlag(bool matched) = 0;
    [[nodiscard]] virtual bool matchFlag() const = 0;

    // A modal box with the information icon and a single OK button; returns once it is closed.
    virtual void showInformation(const QString &prompt, const QString &title) = 0;

    // Raises the window's unload procedure (the farewell), then closes the window.
    virtual void unloadWindow() = 0;
    // Ends the program at once: no further events are handled.
    virtual void endProgram() = 0;
};

} // namespace lumaril
