#include "Windows1252Verdict.h"

#include "TextCoding.h"

#include <algorithm>
#include <cstring>

namespace lumaril {

namespace {

int sequenceLength(unsigned char lead)
{
    return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}

} // namespace

bool Windows1252Verdict::settledBy(const char *data, qsizetype size)
{
    if (m_invalid)
        return std::memchr(data, '#', std::size_t(size)) != nullptr;
    qsizetype from = 0;
    if (m_cutSize > 0) {
        const qsizetype take = std::min<qsizetype>(size, 4 - m_cutSize);
        std::memcpy(m_cut + m_cutSize, data, std::size_t(take));
        const text::Utf8Check joined = text::checkUtf8({m_cut, m_cutSize + take});
        if (joined.cutShort && joined.validSize == 0) {
            m_cutSize += take;
            return false;
        }
        if (joined.validSize == 0)
            return invalidFrom(data, size, 0);
        from = sequenceLength(static_cast<unsigned char>(m_cut[0])) - m_cutSize;
        m_cutSize = 0;
    }
    const text::Utf8Check utf8 = text::checkUtf8({data + from, size - from});
    if (utf8.cutShort) {
        m_cutSize = size - from - utf8.validSize;
        std::memcpy(m_cut, data + from + utf8.validSize, std::size_t(m_cutSize));
        return false;
    }
    if (from + utf8.validSize == size)
        return false;
    return invalidFrom(data, size, from + utf8.validSize);
}

bool Windows1252Verdict::invalidFrom(const char *data, qsizetype size, qsizetype at)
{
    m_invalid = true;
    return std::memchr(data + at, '#', std::size_t(size - at)) != nullptr;
}

} // namespace lumaril
