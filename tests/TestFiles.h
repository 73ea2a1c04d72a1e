#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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
    [[nodiscard]] QString path(const QString &name = QStringLiteral("quran.txt")) const
    {
        return m_dir.filePath(name);
    }

private:
    QTemporaryDir m_dir;
};

// Open file descriptors of this process; -1 where the system does not tell.
inline int openDescriptorCount()
{
    const QDir fds(QStringLiteral("/proc/self/fd"));
    if (!fds.exists())
        return -1;
    return int(fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size());
}
