#include "RecordScanner.h"

#include "TextCoding.h"
#include "VerseFile.h"

#include <QStringDecoder>

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

namespace lumaril {

namespace {

constexpr qsizetype blockSize = 64 * 1024;
constexpr qsizetype minimumRead = 16 * 1024;

// A mask word covers 64 bytes. Positions and counts are never negative; dividing them as
// unsigned numbers makes these plain shifts in the walk, which runs once per record.
inline qsizetype wordOf(qsizetype at)
{
    return qsizetype(std::size_t(at) / 64);
}
inline int bitOf(qsizetype at)
{
    return int(std::size_t(at) % 64);
}
inline qsizetype wordsFor(qsizetype count)
{
    return wordOf(count + 63);
}

// The places the walk stops at: record marks, and candidates for the first in a record. The
// marks are told apart by their own bit, which lies in the same cache line.
inline quint64 stopsIn(const text::ByteMasks &masks)
{
    return masks.marks | masks.candidates;
}

bool startsWithUtf16ByteOrderMark(const char *data, qsizetype size)
{
    if (size < 2)
        return false;
    const auto b0 = static_cast<unsigned char>(data[0]);
    const auto b1 = static_cast<unsigned char>(data[1]);
    return (b0 == 0xFF && b1 == 0xFE) || (b0 == 0xFE && b1 == 0xFF);
}

// How many bytes of the records are looked at for the NUL pattern of UTF-16.
constexpr qsizetype utf16SampleSize = 4096;

// Most of the bytes in even or in odd places are NUL, as in UTF-16 text of mostly Latin
// letters. Too few bytes tell nothing.
bool nulPatternOfUtf16(const char *data, qsizetype size)
{
    const qsizetype sample = size & ~qsizetype(1);
    // Text without a NUL, which is nearly all, is passed at the speed of memchr.
    if (sample < 16 || std::memchr(data, 0, sample) == nullptr)
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

// The most of the file kept in the buffer when it is read ahead to choose its encoding: a
// verse file of ordinary size (a translation is about a megabyte) is then read only once.
constexpr qsizetype keepLimit = 4 * 1024 * 1024;

// Buffers are kept for the next scan, with their masks: taking fresh pages from the system for
// every search cost more than reading the file. One of the standard size is kept, and the
// largest of those grown up to keepLimit; scans start with the standard one, so that they read
// in blocks of the same size whatever the searches before them.
struct SparedBuffer
{
    std::unique_ptr<char[]> raw;
    std::unique_ptr<text::ByteMasks[]> masks;
    qsizetype capacity = 0;
};

struct SparedBuffers
{
    SparedBuffer standard;
    SparedBuffer grown;
};

SparedBuffers &sparedBuffers()
{
    thread_local SparedBuffers spared;
    return spared;
}

void spare(SparedBuffer buffer)
{
    auto &spared = sparedBuffers();
    if (!buffer.raw)
        return;
    if (buffer.capacity == blockSize) {
        if (!spared.standard.raw)
            spared.standard = std::move(buffer);
    } else if (buffer.capacity <= keepLimit && buffer.capacity > spared.grown.capacity) {
        spared.grown = std::move(buffer);
    }
}

// A spared buffer of at least the capacity, or none.
SparedBuffer takeSpared(qsizetype capacity)
{
    auto &spared = sparedBuffers();
    if (capacity == blockSize)
        return std::exchange(spared.standard, SparedBuffer());
    if (spared.grown.capacity >= capacity)
        return std::exchange(spared.grown, SparedBuffer());
    return {};
}

// Follows the bytes of a file as they come in, from the first record that is not ASCII, to
// tell whether the file is Windows-1252: settled once an invalid UTF-8 sequence has turned up
// with a "#" after it, closing a record around it.
struct FileIsWindows1252
{
    bool invalid = false;   // an invalid sequence was seen; a mark now settles it
    qsizetype carried = 0;  // bytes of a sequence cut by the end of the last bytes looked at

    // The bytes from data on: those carried from the last call, then new ones.
    bool settledBy(const char *data, qsizetype size)
    {
        qsizetype from = 0;
        if (!invalid) {
            const text::Utf8Check utf8 = text::checkUtf8({data, size});
            carried = utf8.cutShort ? size - utf8.validSize : 0;
            if (utf8.validSize == size || utf8.cutShort)
                return false;
            invalid = true;
            from = utf8.validSize;
        }
        return std::memchr(data + from, '#', size - from) != nullptr;
    }
};

} // namespace

RecordScanner::RecordScanner(VerseFile &file, const SearchTerm &term)
    : m_file(file)
    , m_term(term)
{
    if (term.isAscii())
        m_needle = term.asciiBytes();
}

RecordScanner::~RecordScanner()
{
    spare({std::move(m_raw), std::move(m_masks), m_capacity});
}

bool RecordScanner::refill()
{
    if (m_atEnd)
        return false;
    // Bytes that stay where they were keep their masks.
    qsizetype marked = m_filled;
    // Keep only the unfinished record.
    if (m_next > 0) {
        const qsizetype keep = m_filled - m_next;
        std::memmove(m_raw.get(), m_raw.get() + m_next, keep);
        m_filled = keep;
        marked = 0;
        m_begin = m_end = m_next = 0;
    }
    // Nothing to walk until the new bytes are marked, should none come.
    walkFrom(m_filled);
    m_nonAscii = npos;
    m_candidateAhead = npos;
    if (m_capacity - m_filled < minimumRead)
        grow(std::max(blockSize, m_capacity * 2));
    const qint64 n = m_file.read(m_raw.get() + m_filled, m_capacity - m_filled);
    if (n < 0) {
        m_stop = Stop::ReadFailed;
        return false;
    }
    if (n > 0) {
        m_readOffset += n;
        if (m_firstBlock) {
            m_firstBlock = false;
            if (startsWithUtf16ByteOrderMark(m_raw.get(), n)) {
                m_stop = Stop::Utf16;
                return false;
            }
        }
    }
    // Bytes that moved are marked again even when no new ones came, as records may still be
    // walked in them after the end of the file was found.
    if (n > 0 || marked == 0) {
        // Places up to a needle's length before the old end could not be tested as
        // candidates until the bytes after them came in.
        const qsizetype firstWord = text::firstUnsettledWord(marked, m_needle);
        m_filled += n;
        const bool nonAscii =
                text::markBytes(m_raw.get(), m_filled, firstWord, m_needle, m_masks.get());
        m_bufferNonAscii = (marked > 0 && m_bufferNonAscii) || nonAscii;
    }
    // The unfinished record is walked again from its start: its candidates may have moved,
    // and new ones may have come up near the old end.
    walkFrom(m_next);
    if (n == 0) {
        m_atEnd = true;
        return false;
    }
    return true;
}

void RecordScanner::grow(qsizetype capacity)
{
    SparedBuffer grown = takeSpared(capacity);
    if (!grown.raw) {
        // Not zeroed: read() and markBytes() write them before anything looks.
        grown.raw = std::make_unique_for_overwrite<char[]>(capacity);
        grown.masks = std::make_unique_for_overwrite<text::ByteMasks[]>(capacity / 64);
        grown.capacity = capacity;
    }
    if (m_filled > 0) {
        std::memcpy(grown.raw.get(), m_raw.get(), m_filled);
        std::memcpy(grown.masks.get(), m_masks.get(), wordsFor(m_filled) * sizeof(text::ByteMasks));
    }
    const qsizetype grownCapacity = grown.capacity;
    spare({std::exchange(m_raw, std::move(grown.raw)),
           std::exchange(m_masks, std::move(grown.masks)), m_capacity});
    m_capacity = grownCapacity;
}

void RecordScanner::walkFrom(qsizetype from)
{
    m_stopWord = wordOf(from);
    m_stopBits = from < m_filled ? stopsIn(m_masks[m_stopWord]) & (~quint64(0) << bitOf(from)) : 0;
}

// The walk runs on locals, as this is the loop that every record goes through.
inline qsizetype RecordScanner::walkToMark(qsizetype &candidate)
{
    const text::ByteMasks *masks = m_masks.get();
    const qsizetype endWord = wordsFor(m_filled);
    qsizetype word = m_stopWord;
    quint64 bits = m_stopBits;
    qsizetype mark = npos;
    for (;;) {
        while (bits == 0 && ++word < endWord)
            bits = stopsIn(masks[word]);
        if (bits == 0) {
            word = endWord;
            break;
        }
        const int bit = std::countr_zero(bits);
        const qsizetype at = word * 64 + bit;
        bits &= bits - 1;
        if (masks[word].marks >> bit & 1) {
            mark = at;
            break;
        }
        if (candidate == npos)
            candidate = at;
    }
    m_stopWord = word;
    m_stopBits = bits;
    return mark;
}

qsizetype RecordScanner::nextMarked(quint64 text::ByteMasks::*mask, qsizetype from) const
{
    if (from >= m_filled)
        return m_filled;
    qsizetype word = wordOf(from);
    quint64 bits = m_masks[word].*mask & (~quint64(0) << bitOf(from));
    const qsizetype endWord = wordsFor(m_filled);
    while (bits == 0) {
        if (++word == endWord)
            return m_filled;
        bits = m_masks[word].*mask;
    }
    return word * 64 + std::countr_zero(bits);
}

qsizetype RecordScanner::lastMarkIn(qsizetype from, qsizetype to) const
{
    if (to <= from)
        return npos;
    const qsizetype firstWord = wordOf(from);
    qsizetype word = wordOf(to - 1);
    quint64 bits = m_masks[word].marks & (~quint64(0) >> (63 - bitOf(to - 1)));
    while (bits == 0) {
        if (word == firstWord)
            return npos;
        bits = m_masks[--word].marks;
    }
    const qsizetype at = word * 64 + 63 - std::countl_zero(bits);
    return at >= from ? at : npos;
}

inline bool RecordScanner::currentHasNonAscii()
{
    if (!m_bufferNonAscii)
        return false;
    if (m_nonAscii < m_begin)
        m_nonAscii = nextMarked(&text::ByteMasks::nonAscii, m_begin);
    return m_nonAscii < m_end;
}

bool RecordScanner::start()
{
    for (;;) {
        qsizetype candidate = npos; // in the preamble: of no interest
        const qsizetype mark = walkToMark(candidate);
        if (mark != npos) {
            m_next = mark + 1;
            if (!recordsLookLikeUtf16())
                return m_stop == Stop::None;
            m_stop = Stop::Utf16;
            return false;
        }
        // The preamble is never kept: drop what was read and read on.
        m_next = m_filled;
        if (!refill()) {
            if (m_stop == Stop::None)
                m_stop = Stop::NoMark;
            return false;
        }
    }
}

bool RecordScanner::next()
{
    qsizetype candidate = npos;
    qsizetype mark;
    while ((mark = walkToMark(candidate)) == npos) {
        if (!refill()) {
            if (m_stop == Stop::None)
                m_stop = Stop::EndOfFile;
            return false;
        }
        candidate = npos; // the record is walked again from its start
    }
    m_begin = m_next;
    m_end = mark;
    m_next = mark + 1;
    m_candidate = candidate;
    m_currentNonAscii = currentHasNonAscii();
    if (m_currentNonAscii && m_encoding == Encoding::Undecided)
        return decideEncoding();
    return true;
}

bool RecordScanner::passRecordsThatCannotMatch()
{
    // The records that currentMatches() would refuse on their bytes alone: for an ASCII term,
    // those without a candidate, unless a UTF-8 letter in them may fold to ASCII; for any
    // other term, those of plain ASCII. The first record outside ASCII also decides the
    // encoding, so while it is undecided the pass stops before it.
    const bool byCandidates = !m_needle.isEmpty();
    if (!byCandidates && m_term.isAscii())
        return false;
    qsizetype until = m_filled;
    if (byCandidates) {
        // Kept as m_nonAscii is: looked up afresh for every record, a candidate far ahead
        // would cost the whole distance to it each time records must be tested one by one.
        if (m_candidateAhead < m_next)
            m_candidateAhead = nextMarked(&text::ByteMasks::candidates, m_next);
        until = m_candidateAhead;
    }
    if (m_bufferNonAscii && (!byCandidates || m_encoding != Encoding::Windows1252)) {
        if (m_nonAscii < m_next)
            m_nonAscii = nextMarked(&text::ByteMasks::nonAscii, m_next);
        until = std::min(until, m_nonAscii);
    }
    const qsizetype mark = lastMarkIn(m_next, until);
    if (mark == npos)
        return false;
    m_next = mark + 1;
    walkFrom(m_next);
    return true;
}

bool RecordScanner::recordsLookLikeUtf16()
{
    // The sample runs from the first mark up to the last one, as what follows that is no
    // record: read on until a mark shows that the sample is whole, or the file ends.
    qsizetype size = utf16SampleSize;
    while (nextMarked(&text::ByteMasks::marks, m_next + utf16SampleSize) == m_filled) {
        if (!refill()) {
            if (m_stop != Stop::None)
                return false;
            size = 0;
            for (qsizetype at = nextMarked(&text::ByteMasks::marks, m_next); at < m_filled;
                 at = nextMarked(&text::ByteMasks::marks, at + 1)) {
                size = at - m_next;
            }
            break;
        }
    }
    return nulPatternOfUtf16(m_raw.get() + m_next, size);
}

bool RecordScanner::decideEncoding()
{
    // The records before this one were ASCII, valid either way: the file is UTF-8 unless an
    // invalid sequence turns up from here on with a mark after it, closing a record around it.
    FileIsWindows1252 verdict;
    if (verdict.settledBy(m_raw.get() + m_begin, m_filled - m_begin)) {
        m_encoding = Encoding::Windows1252;
        return true;
    }
    if (m_atEnd) {
        m_encoding = Encoding::Utf8;
        return true;
    }

    // What is read to choose is kept for the scan, as far as keepLimit: the current record
    // moves to the start of the buffer, which is made large enough for the rest of the file
    // at once, as the file's size says now.
    const qsizetype begin = m_begin;
    const qsizetype end = m_end - begin;
    const qsizetype next = m_next - begin;
    const qsizetype candidate = m_candidate == npos ? npos : m_candidate - begin;
    // Where the bytes not yet looked at start once the record is at the buffer's start.
    qsizetype checkFrom = m_filled - verdict.carried - begin;
    const qint64 rest = std::max<qint64>(0, m_file.size() - m_readOffset);
    const qsizetype wanted = std::min<qint64>(keepLimit, m_filled - begin + rest + minimumRead);
    if (wanted > m_capacity)
        grow((wanted + blockSize - 1) / blockSize * blockSize);
    m_next = begin; // refill() keeps the buffer from here on
    bool settled = false;
    bool atEnd = false;
    while (!settled && m_capacity - m_filled >= minimumRead) {
        if (!refill()) {
            if (m_stop != Stop::None)
                return false;
            atEnd = true;
            break;
        }
        settled = verdict.settledBy(m_raw.get() + checkFrom, m_filled - checkFrom);
        checkFrom = m_filled - verdict.carried;
    }
    // Back on the current record, however far the buffer moved. Should the file grow later,
    // the scan reads on as it would have.
    if (m_next != 0) {
        // Nothing was read: the record did not move.
        m_next = begin + next;
    } else {
        m_begin = 0;
        m_end = end;
        m_next = next;
        m_candidate = candidate;
    }
    walkFrom(m_next);
    m_atEnd = false;
    if (settled || atEnd) {
        m_encoding = settled ? Encoding::Windows1252 : Encoding::Utf8;
        return true;
    }

    // Past keepLimit, on through the rest of the file in blocks of its own; a cut sequence is
    // carried over to just before the next block.
    constexpr qsizetype headroom = 4;
    const auto block = std::make_unique_for_overwrite<char[]>(headroom + blockSize);
    char *const data = block.get() + headroom;
    std::memcpy(data - verdict.carried, m_raw.get() + m_filled - verdict.carried, verdict.carried);
    qint64 readAhead = 0;
    while (!settled) {
        const qint64 n = m_file.read(data, blockSize);
        if (n < 0) {
            m_stop = Stop::ReadFailed;
            return false;
        }
        if (n == 0)
            break;
        readAhead += n;
        char *const from = data - verdict.carried;
        const qsizetype size = n + verdict.carried;
        settled = verdict.settledBy(from, size);
        std::memmove(data - verdict.carried, from + size - verdict.carried, verdict.carried);
    }
    m_encoding = settled ? Encoding::Windows1252 : Encoding::Utf8;
    if (readAhead == 0)
        return true;

    // Back to where the scan was. The file may have changed meanwhile; the scan then goes on
    // with what is there now, as it would have anyway.
    if (!m_file.seek(m_readOffset)) {
        m_stop = Stop::ReadFailed;
        return false;
    }
    return true;
}

bool RecordScanner::asciiRecordMatches() const
{
    // Each candidate is compared at most once, as records do not overlap.
    const qsizetype lastStart = m_end - m_needle.size();
    for (qsizetype at = m_candidate; at != npos && at <= lastStart;
         at = nextMarked(&text::ByteMasks::candidates, at + 1)) {
        if (text::startsWithIgnoringAsciiCase(m_raw.get() + at, m_needle))
            return true;
    }
    return false;
}

bool RecordScanner::currentMatches()
{
    if (m_begin == m_end)
        return false;
    // Byte-level matching is exact unless a record holds UTF-8 letters that fold to ASCII (the
    // Kelvin sign, the long s); Windows-1252 has none. Most records of the verse file end
    // here, on finding no candidate.
    if (!m_needle.isEmpty() && (!m_currentNonAscii || m_encoding == Encoding::Windows1252))
        return m_candidate != npos && asciiRecordMatches();
    if (m_term.isEmpty())
        return true;
    // ASCII folds to ASCII, so plain ASCII text cannot hold a term that does not.
    if (!m_term.isAscii() && !m_currentNonAscii)
        return false;
    return m_term.isContainedIn(currentText());
}

QString RecordScanner::currentText() const
{
    const QByteArrayView bytes(m_raw.get() + m_begin, m_end - m_begin);
    if (!m_currentNonAscii)
        return QString::fromLatin1(bytes);
    if (m_encoding == Encoding::Utf8) {
        // QString::fromUtf8() would drop a U+FEFF that starts the record.
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        return decoder.decode(bytes);
    }
    return text::fromWindows1252(bytes);
}

} // namespace lumaril
