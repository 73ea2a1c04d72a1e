#include "Windows1252Check.h"

#include "TextCoding.h"

#include <algorithm>
#include <cstring>

namespace lumaril {

bool Windows1252Check::showsWindows1252(const char *data, qsizetype size)
{
    qsizetype from = 0;
    if (!m_invalid && m_cutSize > 0) {
        const qsizetype take = std::min<qsizetype>(size, 4 - m_cutSize);
        std::memcpy(m_cut + m_cutSize, data, std::size_t(take));
        const text::Utf8Check joined = text::checkUtf8({m_cut, m_cutSize + take});
        if (joined.cutShort && joined.validSize == 0) {
            m_cutSize += take;
            return false;
        }
        m_invalid = joined.validSize == 0;
        // Past the bytes found whole and valid after what was cut.
        from = m_invalid ? 0 : joined.validSize - m_cutSize;
        m_cutSize = 0;
    }
    if (!m_invalid) {
        const text::Utf8Check utf8 = text::checkUtf8({data + from, size - from});
        from += utf8.validSize;
        if (utf8.cutShort) {
            m_cutSize = size - from;
            std::memcpy(m_cut, data + from, std::size_t(m_cutSize));
            return false;
        }
        m_invalid = from < size;
    }
    return m_invalid && std::memchr(data + from, '#', std::size_t(size - from)) != nullptr;
}

} // namespace lumaril
