#pragma once

#include <QDir>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

// Open file descriptors of this process; -1 where the system does not tell. On Windows, its
// open handles; Wine does not count them (it answers 0), and its /proc is that of the Linux
// process running Wine, whose descriptors come and go with Wine's own work.
inline int openDescriptorCount()
{
#ifdef Q_OS_WIN
    DWORD handles = 0;
    return ::GetProcessHandleCount(::GetCurrentProcess(), &handles) && handles > 0 ? int(handles) : -1;
#else
    const QDir fds(QStringLiteral("/proc/self/fd"));
    if (!fds.exists())
        return -1;
    return int(fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size());
#endif
}
