#pragma once

#include <QtGlobal>

#include <memory>

namespace lumaril {

class VerseFile;

// How much of a verse file the searches read at a time. Public so that a benchmark's reference
// read can read as they do.
inline constexpr qsizetype verseBlockSize = 96 * 1024;

// The bytes of a verse file, read a block at a time into one buffer that grows to hold what is
// kept. The buffer starts on a cache line, and a byte keeps its place within a line between the
// file and the buffer, as the system copies whole lines faster. What the bytes mean is left to
// the class built on it (RecordScanner).
class BlockBuffer
{
protected:
    static constexpr qsizetype npos = -1;
    static constexpr qsizetype blockSize = verseBlockSize;

    explicit BlockBuffer(VerseFile &file)
        : m_file(file)
    {
    }

    // Drops the bytes before keepFrom, moving the rest to the start, and into a new buffer
    // when capacity is more than the buffer's; how far they moved, or 0.
    qsizetype dropBefore(qsizetype keepFrom, qsizetype capacity = 0);
    // Reads up to a block after what the buffer holds, however large the room, so that what
    // looks at the bytes read finds them still in the cache. The bytes read, 0 at the end of
    // the file (m_atEnd), -1 on failure.
    qint64 readBlock();
    [[nodiscard]] qsizetype findMark(qsizetype from, qsizetype to) const;
    [[nodiscard]] qsizetype lastMark(qsizetype from, qsizetype to) const;
    [[nodiscard]] bool nonAsciiIn(qsizetype from, qsizetype to) const;

    VerseFile &m_file;
    std::unique_ptr<char[]> m_storage;
    char *m_buffer = nullptr; // in m_storage, at the start of a cache line
    qsizetype m_capacity = 0;
    qsizetype m_filled = 0;
    qint64 m_offset = 0; // where the buffer's first byte is in the file, or would be
    bool m_atEnd = false;
};

} // namespace lumaril
