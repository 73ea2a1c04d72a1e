#include "RecordScanner.h"

#include "TextCoding.h"
#include "VerseFile.h"
#include "Windows1252Check.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace lumaril {

RecordScanner::RecordScanner(VerseFile &file, const SearchTerm &term,
                             std::function<void()> whileTesting)
    : BlockBuffer(file)
    , m_term(term)
    , m_whileTesting(std::move(whileTesting))
{
}

bool RecordScanner::readMore(Stop atEnd)
{
    const qint64 n = readBlock();
    // The first read, the one that ends n bytes into the file, shows any byte order mark.
    if (n <= 0 && m_stop == Stop::None)
        m_stop = n < 0 ? Stop::ReadFailed : atEnd;
    else if (readTo() == n && text::startsWithUtf16ByteOrderMark(bytesAt(0), qsizetype(n)))
        m_stop = Stop::Utf16;
    m_ahead.to = npos;
    return n > 0 && m_stop == Stop::None;
}

bool RecordScanner::readSeparately(qint64 offset, const std::function<bool(const char *, qsizetype)> &look)
{
    const auto block = std::make_unique_for_overwrite<char[]>(blockSize);
    bool ok = m_file.seek(offset);
    for (qint64 n; ok && (n = m_file.read(block.get(), blockSize)) != 0;) {
        ok = n > 0;
        if (ok && look(block.get(), qsizetype(n)))
            break;
    }
    ok = m_file.seek(readTo()) && ok;
    if (!ok)
        m_stop = Stop::ReadFailed;
    return ok;
}

bool RecordScanner::start()
{
    qint64 mark;
    while ((mark = findMark(m_next, readTo())) == npos) {
        // The preamble is never kept.
        m_next = readTo();
        dropBefore(m_next);
        if (!readMore(Stop::NoMark))
            return false;
    }
    m_next = m_searched = mark + 1;
    if (recordsLookLikeUtf16())
        m_stop = Stop::Utf16;
    if (m_stop != Stop::None)
        return false;
    m_sample = QByteArray(bytesAt(m_next), std::min(qsizetype(readTo() - m_next), rareLetterSampleSize));
    m_matcher.emplace(m_term.letters(), TextEncoding::Utf8, m_sample);
    m_ahead.budget = 8 * m_matcher->longestMatch();
    return true;
}

bool RecordScanner::recordsLookLikeUtf16()
{
    // The sample, the rare letters' too, runs from the first mark up to the last one, as what
    // follows that is no record: a mark after it, here or further on in the file, shows it
    // whole.
    if (readTo() - m_next <= rareLetterSampleSize) {
        dropBefore(m_next);
        while (readTo() - m_next <= rareLetterSampleSize && readMore()) {
        }
    }
    if (m_stop != Stop::None)
        return false;
    const qint64 sampleEnd = m_next + rareLetterSampleSize;
    bool whole = findMark(sampleEnd, readTo()) != npos;
    // When the first record goes on past the bytes read, its end decides, as the scan reads on
    // to there anyway.
    m_checkUtf16Later = !whole && !atEnd() && findMark(m_next, readTo()) == npos;
    if (m_checkUtf16Later)
        return false;
    if (!whole && !atEnd() && readTo() > sampleEnd
        && !readSeparately(readTo(), [&whole](const char *data, qsizetype size) {
               whole = std::memchr(data, '#', std::size_t(size)) != nullptr;
               return whole;
           })) {
        return false;
    }
    const qint64 end = whole ? sampleEnd : lastMark(m_next, std::min(readTo(), sampleEnd));
    return end > m_next && text::nulPatternOfUtf16(bytesAt(m_next), qsizetype(end - m_next));
}

bool RecordScanner::nextRecord()
{
    m_passedOver = false;
    return advance();
}

bool RecordScanner::nextMatch()
{
    // Each record tested that does not match is passed over as well.
    for (m_passedOver = false;; m_passedOver = true) {
        m_passedOver = passRecordsThatCannotMatch() || m_passedOver;
        if (!advance())
            return false;
        // Records decoded one by one (letters outside ASCII) can take long to test, and a
        // block read to choose the encoding may hold megabytes of them.
        if (++m_tested % 256 == 0 && m_whileTesting)
            m_whileTesting();
        if (currentMatches())
            return true;
    }
}

