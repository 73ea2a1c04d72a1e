#pragma once

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

} // namespace lumaril
