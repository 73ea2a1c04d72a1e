#include "RecordScanner.h"

#include "TextCoding.h"
#include "VerseFile.h"
#include "Windows1252Verdict.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace lumaril {

namespace {

constexpr qsizetype minimumRead = 16 * 1024;
// The longest record held for its test, and the most of the file kept when it is read ahead
// to choose its encoding, so that a verse file of a few megabytes is read only once.
constexpr qsizetype holdLimit = 4 * 1024 * 1024;

} // namespace

RecordScanner::RecordScanner(VerseFile &file, const SearchTerm &term)
    : BlockBuffer(file)
    , m_term(term)
{
}

void RecordScanner::compact(qsizetype keepFrom, qsizetype capacity)
{
    const qsizetype shift = dropBefore(keepFrom, capacity);
    if (shift == 0)
        return;
    m_next -= shift;
    m_searched -= shift;
    m_begin -= shift;
    m_end -= shift;
    m_candidateAhead = m_candidateAhead >= keepFrom ? m_candidateAhead - shift : npos;
    m_cleanFrom = std::max(m_cleanFrom, keepFrom) - shift;
    m_matchingRecord = npos;
}

bool RecordScanner::readMore(Stop atEnd)
{
    if (!m_atEnd && m_capacity - m_filled < minimumRead)
        compact(0, std::max(2 * m_capacity, blockSize));
    const bool first = m_offset == 0 && m_filled == 0;
    const qint64 n = m_atEnd ? 0 : readBlock();
    if (n <= 0 && m_stop == Stop::None)
        m_stop = n < 0 ? Stop::ReadFailed : atEnd;
    else if (first && text::startsWithUtf16ByteOrderMark(m_buffer, n))
        m_stop = Stop::Utf16;
    m_candidateAhead = npos;
    return n > 0 && m_stop == Stop::None;
}

bool RecordScanner::readAside(qint64 offset, const std::function<bool(const char *, qsizetype)> &look)
{
    const auto block = std::make_unique_for_overwrite<char[]>(blockSize);
    bool ok = m_file.seek(offset);
    for (qint64 n; ok && (n = m_file.read(block.get(), blockSize)) != 0;) {
        ok = n > 0;
        if (ok && look(block.get(), qsizetype(n)))
            break;
    }
    ok = m_file.seek(m_offset + m_filled) && ok;
    if (!ok)
        m_stop = Stop::ReadFailed;
    return ok;
}

bool RecordScanner::start()
{
    qsizetype mark;
    while ((mark = findMark(m_next, m_filled)) == npos) {
        // The preamble is never kept.
        m_next = m_filled;
        compact(m_next);
        if (!readMore(Stop::NoMark))
            return false;
    }
    m_next = m_searched = mark + 1;
    if (recordsLookLikeUtf16()) {
        m_stop = Stop::Utf16;
        return false;
    }
    if (m_stop != Stop::None)
        return false;
    m_sample = QByteArray(m_buffer + m_next,
                          std::min(m_filled - m_next, anchorSampleSize));
    m_matcher.emplace(m_term.letters(), TextEncoding::Utf8, m_sample);
    m_passBudget = 8 * m_matcher->longestMatch();
    return true;
}

bool RecordScanner::recordsLookLikeUtf16()
{
    // The sample, the anchors' too, runs from the first mark up to the last one, as what
    // follows that is no record: a mark after it, here or further on in the file, shows it
    // whole.
    if (m_filled - m_next <= anchorSampleSize) {
        compact(m_next);
        while (m_filled - m_next <= anchorSampleSize && readMore()) {
        }
    }
    if (m_stop != Stop::None)
        return false;
    const qsizetype sampleEnd = m_next + anchorSampleSize;
    bool whole = findMark(sampleEnd, m_filled) != npos;
    // When the first record goes on past the bytes read, its end settles it, as the scan reads
    // on to there anyway.
    m_utf16Pending = !whole && !m_atEnd && findMark(m_next, m_filled) == npos;
    if (m_utf16Pending)
        return false;
    if (!whole && !m_atEnd && m_filled > sampleEnd) {
        if (!readAside(m_offset + m_filled, [&whole](const char *data, qsizetype size) {
                whole = std::memchr(data, '#', std::size_t(size)) != nullptr;
                return whole;
            })) {
            return false;
        }
    }
    const qsizetype end = whole ? sampleEnd : lastMark(m_next, std::min(m_filled, sampleEnd));
    return end > m_next && text::nulPatternOfUtf16(m_buffer + m_next, end - m_next);
}

