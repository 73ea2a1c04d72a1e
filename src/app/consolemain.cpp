// lumaril.com, the console companion of lumaril.exe.
//
// lumaril.exe is a GUI program so that double-clicking it opens no console window; cmd.exe and
// PowerShell therefore do not wait for it, and its answer to --check-data would appear after the
// next prompt, its exit status lost. Both look for a command's .com before its .exe, so
// "lumaril --check-data" typed in lumaril's folder runs this console program instead. It starts
// lumaril.exe beside it with the same arguments and the console's standard handles, waits for
// it, and ends with its exit status: the answer comes before the prompt, %ERRORLEVEL% is the
// program's, and without arguments the console waits for the window as a terminal does.
//
// Double-clicked in Explorer (which shows it as a second "lumaril" where extensions are hidden),
// it is given a console window of its own that nobody types into: it then lets that console go
// at once and starts lumaril.exe without waiting, so no console window stays on the screen.
// Deliberately plain Windows API and no C++ library, so it needs no DLL of its own.
#include <windows.h>

namespace {

// Standard handles reach the child only if they may be inherited.
HANDLE inherited(DWORD which)
{
    const HANDLE handle = ::GetStdHandle(which);
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE)
        ::SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    return handle;
}

// The arguments as typed, after the program's own name (parsed as Windows parses argv[0]:
// a quoted name runs to the next quote, an unquoted one to the first blank).
const wchar_t *argumentsOf(const wchar_t *commandLine)
{
    const wchar_t *p = commandLine;
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"')
            ++p;
        if (*p)
            ++p;
    } else {
        while (*p && *p != L' ' && *p != L'\t')
            ++p;
    }
    return p;
}

// Whether a file or a pipe takes the output: someone reads the answer and waits for it.
bool redirected(DWORD which)
{
    const HANDLE handle = ::GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return false;
    const DWORD type = ::GetFileType(handle);
    return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE;
}

// Started from Explorer (or by a program with DETACHED_PROCESS): no console at all, or one that
// Windows made for this program alone and that no shell shares.
bool startedWithoutConsole()
{
    if (redirected(STD_OUTPUT_HANDLE) || redirected(STD_ERROR_HANDLE))
        return false;
    DWORD processes[2];
    return ::GetConsoleWindow() == nullptr || ::GetConsoleProcessList(processes, 2) == 1;
}

// To a console in UTF-16, which it shows whatever its code page; to a file or pipe in UTF-8.
void complain(const wchar_t *what, const wchar_t *program)
{
    wchar_t text[MAX_PATH + 200];
    const int length = ::wsprintfW(text, L"lumaril: %s %s (Windows error %lu)\r\n", what, program,
                                   ::GetLastError());
    const HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    DWORD written = 0;
    if (::GetConsoleMode(error, &mode)) {
        ::WriteConsoleW(error, text, DWORD(length), &written, nullptr);
        return;
    }
    char bytes[sizeof text * 3 / sizeof *text];
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, length, bytes, int(sizeof bytes),
                                           nullptr, nullptr);
    ::WriteFile(error, bytes, DWORD(size), &written, nullptr);
}

} // namespace

int main()
{
    wchar_t program[MAX_PATH];
    // The longest command line CreateProcess accepts.
    static wchar_t commandLine[32768];
    const DWORD length = ::GetModuleFileNameW(nullptr, program, MAX_PATH);
    if (length < 4 || length >= MAX_PATH) {
        complain(L"cannot find its own file name", L"");
        return 1;
    }
    ::lstrcpyW(program + length - 4, L".exe");

    const wchar_t *arguments = argumentsOf(::GetCommandLineW());
    if (::lstrlenW(program) + ::lstrlenW(arguments) + 3 >= int(sizeof commandLine / sizeof *commandLine)) {
        ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
        complain(L"the command line is too long for", program);
        return 1;
    }
    ::lstrcpyW(commandLine, L"\"");
    ::lstrcatW(commandLine, program);
    ::lstrcatW(commandLine, L"\"");
    ::lstrcatW(commandLine, arguments);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (startedWithoutConsole()) {
        ::FreeConsole();
        if (!::CreateProcessW(program, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &started)) {
            // No console to tell: Explorer's own message box is what the user would expect.
            wchar_t text[MAX_PATH + 100];
            ::wsprintfW(text, L"Cannot start %s (Windows error %lu).", program, ::GetLastError());
            ::MessageBoxW(nullptr, text, L"Lumaril", MB_OK | MB_ICONERROR);
            return 1;
        }
        ::CloseHandle(started.hThread);
        ::CloseHandle(started.hProcess);
        return 0;
    }
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inherited(STD_INPUT_HANDLE);
    startup.hStdOutput = inherited(STD_OUTPUT_HANDLE);
    startup.hStdError = inherited(STD_ERROR_HANDLE);
    if (!::CreateProcessW(program, commandLine, nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                          &startup, &started)) {
        complain(L"cannot start", program);
        return 1;
    }
    ::CloseHandle(started.hThread);
    ::WaitForSingleObject(started.hProcess, INFINITE);
    DWORD status = 1;
    ::GetExitCodeProcess(started.hProcess, &status);
    ::CloseHandle(started.hProcess);
    return int(status);
}
