#include "CommandLine.h"
#include "Form1.h"
#include "ScriptFaces.h"
#include "WindowsConsole.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace {

// What Qt says while it starts its platform, kept until it is known whether it could.
struct StartupMessage
{
    QtMsgType type;
    QByteArray category;
    QString text;
};
QList<StartupMessage> startupMessages;

QString describedVariable(const char *name)
{
    const QString value = qEnvironmentVariable(name);
    return QString::fromLatin1(name) + (value.isEmpty() ? QStringLiteral(" unset") : u'=' + value);
}

// Qt aborts when no platform can start (no server at DISPLAY, no compositor at
// WAYLAND_DISPLAY, a plugin that fails), after several lines about reinstalling the program.
// What the user needs instead is one line on what is wrong and what to do, and exit status 1.
void startupMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type != QtFatalMsg) {
        startupMessages.append({type, QByteArray(context.category), text});
        return;
    }
    QString where = describedVariable("DISPLAY") + QStringLiteral(", ") + describedVariable("WAYLAND_DISPLAY");
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        where += QStringLiteral(", ") + describedVariable("QT_QPA_PLATFORM");
    std::fprintf(stderr,
                 "lumaril: cannot open a window, no desktop session answers (%s); run it in "
                 "your desktop session, or on a virtual screen: xvfb-run -a lumaril\n",
                 qPrintable(where));
    std::fflush(stderr);
    std::_Exit(1);
}

} // namespace

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
    const QtMessageHandler qtHandler = qInstallMessageHandler(startupMessage);
    QApplication app(qtArgc, qtArgv);
    qInstallMessageHandler(qtHandler);
    for (const StartupMessage &message : std::as_const(startupMessages)) {
        const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
        qt_message_output(message.type, context, message.text);
    }
    QApplication::setApplicationName(QStringLiteral("Lumaril"));
    QApplication::setApplicationVersion(QStringLiteral(LUMARIL_VERSION_TEXT));
    QApplication::setOrganizationName(QStringLiteral("Lumaril Project"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.Lumaril"));

    lumaril::addProgramFonts();
    lumaril::Form1 window;
    window.show();
    return app.exec();
}
