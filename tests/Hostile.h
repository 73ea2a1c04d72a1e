#pragma once

// Checks shared by the tests that feed the searches hostile files and queries: every search
// must end cleanly (panel hidden, one message, nothing left open) and leave the verse file
// exactly as it found it.

#include "Recorder.h"
#include "TestFiles.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

// What a search could have changed about the file at a path, symbolic links not followed.
struct FileState
{
    bool exists = false;
    quint64 inode = 0;
    quint32 mode = 0;
    qint64 size = -1;
    qint64 modifiedNs = 0;
    QByteArray digest; // of the contents, for regular files

    static FileState of(const QString &path)
    {
        FileState s;
#ifdef Q_OS_UNIX
        struct stat info {};
        if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
            return s;
        s.exists = true;
        s.inode = info.st_ino;
        s.mode = info.st_mode;
        s.size = info.st_size;
        s.modifiedNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
        if (!S_ISREG(info.st_mode))
            return s;
#else
        const QFileInfo info(path);
        if (!info.exists())
            return s;
        s.exists = true;
        s.size = info.size();
        s.modifiedNs = info.lastModified().toMSecsSinceEpoch() * 1000000;
#endif
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            QCryptographicHash hash(QCryptographicHash::Sha1);
            hash.addData(&file);
            s.digest = hash.result();
        }
        return s;
    }

    bool operator==(const FileState &) const = default;
};

// The search ended the way every search must: the panel, if it was shown, hidden again after
// it was last shown; exactly one message, the last thing done; no file left open.
inline bool endedCleanly(const QStringList &log, int descriptorsBefore, QString *why)
{
    const auto shown = log.lastIndexOf(QStringLiteral("show busy"));
    const auto hidden = log.lastIndexOf(QStringLiteral("hide busy"));
    const auto messages = std::count_if(log.cbegin(), log.cend(), [](const QString &line) {
        return line.startsWith(QStringLiteral("message "));
    });
    if (shown >= 0 && hidden < shown)
        *why = QStringLiteral("the busy panel is left showing");
    else if (messages != 1 || !log.last().startsWith(QStringLiteral("message ")))
        *why = QStringLiteral("not exactly one message, at the end");
    else if (openDescriptorCount() != descriptorsBefore)
        *why = QStringLiteral("%1 files open before, %2 after")
                       .arg(descriptorsBefore)
                       .arg(openDescriptorCount());
    else
        return true;
    *why += QStringLiteral("; log: ") + log.join(QStringLiteral(", "));
    return false;
}

#define VERIFY_ENDED_CLEANLY(log, descriptorsBefore)                                              \
    do {                                                                                          \
        QString why_;                                                                             \
        QVERIFY2(endedCleanly((log), (descriptorsBefore), &why_), qPrintable(why_));              \
    } while (false)

// The largest resident set this process has had since resetPeakMemory(), in KiB; -1 where the
// system does not tell.
inline qint64 peakMemoryKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Starts measuring the peak afresh from the present size. False where that cannot be done, and
// a peak measured since the start of the process would say nothing about one search.
inline bool resetPeakMemory()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1 && clear.flush();
}
