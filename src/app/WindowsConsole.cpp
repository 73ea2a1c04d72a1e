#include "WindowsConsole.h"

#include <cstring>
#include <windows.h>

namespace lumaril {

namespace {

// A GUI program started from a console without redirection gets no standard handles at all
// (or ones the system cannot say anything about). A file, a pipe, NUL or an inherited console
// handle is kept: the last one works once the program is attached to that console.
bool leadsNowhere(DWORD which)
{
    const HANDLE handle = ::GetStdHandle(which);
    return handle == nullptr || handle == INVALID_HANDLE_VALUE
            || ::GetFileType(handle) == FILE_TYPE_UNKNOWN;
}

// Both the C library's stream (for what Qt may print) and the handle writeText() uses.
void pointAtConsole(DWORD which, std::FILE *stream)
{
    std::freopen("CONOUT$", "w", stream);
    // Read access too: GetConsoleMode() needs it to tell a console from a file.
    const HANDLE console = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, 0, nullptr);
    if (console != INVALID_HANDLE_VALUE)
        ::SetStdHandle(which, console);
}

} // namespace

void attachToStartingConsole(int argc, char *argv[])
{
    bool answersInText = false;
    for (int i = 1; i < argc; ++i)
        answersInText = answersInText || (argv[i] && std::strncmp(argv[i], "--", 2) == 0);
    if (!answersInText)
        return;
    const bool noOutput = leadsNowhere(STD_OUTPUT_HANDLE);
    const bool noError = leadsNowhere(STD_ERROR_HANDLE);
    // Started from Explorer or a shortcut there is no console to attach to, and none is opened.
    if (!::AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    if (noOutput)
        pointAtConsole(STD_OUTPUT_HANDLE, stdout);
    if (noError)
        pointAtConsole(STD_ERROR_HANDLE, stderr);
}

void writeText(StandardStream stream, const QString &text)
{
    const bool output = stream == StandardStream::Output;
    std::fflush(output ? stdout : stderr);
    const HANDLE handle = ::GetStdHandle(output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return;
    DWORD mode = 0;
    DWORD written = 0;
    if (::GetConsoleMode(handle, &mode)) {
        ::WriteConsoleW(handle, text.utf16(), DWORD(text.size()), &written, nullptr);
        return;
    }
    QString lines = text;
    lines.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    const QByteArray bytes = lines.toUtf8();
    ::WriteFile(handle, bytes.constData(), DWORD(bytes.size()), &written, nullptr);
}

} // namespace lumaril
