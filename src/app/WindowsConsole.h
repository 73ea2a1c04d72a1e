#pragma once

#include <QString>

#include <cstdio>

namespace lumaril {

// lumaril.exe is a Windows GUI program, so that double-clicking it opens no console window; such
// a program starts with no console and, unless its output was redirected, nowhere to print. When
// it is asked for an answer in text (an argument starting with "--", such as --check-data), this
// attaches it to the console of the program that started it and points the standard output and
// error that lead nowhere at that console. Output already redirected to a file or a pipe stays
// there. Must run before anything is printed. Does nothing on other systems.
//
// cmd.exe and PowerShell do not wait for a GUI program, so typed as "lumaril.exe --check-data"
// the answer appears after the next prompt; lumaril.com, the console companion beside
// lumaril.exe (consolemain.cpp), is what they run for "lumaril --check-data", and it waits.
#ifdef _WIN32
void attachToStartingConsole(int argc, char *argv[]);
#else
inline void attachToStartingConsole(int, char *[]) {}
#endif

enum class StandardStream { Output, Error };

// Writes an answer to standard output or error. On Windows a console is given UTF-16, which it
// shows whatever its code page (cmd.exe's OEM one is not the program's ANSI one, so "é" would
// come out as another letter), and a file or a pipe gets UTF-8 with CR LF line ends; elsewhere
// the text goes out in the locale's encoding.
#ifdef _WIN32
void writeText(StandardStream stream, const QString &text);
#else
inline void writeText(StandardStream stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream == StandardStream::Output ? stdout : stderr);
}
#endif

} // namespace lumaril
