#include "CommandLine.h"
#include "Form1.h"
#include "WindowsConsole.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    lumaril::attachToStartingConsole(argc, argv);
    const lumaril::CommandLine commandLine(argc, argv);
    if (commandLine.action() != lumaril::CommandLine::Action::OpenWindow)
        return commandLine.answer();
    if (const QString missing = lumaril::missingDisplay(); !missing.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(missing));
        return 1;
    }

    // The program takes no command line, and that includes Qt's own options (-reverse, -style,
    // -stylesheet, -qwindowtitle, -qwindowgeometry, -platform, -session...): whatever it is
    // started with, the window is the same. Qt is given the program's name and nothing else.
    // A program can be started with no arguments at all, not even its own name.
    char fallbackName[] = "lumaril";
    int qtArgc = 1;
    char *qtArgv[] = {argc > 0 && argv[0] ? argv[0] : fallbackName, nullptr};
    QApplication app(qtArgc, qtArgv);
    QApplication::setApplicationName(QStringLiteral("Lumaril"));
    QApplication::setApplicationVersion(QStringLiteral(LUMARIL_VERSION_TEXT));
    QApplication::setOrganizationName(QStringLiteral("Lumaril Project"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.Lumaril"));

    lumaril::Form1 window;
    window.show();
    return app.exec();
}