bool RecordScanner::next()
{
    if (m_stop != Stop::None)
        return false;
    for (;;) {
        const qsizetype mark = findMark(m_searched, m_filled);
        if (mark != npos) {
            m_held = true;
            m_begin = m_next;
            m_end = mark;
            m_next = m_searched = mark + 1;
            break;
        }
        m_searched = m_filled;
        // A record with no candidate so far: the search for them goes on into the bytes read
        // while they are still in the cache, rather than over the whole record later, and one
        // longer than half a block is passed rather than held, as it may never match.
        const bool clean = m_candidateAhead == m_filled && m_cleanFrom <= m_next
                && m_matcher->canSkip();
        if (m_filled - m_next >= (clean ? blockSize / 2 : holdLimit)) {
            if (!passLongRecord(clean))
                return false;
            break;
        }
        compact(m_next);
        const qsizetype searchedTo = m_filled;
        if (!readMore(Stop::EndOfFile))
            return false;
        if (clean) {
            m_candidateAhead = m_matcher->nextCandidate(m_buffer, searchedTo, m_filled, m_filled,
                                                        !m_encoding);
        }
    }
    if (m_utf16Pending) {
        m_utf16Pending = false;
        if (text::nulPatternOfUtf16(m_sample.data(), m_sample.size())) {
            m_stop = Stop::Utf16;
            return false;
        }
    }
    // Until the encoding is chosen, the first record with a byte outside ASCII chooses it. The
    // pass over the records before it stopped at the first candidate or such byte, and the
    // bytes up to there are ASCII.
    if (m_encoding)
        return true;
    const qsizetype ascii = m_candidateAhead != npos && m_candidateAhead > m_begin
            ? std::min(m_candidateAhead, m_end)
            : m_begin;
    return !(m_held ? nonAsciiIn(ascii, m_end) : m_longNonAscii) || decideEncoding();
}

bool RecordScanner::passLongRecord(bool clean)
{
    m_longOffset = m_offset + m_next;
    // Looked at only while the encoding is undecided; a clean record's candidate search then
    // stops at a byte outside ASCII as well, so only the bytes after it need a look of their own.
    m_longNonAscii = !clean && nonAsciiIn(m_next, m_filled);
    m_longClean = clean;
    for (;;) {
        compact(m_filled);
        const qsizetype from = m_filled;
        if (!readMore(Stop::EndOfFile))
            return false;
        const qsizetype mark = findMark(from, m_filled);
        const qsizetype end = mark == npos ? m_filled : mark;
        m_longClean = m_longClean
                && m_matcher->nextCandidate(m_buffer, from, end, m_filled, !m_encoding) == end;
        m_longNonAscii = m_longNonAscii || (!m_longClean && nonAsciiIn(from, end));
        if (mark != npos) {
            m_held = false;
            m_longSize = m_offset + mark - m_longOffset;
            m_next = m_searched = mark + 1;
            return true;
        }
    }
}

bool RecordScanner::passRecordsThatCannotMatch()
{
    if (!m_matcher->canSkip())
        return false;
    // While the encoding is undecided, the pass stops before the first record outside ASCII:
    // the search for candidates stops at its first byte outside ASCII as well.
    const bool undecided = !m_encoding;
    // Each candidate is confirmed or refused here, so that records whose candidates all fail
    // are passed as well. It is compared against all the bytes ahead, not its record alone: no
    // match spans a "#", which no term holds, so the records' bounds are needed only where
    // the pass stops. Confirming may cost about as much as the search for candidates; past
    // that, the record is left to currentMatches(). The allowance is the scan's, not each
    // pass's, as a pass may cover as little as one record.
    qsizetype at = m_next;
    bool found = false;
    for (qsizetype from = m_next;; from = at + 1) {
        if (m_candidateAhead < from) {
            m_cleanFrom = from;
            m_candidateAhead = m_matcher->nextCandidate(m_buffer, from, m_filled, m_filled,
                                                        undecided);
        }
        at = m_candidateAhead;
        m_passBudget += 2 * (at - from);
        if (at == m_filled || m_passBudget < 0
            || (undecided && static_cast<unsigned char>(m_buffer[at]) >= 0x80)) {
            break;
        }
        const auto verdict = m_matcher->confirms(m_buffer + m_next, m_filled - m_next, at - m_next,
                                                 m_passBudget, true);
        found = verdict == ByteMatcher::Verdict::Match;
        if (verdict != ByteMatcher::Verdict::NoMatch)
            break;
    }
    const qsizetype passed = lastMark(m_next, at);
    if (passed != npos) {
        m_next = passed + 1;
        m_searched = std::max(m_searched, m_next);
    }
    // The match confirmed is in the record that comes next.
    if (found)
        m_matchingRecord = m_next;
    return passed != npos;
}

