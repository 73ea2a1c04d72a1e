#pragma once

#include <QtGlobal>

#include <memory>

namespace lumaril {

class VerseFile;

// How much of a verse file the searches read at a time. Public so that a benchmark's reference
// read can read as they do.
inline constexpr qsizetype verseBlockSize = 96 * 1024;

// The bytes of a verse file, read a block at a time into one buffer that grows to hold what is
// kept. Every place is an offset in the file: the buffer keeps the bytes from keptFrom() up to
// readTo(), where the next read goes on. The buffer starts on a cache line, and a byte keeps
// its place within a line between the file and the buffer, as the system copies whole lines
// faster. What the bytes mean is left to the class built on it (RecordScanner).
class BlockBuffer
{
protected:
    static constexpr qint64 npos = -1;
    static constexpr qsizetype blockSize = verseBlockSize;
    // A buffer with less room than this is full: a read into it would be too small.
    static constexpr qsizetype minimumRead = 16 * 1024;

    explicit BlockBuffer(VerseFile &file)
        : m_file(file)
    {
    }

    [[nodiscard]] qint64 keptFrom() const { return m_offset; }
    [[nodiscard]] qint64 readTo() const { return m_offset + m_filled; }
    // The byte at offset in the file, which the buffer must keep.
    [[nodiscard]] const char *bytesAt(qint64 offset) const { return m_buffer + (offset - m_offset); }
    [[nodiscard]] bool full() const { return m_capacity - m_filled < minimumRead; }
    // Whether the last read met the end of the file.
    [[nodiscard]] bool atEnd() const { return m_atEnd; }

    // Drops the bytes before keepFrom, moving the rest to the start, and into a new buffer
    // when capacity is more than the buffer's.
    void dropBefore(qint64 keepFrom, qsizetype capacity = 0);
    // Reads up to a block after what the buffer holds, however large the room, so that what
    // looks at the bytes read finds them still in the cache; a full buffer grows first. The
    // bytes read; 0 at the end of the file, and from then on without reading until
    // readPastEnd(); -1 on failure.
    qint64 readBlock();
    // Lets the next read look past the end met, as the file may have grown since.
    void readPastEnd() { m_atEnd = false; }
    [[nodiscard]] qint64 findMark(qint64 from, qint64 to) const;
    [[nodiscard]] qint64 lastMark(qint64 from, qint64 to) const;
    [[nodiscard]] bool nonAsciiIn(qint64 from, qint64 to) const;

    VerseFile &m_file;

private:
    static constexpr qsizetype cacheLine = 64;

    std::unique_ptr<char[]> m_storage;
    char *m_buffer = nullptr; // in m_storage, at the start of a cache line
    qsizetype m_capacity = 0;
    qsizetype m_filled = 0;
    qint64 m_offset = 0; // where the buffer's first byte is in the file, or would be
    bool m_atEnd = false;
};

} // namespace lumaril
