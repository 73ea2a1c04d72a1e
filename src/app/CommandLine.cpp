#include "CommandLine.h"

#include "FontCheck.h"
#include "RecordSearch.h"
#include "ScriptFaces.h"
#include "WindowsConsole.h"

#include <QGuiApplication>

namespace lumaril {

namespace {

const char usage[] = "Usage: lumaril [--check-data | --check-fonts | --help | --version]\n";

const char help[] =
        "Read and search an English translation of the Quran.\n"
        "\n"
        "With no option, lumaril opens its window, which reads the verse file quran.txt in the\n"
        "current folder. Other arguments, Qt's own options among them, change nothing.\n"
        "\n"
#ifdef Q_OS_WIN
        "  --check-data  check .\\quran.txt without opening a window: print \"verses: N\" and\n"
#else
        "  --check-data  check ./quran.txt without opening a window: print \"verses: N\" and\n"
#endif
        "                exit with status 0, or say why the file cannot be used and exit with 1\n"
        "  --check-fonts lay out every verse of the file in the face the window draws it in:\n"
        "                print the faces and exit with status 0, or name each character that\n"
        "                has no glyph and each word drawn in pieces, and exit with 1\n"
        "  --help        show this help and exit\n"
        "  --version     show the version and exit\n";

// Says on standard error why the verse file in the working folder cannot be used; true when
// it can.
bool verseFileUsable(const VerseFileCheck &check)
{
    QString problem = check.problem;
    // Such a file is read without fault, but no search can ever find anything in it.
    if (problem.isEmpty() && check.verses == 0)
        problem = QStringLiteral("holds no verse: a verse is the text between two \"#\"");
    if (problem.isEmpty())
        return true;
    writeText(StandardStream::Error, QStringLiteral("%1: %2\n").arg(check.fullPath, problem));
    return false;
}

// "lumaril --check-data": says whether the verse file in the working folder can be searched,
// and how many verses it holds. Installers and packaging checks use it.
int checkData()
{
    const VerseFileCheck check = checkVerseFile(defaultVerseFileName);
    if (!verseFileUsable(check))
        return 1;
    writeText(StandardStream::Output, QStringLiteral("verses: %1\n").arg(check.verses));
    return 0;
}

// "lumaril --check-fonts": says whether every verse of the verse file in the working folder is
// drawn whole, with the fonts this computer has, and in which faces.
int checkFonts()
{
    if (!verseFileUsable(checkVerseFile(defaultVerseFileName)))
        return 1;
#ifndef Q_OS_WIN
    // Nothing is shown, so no desktop session is needed: the offscreen platform has the
    // system's fonts, as every other one. Qt's offscreen platform on Windows has none.
    qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    char name[] = "lumaril";
    int argc = 1;
    char *argv[] = {name, nullptr};
    const QGuiApplication app(argc, argv);
    addProgramFonts();
    FontCheck check;
    if (const QString problem = checkVerseFonts(defaultVerseFileName, check); !problem.isEmpty()) {
        writeText(StandardStream::Error, problem + u'\n');
        return 1;
    }
    if (check.faultyVerses() > 0) {
        writeText(StandardStream::Error,
                  check.faults().join(u'\n')
                          + QStringLiteral("\nfonts: %1 of %2 verses are not drawn whole\n")
                                    .arg(check.faultyVerses())
                                    .arg(check.verses()));
        return 1;
    }
    writeText(StandardStream::Output, QStringLiteral("fonts: OK, %1 verses drawn in %2\n")
                                              .arg(check.verses())
                                              .arg(check.families().join(QStringLiteral(", "))));
    return 0;
}

} // namespace

CommandLine::CommandLine(int argc, char *argv[])
{
    QStringList words;
    QStringList options;
    for (int i = 1; i < argc; ++i) {
        words << QString::fromLocal8Bit(argv[i]);
        if (words.last().startsWith(QStringLiteral("--")))
            options << words.last();
    }
    if (options.isEmpty())
        return;
    static const QStringList known = {QStringLiteral("--check-data"), QStringLiteral("--check-fonts"),
                                      QStringLiteral("--help"), QStringLiteral("--version")};
    m_action = Action::Refuse;
    for (const QString &option : options) {
        if (!known.contains(option)) {
            m_refusal = QStringLiteral("unknown option %1").arg(option);
            return;
        }
    }
    if (words.size() > 1) {
        m_refusal = QStringLiteral("%1 takes no other arguments").arg(options.first());
        return;
    }
    const Action actions[] = {Action::CheckData, Action::CheckFonts, Action::ShowHelp,
                              Action::ShowVersion};
    m_action = actions[known.indexOf(options.first())];
}

int CommandLine::answer() const
{
    switch (m_action) {
    case Action::OpenWindow:
        break;
    case Action::CheckData:
        return checkData();
    case Action::CheckFonts:
        return checkFonts();
    case Action::ShowHelp:
        writeText(StandardStream::Output, QLatin1String(usage) + QLatin1String(help));
        return 0;
    case Action::ShowVersion:
        writeText(StandardStream::Output, QStringLiteral("lumaril " LUMARIL_VERSION_TEXT "\n"));
        return 0;
    case Action::Refuse:
        writeText(StandardStream::Error,
                  QStringLiteral("lumaril: %1\n").arg(m_refusal) + QLatin1String(usage));
        return 2;
    }
    return 0;
}

QString missingDisplay()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN) && !defined(Q_OS_ANDROID)
    const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
            || !qEnvironmentVariableIsEmpty("WAYLAND_SOCKET");
    // Qt tries each platform of the list in turn; without one, X11 or Wayland.
    const QStringList platforms =
            qEnvironmentVariable("QT_QPA_PLATFORM").split(u';', Qt::SkipEmptyParts);
    bool usable = platforms.isEmpty() && (x11 || wayland);
    for (const QString &platform : platforms) {
        const QString name = platform.section(u':', 0, 0);
        usable = usable || (name == u"xcb" ? x11 : name.startsWith(u"wayland") ? wayland : true);
    }
    if (!usable) {
        return QStringLiteral("lumaril: needs a graphical desktop session, and neither DISPLAY "
                              "nor WAYLAND_DISPLAY is set; to run it on a virtual screen: "
                              "xvfb-run -a lumaril");
    }
#endif
    return {};
}

} // namespace lumaril
