#include "WindowsConsole.h"

#include <cstdio>
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
        std::freopen("CONOUT$", "w", stdout);
    if (noError)
        std::freopen("CONOUT$", "w", stderr);
}

} // namespace lumaril
