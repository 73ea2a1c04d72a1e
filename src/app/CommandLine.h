#pragma once

#include "LumarilVersion.h"

#include <QStringList>

namespace lumaril {

// What the program is asked to do when it starts, decided before Qt is started.
//
// The program takes no command line: started with Qt's own options (-style, -reverse...),
// other single-dash words or plain words, it opens the same window as without them. Only
// words that begin with two dashes are read, as a Linux user expects: "--check-data",
// "--check-fonts", "--help" and "--version", each on its own. Any other such word, or one of
// these with more words, is refused with a usage line and exit status 2.
class CommandLine
{
public:
    enum class Action { OpenWindow, CheckData, CheckFonts, ShowHelp, ShowVersion, Refuse };

    CommandLine(int argc, char *argv[]);

    [[nodiscard]] Action action() const { return m_action; }

    // Carries out any action but opening the window: prints its answer on standard output,
    // or the refusal on standard error, and returns the exit status.
    [[nodiscard]] int answer() const;

private:
    Action m_action = Action::OpenWindow;
    QString m_refusal;
};

// Why this session cannot show a window, or nothing when it can. On X11 and Wayland desktops
// Qt aborts without a display; this is read from the environment before Qt is started, so
// that the user gets one line instead. A platform chosen with QT_QPA_PLATFORM that needs no
// display (offscreen, vnc, eglfs...) is left to Qt.
[[nodiscard]] QString missingDisplay();

} // namespace lumaril
