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
#else
#include <string>
#include <windows.h>
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
        return plainReason(QString::fromLocal8Bit(std::strerror(error)), static_cast<unsigned long>(error));
    }
}
#else
// A reason in the same words as on other systems where there is one, otherwise the system's
// own text, made to fit inside a sentence: "The device is not ready.\r\n" becomes
// "the device is not ready", so that the message does not end in ". !".
QString reasonForError(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return QStringLiteral("it does not exist");
    case ERROR_ACCESS_DENIED:
        return QStringLiteral("you are not allowed to read it");
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return QStringLiteral("another program has it open and lets no one else read it");
    case ERROR_FILENAME_EXCED_RANGE:
        return QStringLiteral("its path is too long");
    case ERROR_CANT_RESOLVE_FILENAME:
        return QStringLiteral("its name leads into a loop of symbolic links");
    default:
        break;
    }
    wchar_t *text = nullptr;
    const DWORD length = ::FormatMessageW(
            FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, error, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    QString reason = length ? QString::fromWCharArray(text, int(length)) : QString();
    if (text)
        ::LocalFree(text);
    return plainReason(reason, error);
}
#endif

} // namespace

QString plainReason(QString systemText, unsigned long code)
{
    QString reason = systemText.simplified();
    while (reason.endsWith(u'.') || reason.endsWith(u'!'))
        reason = reason.chopped(1).trimmed();
    if (reason.isEmpty())
        return QStringLiteral("system error %1").arg(code);
    // "The device ..." reads on as "the device ...", but "UNC paths ..." stays as it is.
    if (reason.size() < 2 || !reason.at(1).isUpper())
        reason[0] = reason.at(0).toLower();
    return reason;
}

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

bool VerseFile::isInCurrentFolder() const
{
    return QFileInfo(m_fileName).isRelative();
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
    m_missing = fd < 0 && errno == ENOENT;
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
    if (m_beforeRead)
        m_beforeRead();
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

bool VerseFile::seek(qint64 offset)
{
    if (m_fd >= 0 && ::lseek(m_fd, off_t(offset), SEEK_SET) == off_t(offset))
        return true;
    m_failureReason = QStringLiteral("it could not be read again where the search was");
    return false;
}

qint64 VerseFile::size() const
{
    struct stat info {};
    return m_fd >= 0 && ::fstat(m_fd, &info) == 0 ? qint64(info.st_size) : -1;
}

void VerseFile::close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

#else

bool VerseFile::open()
{
    close();
    const std::wstring name = QDir::toNativeSeparators(m_fileName).toStdWString();
    // Other programs may go on writing, replacing or deleting the file while a search reads
    // it, as they can on other systems: the search reads what it has open, and the next
    // search sees the file as it is then.
    HANDLE handle = ::CreateFileW(name.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    m_missing = false;
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        m_missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        // Opening a folder as a file is refused as "access denied".
        const DWORD attributes = ::GetFileAttributesW(name.c_str());
        if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES
            && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            m_failureReason = QStringLiteral("it is a folder, not a file");
        else
            m_failureReason = reasonForError(error);
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(handle) != FILE_TYPE_DISK) {
        m_failureReason = QStringLiteral("it is not a regular file (it is a pipe or a device)");
        ::CloseHandle(handle);
        return false;
    }
    if (!::GetFileInformationByHandle(handle, &info)) {
        m_failureReason = reasonForError(::GetLastError());
        ::CloseHandle(handle);
        return false;
    }
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        m_failureReason = QStringLiteral("it is a folder, not a file");
        ::CloseHandle(handle);
        return false;
    }
    m_handle = handle;
    return true;
}

qint64 VerseFile::read(char *buffer, qint64 maxSize)
{
    if (m_beforeRead)
        m_beforeRead();
    if (!m_handle) {
        m_failureReason = QStringLiteral("it is not open");
        return -1;
    }
    const DWORD wanted = static_cast<DWORD>(qMin<qint64>(maxSize, 1 << 30));
    DWORD n = 0;
    if (!::ReadFile(static_cast<HANDLE>(m_handle), buffer, wanted, &n, nullptr)) {
        m_failureReason = QStringLiteral("reading it failed (%1)").arg(reasonForError(::GetLastError()));
        return -1;
    }
    return n;
}

bool VerseFile::seek(qint64 offset)
{
    LARGE_INTEGER to{};
    to.QuadPart = offset;
    if (m_handle && ::SetFilePointerEx(static_cast<HANDLE>(m_handle), to, nullptr, FILE_BEGIN))
        return true;
    m_failureReason = QStringLiteral("it could not be read again where the search was");
    return false;
}

qint64 VerseFile::size() const
{
    LARGE_INTEGER size{};
    return m_handle && ::GetFileSizeEx(static_cast<HANDLE>(m_handle), &size) ? qint64(size.QuadPart) : -1;
}

void VerseFile::close()
{
    if (m_handle) {
        ::CloseHandle(static_cast<HANDLE>(m_handle));
        m_handle = nullptr;
    }
}

#endif

} // namespace lumaril