bool RecordScanner::advance()
{
    if (m_stop != Stop::None)
        return false;
    for (;;) {
        const qint64 mark = findMark(m_searched, readTo());
        if (mark != npos) {
            m_record = {.offset = m_next, .size = mark - m_next};
            m_next = m_searched = mark + 1;
            break;
        }
        m_searched = readTo();
        // A record with no candidate so far: the search for them goes on into the bytes read
        // while they are still in the cache, rather than over the whole record later, and one
        // longer than half a block is passed rather than kept, as it may never match.
        const bool noCandidate = m_ahead.to == readTo() && m_ahead.from <= m_next
                && m_matcher->canSkip();
        if (readTo() - m_next >= (noCandidate ? blockSize / 2 : keepLimit)) {
            if (!passLongRecord(noCandidate))
                return false;
            break;
        }
        dropBefore(m_next);
        const qint64 searchedTo = readTo();
        if (!readMore(Stop::EndOfFile))
            return false;
        if (noCandidate)
            m_ahead.to = nextCandidate(searchedTo, readTo());
    }
    if (std::exchange(m_checkUtf16Later, false) && text::nulPatternOfUtf16(m_sample.data(), m_sample.size())) {
        m_stop = Stop::Utf16;
        return false;
    }
    // Until the encoding is chosen, the first record with a byte outside ASCII chooses it. The
    // pass over the records before it stopped at the first candidate or such byte, and the
    // bytes up to there are ASCII.
    const qint64 ascii = std::clamp(m_ahead.to, m_record.offset, m_record.end());
    return m_encoding || !(m_record.inBuffer ? nonAsciiIn(ascii, m_record.end()) : m_record.nonAscii)
            || decideEncoding();
}

bool RecordScanner::passLongRecord(bool noCandidate)
{
    // The byte outside ASCII is looked for only while the encoding is undecided; the search
    // for candidates then stops at one as well, so only the bytes after a candidate need a
    // look of their own.
    Record record{.offset = m_next, .inBuffer = false, .noCandidate = noCandidate};
    record.nonAscii = !noCandidate && nonAsciiIn(m_next, readTo());
    for (;;) {
        dropBefore(readTo());
        const qint64 from = readTo();
        if (!readMore(Stop::EndOfFile))
            return false;
        const qint64 mark = findMark(from, readTo());
        const qint64 end = mark == npos ? readTo() : mark;
        record.noCandidate = record.noCandidate && nextCandidate(from, end) == end;
        record.nonAscii = record.nonAscii || (!record.noCandidate && nonAsciiIn(from, end));
        if (mark != npos) {
            record.size = mark - record.offset;
            m_record = record;
            m_next = m_searched = mark + 1;
            return true;
        }
    }
}

qint64 RecordScanner::nextCandidate(qint64 from, qint64 to) const
{
    const qint64 base = keptFrom();
    return base + m_matcher->nextCandidate(bytesAt(base), qsizetype(from - base), qsizetype(to - base),
                                           qsizetype(readTo() - base), !m_encoding);
}

bool RecordScanner::passRecordsThatCannotMatch()
{
    if (!m_matcher->canSkip())
        return false;
    // Each candidate is confirmed or refused here, so that records whose candidates all fail
    // are passed as well. It is compared against all the bytes ahead, not its record alone: no
    // match spans a "#", which no term holds, so the records' bounds are needed only where
    // the pass stops. Confirming may cost about as much as the search for candidates; past
    // that, the record is left to be tested on its own. The allowance is the scan's, not each
    // pass's, as a pass may cover as little as one record. While the encoding is undecided,
    // the pass stops before the first record outside ASCII.
    qint64 at = m_next;
    bool found = false;
    for (qint64 from = m_next;; from = at + 1) {
        if (m_ahead.to < from) {
            m_ahead.from = from;
            m_ahead.to = nextCandidate(from, readTo());
        }
        at = m_ahead.to;
        m_ahead.budget += 2 * (at - from);
        if (at == readTo() || m_ahead.budget < 0
            || (!m_encoding && static_cast<unsigned char>(*bytesAt(at)) >= 0x80)) {
            break;
        }
        const auto result = m_matcher->confirms(bytesAt(m_next), qsizetype(readTo() - m_next),
                                                qsizetype(at - m_next), m_ahead.budget, true);
        found = result == ByteMatcher::Outcome::Match;
        if (result != ByteMatcher::Outcome::NoMatch)
            break;
    }
    const qint64 passed = lastMark(m_next, at);
    if (passed != npos) {
        m_next = passed + 1;
        m_searched = std::max(m_searched, m_next);
    }
    // The match confirmed is in the record that comes next.
    if (found)
        m_ahead.matchingRecord = m_next;
    return passed != npos;
}

