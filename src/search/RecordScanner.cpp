#include "RecordScanner.h"

#include "TextCoding.h"
#include "VerseFile.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

namespace lumaril {

namespace {

constexpr qsizetype blockSize = 64 * 1024;
constexpr qsizetype minimumRead = 16 * 1024;

// A file is taken for UTF-16 when it starts with a UTF-16 byte order mark, or when, without
// one, most of the bytes in even or in odd positions of its first block are NUL, as they are
// for mostly-Latin text in UTF-16. A few stray NULs in 8-bit text do not qualify.
bool looksLikeUtf16(const char *data, qsizetype size)
{
    if (size >= 2) {
        const auto b0 = static_cast<unsigned char>(data[0]);
        const auto b1 = static_cast<unsigned char>(data[1]);
        if ((b0 == 0xFF && b1 == 0xFE) || (b0 == 0xFE && b1 == 0xFF))
            return true;
    }
    const qsizetype sample = std::min<qsizetype>(size, 4096) & ~qsizetype(1);
    if (sample < 16)
        return false;
    qsizetype nulEven = 0;
    qsizetype nulOdd = 0;
    for (qsizetype i = 0; i < sample; i += 2) {
        nulEven += data[i] == 0;
        nulOdd += data[i + 1] == 0;
    }
    const qsizetype pairs = sample / 2;
    return nulEven * 10 >= pairs * 7 || nulOdd * 10 >= pairs * 7;
}

// Blocks of the standard size are kept for the next scan: taking fresh pages from the system
// for every search cost more than reading the file. One is kept.
std::vector<std::unique_ptr<char[]>> &sparedBlocks()
{
    thread_local std::vector<std::unique_ptr<char[]>> blocks;
    return blocks;
}

std::unique_ptr<char[]> takeBlock(qsizetype capacity)
{
    auto &spared = sparedBlocks();
    if (capacity == blockSize && !spared.empty()) {
        auto block = std::move(spared.back());
        spared.pop_back();
        return block;
    }
    // Not zeroed: read() writes the buffer before anything looks at it.
    return std::make_unique_for_overwrite<char[]>(capacity);
}

void spareBlock(std::unique_ptr<char[]> block, qsizetype capacity)
{
    auto &spared = sparedBlocks();
    if (block && capacity == blockSize && spared.empty())
        spared.push_back(std::move(block));
}

} // namespace

RecordScanner::~RecordScanner()
{
    spareBlock(std::move(m_raw), m_capacity);
}

RecordScanner::RecordScanner(VerseFile &file, const SearchTerm &term)
    : m_file(file)
    , m_term(term)
{
}

void RecordScanner::reset()
{
    m_filled = m_next = m_searchFrom = m_begin = m_end = 0;
    m_atEnd = false;
    m_firstBlock = true;
    m_stop = Stop::None;
    m_decodedNonAscii = false;
    m_bufferNonAscii = false;
    m_hitFrom = m_hit = m_highFrom = m_high = npos;
}

bool RecordScanner::refill()
{
    if (m_atEnd)
        return false;
    // Keep only the unfinished record.
    if (m_next > 0) {
        const qsizetype keep = m_filled - m_next;
        std::memmove(m_raw.get(), m_raw.get() + m_next, keep);
        m_searchFrom -= m_next;
        m_filled = keep;
        m_bufferNonAscii = text::hasNonAscii(m_raw.get(), keep);
        m_begin = m_end = m_next = 0;
    }
    m_hitFrom = m_highFrom = npos;
    if (m_capacity - m_filled < minimumRead)
        grow(std::max(blockSize, m_capacity * 2));
    const qint64 n = m_file.read(m_raw.get() + m_filled, m_capacity - m_filled);
    if (n < 0) {
        m_stop = Stop::ReadFailed;
        return false;
    }
    if (n == 0) {
        m_atEnd = true;
        return false;
    }
    if (m_firstBlock) {
        m_firstBlock = false;
        if (looksLikeUtf16(m_raw.get(), n)) {
            m_stop = Stop::Utf16;
            return false;
        }
    }
    m_bufferNonAscii = m_bufferNonAscii || text::hasNonAscii(m_raw.get() + m_filled, n);
    m_filled += n;
    return true;
}

void RecordScanner::grow(qsizetype capacity)
{
    auto raw = takeBlock(capacity);
    if (m_filled > 0)
        std::memcpy(raw.get(), m_raw.get(), m_filled);
    spareBlock(std::exchange(m_raw, std::move(raw)), m_capacity);
    m_capacity = capacity;
}

bool RecordScanner::start()
{
    for (;;) {
        const void *mark = std::memchr(m_raw.get() + m_searchFrom, '#', m_filled - m_searchFrom);
        if (mark) {
            m_next = m_searchFrom = static_cast<const char *>(mark) - m_raw.get() + 1;
            return true;
        }
        // The preamble is never kept: drop what was read and read on.
        m_next = m_searchFrom = m_filled;
        if (!refill()) {
            if (m_stop == Stop::None)
                m_stop = Stop::NoMark;
            return false;
        }
    }
}

bool RecordScanner::next()
{
    for (;;) {
        const void *mark = std::memchr(m_raw.get() + m_searchFrom, '#', m_filled - m_searchFrom);
        if (mark) {
            m_begin = m_next;
            m_end = static_cast<const char *>(mark) - m_raw.get();
            m_next = m_searchFrom = m_end + 1;
            m_currentNonAscii = currentHasNonAscii();
            if (m_currentNonAscii && m_encoding == Encoding::Utf8) {
                const QByteArrayView bytes(m_raw.get() + m_begin, m_end - m_begin);
                if (text::isValidUtf8(bytes)) {
                    m_decodedNonAscii = true;
                } else if (m_decodedNonAscii) {
                    m_stop = Stop::Restart;
                    return false;
                } else {
                    // Nothing decoded so far depended on the choice: switch quietly.
                    m_encoding = Encoding::Windows1252;
                }
            }
            return true;
        }
        m_searchFrom = m_filled;
        if (!refill()) {
            if (m_stop == Stop::None)
                m_stop = Stop::EndOfFile;
            return false;
        }
    }
}

bool RecordScanner::currentHasNonAscii()
{
    if (!m_bufferNonAscii)
        return false;
    if (m_highFrom == npos || m_highFrom > m_begin || (m_high != npos && m_high < m_begin)) {
        const char *base = m_raw.get();
        const char *found = text::findNonAscii(base + m_begin, base + m_filled);
        m_highFrom = m_begin;
        m_high = found == base + m_filled ? npos : found - base;
    }
    return m_high != npos && m_high < m_end;
}

bool RecordScanner::asciiRecordMatches()
{
    const QByteArray &needle = m_term.asciiBytes();
    if (m_hitFrom == npos || m_hitFrom > m_begin || (m_hit != npos && m_hit < m_begin)) {
        const char *hay = m_raw.get() + m_begin;
        const char *found = text::findIgnoringAsciiCase(hay, m_filled - m_begin, needle);
        m_hitFrom = m_begin;
        m_hit = found ? m_begin + (found - hay) : npos;
    }
    return m_hit != npos && m_hit + needle.size() <= m_end;
}

bool RecordScanner::currentMatches()
{
    if (m_begin == m_end)
        return false;
    if (m_term.isEmpty())
        return true;
    if (m_term.isAscii()) {
        // Byte-level matching is exact unless a record holds UTF-8 letters that fold to
        // ASCII (the Kelvin sign, the long s); Windows-1252 has none.
        if (!m_currentNonAscii || m_encoding == Encoding::Windows1252)
            return asciiRecordMatches();
    } else if (!m_currentNonAscii) {
        // ASCII folds to ASCII, so plain ASCII text cannot hold a term that does not.
        return false;
    }
    return m_term.isContainedIn(currentText());
}

QString RecordScanner::currentText() const
{
    const QByteArrayView bytes(m_raw.get() + m_begin, m_end - m_begin);
    if (!m_currentNonAscii)
        return QString::fromLatin1(bytes);
    if (m_encoding == Encoding::Utf8)
        return QString::fromUtf8(bytes);
    return text::fromWindows1252(bytes);
}

bool RecordScanner::restartAsWindows1252()
{
    reset();
    m_encoding = Encoding::Windows1252;
    if (!m_file.rewind()) {
        m_stop = Stop::ReadFailed;
        return false;
    }
    return true;
}

} // namespace lumaril
