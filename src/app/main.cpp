#include "Form1.h"
#include "RecordSearch.h"
#include "WindowsConsole.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

namespace {

// "lumaril --check-data": says whether the verse file in the working folder can be searched,
// and how many verse records it holds, without opening a window. Installers and packaging
// checks use it; the program itself takes no arguments.
int checkData()
{
    const lumaril::VerseFileCheck check = lumaril::checkVerseFile(lumaril::defaultVerseFileName);
    if (!check.problem.isEmpty()) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(check.fullPath), qPrintable(check.problem));
        return 1;
    }
    std::printf("verses: %lld\n", static_cast<long long>(check.records));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    lumaril::attachToStartingConsole(argc, argv);
    if (argc == 2 && std::strcmp(argv[1], "--check-data") == 0)
        return checkData();

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
