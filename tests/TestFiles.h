#pragma once

#include "OpenFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

// Verse files written by a test into a folder of its own.
class TestFiles
{
public:
    QString write(const QByteArray &bytes, const QString &name = QStringLiteral("quran.txt"))
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }
    // Puts a verse file of a kind the searches must refuse at path(): "missing", "folder",
    // "fifo", "loop" (symbolic links to each other), "nomark", "empty" or "utf16". False for
    // any other kind, which the caller makes itself.
    bool makeUnusable(QStringView kind)
    {
        const QString target = path();
        if (kind == u"missing")
            return true;
        if (kind == u"folder")
            return QDir().mkdir(target);
#ifdef Q_OS_UNIX
        if (kind == u"fifo")
            return ::mkfifo(QFile::encodeName(target).constData(), 0600) == 0;
#endif
        if (kind == u"loop")
            return QFile::link(path(QStringLiteral("other")), target)
                    && QFile::link(target, path(QStringLiteral("other")));
        if (kind == u"nomark")
            return !write("text without any mark\r\n").isEmpty();
        if (kind == u"empty")
            return !write(QByteArray()).isEmpty();
        if (kind == u"utf16")
            return !write(QByteArrayLiteral("\xFF\xFE#\0v\0#\0")).isEmpty();
        return false;
    }

    [[nodiscard]] QString path(const QString &name = QStringLiteral("quran.txt")) const
    {
        return m_dir.filePath(name);
    }

private:
    QTemporaryDir m_dir;
};

// The message a search shows for a verse file it cannot use, as the recorder logs it.
inline QString verseFileError(const QString &path, const QString &reason)
{
    return QStringLiteral("Error ! | Cannot search the verse file \"%1\": %2 !")
            .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()), reason);
}
