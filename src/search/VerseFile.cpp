#include "VerseFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace lumaril {

namespace {

#ifdef Q_OS_UNIX
QString reasonForErrno(int error)
{
    switch (error) {
    case ENOENT:
        return QStringLiteral("it does not exist");
    case EACCES:
    case EPERM:
        return QStringLiteral("you are not allowed to read it");
    case ELOOP:
        return QStringLiteral("its name leads into a loop of symbolic links");
    case ENOTDIR:
        return QStringLiteral("a part of its path is not a folder");
    case EISDIR:
        return QStringLiteral("it is a folder, not a file");
    case ENAMETOOLONG:
        return QStringLiteral("its path is too long");
    default:
        return QString::fromLocal8Bit(std::strerror(error)).toLower();
    }
}
#endif

} // namespace

VerseFile::VerseFile(QString fileName)
    : m_fileName(std::move(fileName))
{
}

VerseFile::~VerseFile()
{
    close();
}

QString VerseFile::fullPath() const
{
    return QDir::toNativeSeparators(QFileInfo(m_fileName).absoluteFilePath());
}

#ifdef Q_OS_UNIX

bool VerseFile::open()
{
    close();
    // O_NONBLOCK keeps open() from waiting for a writer when the name is a FIFO; it is
    // refused just below, and reading a regular file never blocks anyway.
    const QByteArray name = QFile::encodeName(m_fileName);
    int fd;
    do {
        fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        m_failureReason = reasonForErrno(errno);
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        m_failureReason = reasonForErrno(errno);
        ::close(fd);
        return false;
    }
    if (S_ISDIR(info.st_mode) || !S_ISREG(info.st_mode)) {
        m_failureReason = S_ISDIR(info.st_mode)
                ? QStringLiteral("it is a folder, not a file")
                : QStringLiteral("it is not a regular file (it is a pipe, a device or a socket)");
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

qint64 VerseFile::read(char *buffer, qint64 maxSize)
{
    if (m_fd < 0) {
        m_failureReason = QStringLiteral("it is not open");
        return -1;
    }
    ssize_t n;
    do {
        n = ::read(m_fd, buffer, static_cast<size_t>(maxSize));
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        m_failureReason = QStringLiteral("reading it failed (%1)").arg(reasonForErrno(errno));
        return -1;
    }
    return n;
}

bool VerseFile::rewind()
{
    if (m_fd >= 0 && ::lseek(m_fd, 0, SEEK_SET) == 0)
        return true;
    m_failureReason = QStringLiteral("it could not be read again from its start");
    return false;
}

void VerseFile::close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

bool VerseFile::isOpen() const
{
    return m_fd >= 0;
}

#else

bool VerseFile::open()
{
    close();
    const QFileInfo info(m_fileName);
    if (!info.exists()) {
        m_failureReason = QStringLiteral("it does not exist");
        return false;
    }
    if (info.isDir()) {
        m_failureReason = QStringLiteral("it is a folder, not a file");
        return false;
    }
    if (!info.isFile()) {
        m_failureReason = QStringLiteral("it is not a regular file");
        return false;
    }
    m_file.setFileName(m_fileName);
    if (!m_file.open(QIODevice::ReadOnly)) {
        m_failureReason = m_file.errorString().toLower();
        return false;
    }
    return true;
}

qint64 VerseFile::read(char *buffer, qint64 maxSize)
{
    const qint64 n = m_file.read(buffer, maxSize);
    if (n < 0)
        m_failureReason = QStringLiteral("reading it failed (%1)").arg(m_file.errorString());
    return n;
}

bool VerseFile::rewind()
{
    if (m_file.seek(0))
        return true;
    m_failureReason = QStringLiteral("it could not be read again from its start");
    return false;
}

void VerseFile::close()
{
    m_file.close();
}

bool VerseFile::isOpen() const
{
    return m_file.isOpen();
}

#endif

} // namespace lumaril
