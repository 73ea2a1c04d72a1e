#include "BlockBuffer.h"

#include "TextCoding.h"
#include "VerseFile.h"

#include <algorithm>
#include <cstring>

namespace lumaril {

void BlockBuffer::dropBefore(qint64 keepFrom, qsizetype capacity)
{
    const qsizetype from = qsizetype(keepFrom - m_offset);
    const qsizetype to = qsizetype(keepFrom % cacheLine);
    const qsizetype keep = m_filled - from;
    if (capacity > m_capacity) {
        // Not zeroed: read() writes the bytes before anything looks at them.
        auto grown = std::make_unique_for_overwrite<char[]>(std::size_t(capacity + cacheLine));
        char *const aligned = grown.get() + (cacheLine - quintptr(grown.get()) % cacheLine) % cacheLine;
        if (keep > 0)
            std::memcpy(aligned + to, m_buffer + from, std::size_t(keep));
        m_storage = std::move(grown);
        m_buffer = aligned;
        m_capacity = capacity;
    } else if (from > to) {
        std::memmove(m_buffer + to, m_buffer + from, std::size_t(keep));
    }
    m_filled = to + keep;
    m_offset = keepFrom - to;
}

qint64 BlockBuffer::readBlock()
{
    if (m_atEnd)
        return 0;
    if (full())
        dropBefore(m_offset, std::max(2 * m_capacity, blockSize));
    const qint64 n = m_file.read(m_buffer + m_filled, std::min(m_capacity - m_filled, blockSize));
    if (n > 0)
        m_filled += qsizetype(n);
    m_atEnd = n == 0;
    return n;
}

qint64 BlockBuffer::findMark(qint64 from, qint64 to) const
{
    if (from >= to)
        return npos;
    const void *mark = std::memchr(bytesAt(from), '#', std::size_t(to - from));
    return mark ? from + (static_cast<const char *>(mark) - bytesAt(from)) : npos;
}

qint64 BlockBuffer::lastMark(qint64 from, qint64 to) const
{
    const qsizetype at = from < to ? text::lastMark(bytesAt(from), qsizetype(to - from)) : -1;
    return at < 0 ? npos : from + at;
}

bool BlockBuffer::nonAsciiIn(qint64 from, qint64 to) const
{
    return text::firstNonAscii(bytesAt(from), qsizetype(to - from)) < to - from;
}

} // namespace lumaril
