#pragma once

#include <QString>

#include <functional>

namespace lumaril {

// A system's error text made to fit inside one of the program's messages, which end in " !":
// one line, no closing full stop, a small first letter unless the first word is all capitals;
// "system error <code>" when the text is empty.
[[nodiscard]] QString plainReason(QString systemText, unsigned long code);

// The verse file opened for one search. The file is open from open() until close() or
// destruction, never longer; it is only ever read.
//
// Only regular files are read: a folder, a pipe, a device or a socket by the file's name is
// refused before anything is read from it, so a FIFO can never block the program.
class VerseFile
{
public:
    explicit VerseFile(QString fileName);
    ~VerseFile();
    VerseFile(const VerseFile &) = delete;
    VerseFile &operator=(const VerseFile &) = delete;

    // False when the file cannot be read; failureReason() then says why.
    [[nodiscard]] bool open();
    // Up to maxSize bytes; 0 at the end of the file, -1 on a read failure (see failureReason()).
    [[nodiscard]] qint64 read(char *buffer, qint64 maxSize);
    // Runs before every read: a scan of a large file, or one from a slow disk, goes through
    // here every block, matches or not.
    void setBeforeRead(std::function<void()> hook) { m_beforeRead = std::move(hook); }
    // Goes to the byte at offset from the start; reading past the end then gives 0. False on
    // failure.
    [[nodiscard]] bool seek(qint64 offset);
    // The size of the open file as it is now, or -1 when the system cannot tell.
    [[nodiscard]] qint64 size() const;
    void close();

    // The absolute path, with the platform's separators, as messages show it.
    [[nodiscard]] QString fullPath() const;
    // Why the last operation failed, in plain words, e.g. "it does not exist".
    [[nodiscard]] QString failureReason() const { return m_failureReason; }
    // True when the last open() found nothing by the file's name.
    [[nodiscard]] bool isMissing() const { return m_missing; }
    // True when the name is relative, so that the file is looked for in the current folder.
    [[nodiscard]] bool isInCurrentFolder() const;

private:
    QString m_fileName;
    QString m_failureReason;
    std::function<void()> m_beforeRead;
    bool m_missing = false;
#ifdef Q_OS_UNIX
    int m_fd = -1;
#else
    void *m_handle = nullptr; // a Windows HANDLE; windows.h stays out of this header
#endif
};

} // namespace lumaril
