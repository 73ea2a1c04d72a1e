#include "BlockBuffer.h"

#include "TextCoding.h"
#include "VerseFile.h"

#include <algorithm>
#include <cstring>

namespace lumaril {

namespace {

constexpr qsizetype cacheLine = 64;

} // namespace

qsizetype BlockBuffer::dropBefore(qsizetype keepFrom, qsizetype capacity)
{
    const qsizetype to = (m_offset + keepFrom) % cacheLine;
    const qsizetype shift = keepFrom - to;
    const qsizetype keep = m_filled - keepFrom;
    if (capacity > m_capacity) {
        // Not zeroed: read() writes the bytes before anything looks at them.
        auto grown = std::make_unique_for_overwrite<char[]>(std::size_t(capacity + cacheLine));
        char *const aligned = grown.get() + (cacheLine - quintptr(grown.get()) % cacheLine) % cacheLine;
        if (keep > 0)
            std::memcpy(aligned + to, m_buffer + keepFrom, std::size_t(keep));
        m_storage = std::move(grown);
        m_buffer = aligned;
        m_capacity = capacity;
    } else if (shift > 0) {
        std::memmove(m_buffer + to, m_buffer + keepFrom, std::size_t(keep));
    }
    m_filled = to + keep;
    m_offset += shift;
    return shift;
}

qint64 BlockBuffer::readBlock()
{
    const qint64 n = m_file.read(m_buffer + m_filled, std::min(m_capacity - m_filled, blockSize));
    if (n > 0)
        m_filled += qsizetype(n);
    m_atEnd = n == 0;
    return n;
}

qsizetype BlockBuffer::findMark(qsizetype from, qsizetype to) const
{
    if (from >= to)
        return npos;
    const void *mark = std::memchr(m_buffer + from, '#', std::size_t(to - from));
    return mark ? static_cast<const char *>(mark) - m_buffer : npos;
}

qsizetype BlockBuffer::lastMark(qsizetype from, qsizetype to) const
{
    const qsizetype at = from < to ? text::lastMark(m_buffer + from, to - from) : npos;
    return at == npos ? npos : from + at;
}

bool BlockBuffer::nonAsciiIn(qsizetype from, qsizetype to) const
{
    return text::firstNonAscii(m_buffer + from, to - from) < to - from;
}

} // namespace lumaril