bool RecordScanner::decideEncoding()
{
    // The records before this one were ASCII, valid either way: the file is UTF-8 unless an
    // invalid sequence turns up from here on with a mark after it, closing a record around it.
    Windows1252Verdict verdict;
    bool settled = false;
    qint64 aside = m_longOffset; // where the bytes that the buffer does not keep begin, if any
    if (m_held) {
        settled = verdict.settledBy(m_buffer + m_begin, m_filled - m_begin);
        // What is read to choose is kept for the scan, up to holdLimit: what the buffer keeps
        // is moved once into one large enough for the rest of the file, as its size says now.
        const qint64 rest = std::max<qint64>(0, m_file.size() - m_offset - m_filled);
        const qint64 wanted = std::min<qint64>(holdLimit, m_filled - m_begin + rest + minimumRead);
        compact(m_begin, settled ? 0 : qsizetype((wanted + blockSize - 1) / blockSize * blockSize));
        while (!settled && m_capacity - m_filled >= minimumRead) {
            const qsizetype from = m_filled;
            if (!readMore())
                break;
            settled = verdict.settledBy(m_buffer + from, m_filled - from);
        }
        if (m_stop != Stop::None)
            return false;
        m_checkedTo = m_offset + m_filled;
        aside = m_atEnd ? -1 : m_checkedTo;
    }
    // The rest, or a record too long to hold and all after it, in blocks of its own.
    if (!settled && aside >= 0
        && !readAside(aside, [&](const char *data, qsizetype size) {
               settled = verdict.settledBy(data, size);
               return settled;
           })) {
        return false;
    }
    // Should the file grow later, the scan reads on as it would have.
    m_atEnd = false;
    m_encoding = settled ? TextEncoding::Windows1252 : TextEncoding::Utf8;
    if (settled) {
        m_matcher.emplace(m_term.letters(), TextEncoding::Windows1252, m_sample);
        m_candidateAhead = m_matchingRecord = npos;
    }
    return true;
}

bool RecordScanner::currentMatches()
{
    if (m_held && m_begin == m_matchingRecord)
        return true;
    if (m_held) {
        // The pass over the records before this one stopped at its first candidate.
        const qsizetype first = m_candidateAhead >= m_begin && m_candidateAhead != npos
                ? std::min(m_candidateAhead, m_end) - m_begin
                : 0;
        return m_matcher->contains(m_buffer + m_begin, m_end - m_begin, first);
    }
    return !m_longClean && longRecordMatches();
}

bool RecordScanner::longRecordMatches()
{
    // Read again a block at a time, each decoded and verified with what the last left.
    qint64 left = m_longSize;
    bool found = false;
    m_matcher->beginPieces();
    const bool ok = readAside(m_longOffset, [&](const char *data, qsizetype size) {
        size = qsizetype(std::min<qint64>(size, left));
        left -= size;
        found = m_matcher->addPiece(data, size);
        return found || left == 0;
    });
    return ok && (found || m_matcher->piecesContain());
}

void RecordScanner::appendCurrentText(QString &out, qsizetype maxChars)
{
    const qint64 size = m_held ? m_end - m_begin : m_longSize;
    // Every code unit takes at least one byte, and a UTF-8 one at most three. While the
    // encoding is undecided, the current record is plain ASCII (else it would have decided).
    const qint64 wanted = maxChars >= size ? size
            : m_encoding != TextEncoding::Utf8 ? maxChars
                                               : std::min<qint64>(size, 3 * qint64(maxChars) + 3);
    QByteArray reread;
    QByteArrayView bytes;
    if (m_held) {
        bytes = QByteArrayView(m_buffer + m_begin, wanted);
    } else {
        reread.reserve(qsizetype(wanted));
        readAside(m_longOffset, [&](const char *data, qsizetype n) {
            reread.append(data, qsizetype(std::min<qint64>(n, wanted - reread.size())));
            return reread.size() == wanted;
        });
        bytes = reread;
    }
    const qsizetype start = out.size();
    // Plain ASCII is widened the fastest way there is.
    if (!m_encoding || text::firstNonAscii(bytes.data(), bytes.size()) == bytes.size())
        out.append(QLatin1StringView(bytes));
    else if (m_encoding == TextEncoding::Utf8)
        text::appendUtf8(out, bytes, m_held && m_offset + m_end <= m_checkedTo);
    else
        text::appendWindows1252(out, bytes);
    if (out.size() - start > maxChars) {
        out.truncate(start + maxChars);
        if (maxChars > 0 && out.back().isHighSurrogate())
            out.chop(1);
    }
}

} // namespace lumaril