bool RecordScanner::decideEncoding()
{
    // The records before this one were ASCII, valid either way: the file is UTF-8 unless an
    // invalid sequence turns up from here on with a mark after it, closing a record around it.
    Windows1252Check check;
    bool windows1252 = false;
    const qint64 begin = m_record.offset;
    qint64 readFrom = begin; // where the bytes that the buffer does not keep begin
    if (m_record.inBuffer) {
        windows1252 = check.showsWindows1252(bytesAt(begin), qsizetype(readTo() - begin));
        // What is read to choose is kept for the scan, up to keepLimit: what the buffer keeps
        // is moved once into one large enough for the rest of the file, as its size says now.
        const qint64 rest = std::max<qint64>(0, m_file.size() - readTo());
        const qint64 wanted = std::min<qint64>(keepLimit, readTo() - begin + rest + minimumRead);
        dropBefore(begin, windows1252 ? 0 : qsizetype((wanted + blockSize - 1) / blockSize * blockSize));
        while (!windows1252 && !full()) {
            const qint64 from = readTo();
            if (!readMore())
                break;
            windows1252 = check.showsWindows1252(bytesAt(from), qsizetype(readTo() - from));
        }
        if (m_stop != Stop::None)
            return false;
        m_checkedTo = readTo();
        readFrom = atEnd() ? npos : m_checkedTo;
    }
    // The rest, or a record too long to keep and all after it, in blocks of its own.
    if (!windows1252 && readFrom != npos
        && !readSeparately(readFrom, [&](const char *data, qsizetype size) {
               windows1252 = check.showsWindows1252(data, size);
               return windows1252;
           })) {
        return false;
    }
    // Should the file grow later, the scan reads on as it would have.
    readPastEnd();
    m_encoding = windows1252 ? TextEncoding::Windows1252 : TextEncoding::Utf8;
    if (windows1252) {
        m_matcher.emplace(m_term.letters(), TextEncoding::Windows1252, m_sample);
        m_ahead.to = m_ahead.matchingRecord = npos;
    }
    return true;
}

bool RecordScanner::currentMatches()
{
    if (m_record.inBuffer) {
        // The pass over the records before this one stopped at its first candidate.
        const qint64 first = std::clamp(m_ahead.to, m_record.offset, m_record.end()) - m_record.offset;
        return m_record.offset == m_ahead.matchingRecord
                || m_matcher->contains(bytesAt(m_record.offset), qsizetype(m_record.size), qsizetype(first));
    }
    if (m_record.noCandidate)
        return false;
    // Read again a block at a time, each decoded and verified with what the last left.
    qint64 left = m_record.size;
    bool found = false;
    m_matcher->beginPieces();
    const bool ok = readSeparately(m_record.offset, [&](const char *data, qsizetype size) {
        size = qsizetype(std::min<qint64>(size, left));
        left -= size;
        found = m_matcher->addPiece(data, size);
        return found || left == 0;
    });
    return ok && (found || m_matcher->piecesContain());
}

void RecordScanner::appendCurrentText(QString &out, qsizetype maxChars)
{
    // Every code unit takes at least one byte, and a UTF-8 one at most three. While the
    // encoding is undecided, the current record is plain ASCII (else it would have decided).
    const qint64 size = m_record.size;
    const qint64 wanted = maxChars >= size ? size
            : m_encoding != TextEncoding::Utf8 ? maxChars
                                               : std::min<qint64>(size, 3 * qint64(maxChars) + 3);
    QByteArray reread;
    QByteArrayView bytes;
    if (m_record.inBuffer) {
        bytes = QByteArrayView(bytesAt(m_record.offset), wanted);
    } else {
        reread.reserve(qsizetype(wanted));
        readSeparately(m_record.offset, [&](const char *data, qsizetype n) {
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
        text::appendUtf8(out, bytes, m_record.inBuffer && m_record.end() <= m_checkedTo);
    else
        text::appendWindows1252(out, bytes);
    if (out.size() - start > maxChars) {
        out.truncate(start + maxChars);
        if (maxChars > 0 && out.back().isHighSurrogate())
            out.chop(1);
    }
}

} // namespace lumaril
