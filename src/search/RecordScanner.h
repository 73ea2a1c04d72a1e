#pragma once

#include "BlockBuffer.h"
#include "ByteMatcher.h"
#include "SearchTerm.h"

#include <QString>

#include <functional>
#include <limits>
#include <memory>
#include <optional>

namespace lumaril {

class VerseFile;

// Cuts the verse file into records and tests each one against a search term.
//
// The file's layout: everything before the first "#" is a preamble and is skipped unread;
// each record is the text between one "#" and the next, possibly empty, line breaks and all;
// text after the last "#" is a tail that is never tested. "#" has no escape.
//
// The file is read in large blocks, never past its end. Records are tested on their bytes
// (ByteMatcher), decoded only where those cannot tell, and to be shown. Memory stays bounded
// whatever the file: a record of up to a few megabytes is held while it is tested; a longer one
// is passed a block at a time, then read again a block at a time to be tested, and again, no
// further than asked, to be shown.
// The tail is never held.
//
// Encoding: one for the whole file, UTF-8 when its records are valid UTF-8 and Windows-1252
// otherwise; the preamble and the tail after the last "#" do not count, as they are no records.
// Records of plain ASCII read the same in both, so the choice is made at the first record that
// holds another byte: the rest of the file is then read through once to decide (what that
// reads is kept for the scan, up to a few megabytes, so that a verse file of ordinary size is
// read only once), and the scan goes on where it was. Should the file change after the choice,
// it still holds: bytes that are no longer UTF-8 are shown as U+FFFD.
//
// A file in UTF-16 is refused (Stop::Utf16): one that starts with a UTF-16 byte order mark, or
// one whose records (their first 4096 bytes) hold NUL in most even or most odd places, as
// mostly-Latin UTF-16 does. A few stray NULs in 8-bit text, or any in the preamble, do not
// count.
class RecordScanner : private BlockBuffer
{
public:
    enum class Stop {
        None,        // a record is current
        EndOfFile,   // the scan is over; any unclosed tail is dropped
        NoMark,      // the file holds no "#" at all
        Utf16,       // the file is UTF-16 text
        ReadFailed,  // the file could not be read; VerseFile::failureReason() says why
    };

    // The file must be open. The term is used for currentMatches().
    RecordScanner(VerseFile &file, const SearchTerm &term);
    RecordScanner(const RecordScanner &) = delete;
    RecordScanner &operator=(const RecordScanner &) = delete;

    // Skips the preamble: reads up to and including the first "#". False when the scan cannot
    // begin; stop() says why.
    [[nodiscard]] bool start();
    // Advances to the next complete record. False at the end or on a failure; see stop().
    [[nodiscard]] bool next();
    // Passes over the complete records ahead that cannot hold the term, as far as the buffer
    // holds them, without making any of them current: most records of a search cannot hold
    // it, and passing them together costs a search for the next candidate instead of a step
    // for each. True when it passed any; next() then goes on after the last of them. The
    // records of an empty term are never passed, nor one that decides the encoding.
    [[nodiscard]] bool passRecordsThatCannotMatch();
    [[nodiscard]] Stop stop() const { return m_stop; }

    // Whether the current record contains the term.
    [[nodiscard]] bool currentMatches();
    // Appends the current record decoded, exactly as stored, or its first maxChars UTF-16 code
    // units (never half a character).
    void appendCurrentText(QString &out, qsizetype maxChars = std::numeric_limits<qsizetype>::max());
    [[nodiscard]] QString currentText(qsizetype maxChars = std::numeric_limits<qsizetype>::max())
    {
        QString text;
        appendCurrentText(text, maxChars);
        return text;
    }
#ifdef LUMARIL_COUNT_WORK
    // The bytes compared or decoded to test records so far, for checking its bound.
    [[nodiscard]] qint64 work() const { return m_matcher ? m_matcher->work() : 0; }
#endif

private:
    // Drops the buffer's bytes before keepFrom, moving the rest to its start, and into a new
    // buffer when capacity is more than the buffer's.
    void compact(qsizetype keepFrom, qsizetype capacity = 0);
    // Reads the next block after what the buffer holds, making room first. False at the end
    // of the file (m_atEnd, and m_stop becomes atEnd) or on failure (m_stop).
    bool readMore(Stop atEnd = Stop::None);
    // Reads the file from offset on in blocks of its own, handing each to look until it
    // returns true or the file ends, then goes back to where the scan reads. False on failure.
    bool readAside(qint64 offset, const std::function<bool(const char *, qsizetype)> &look);
    // After the first mark: whether the records start like UTF-16 text. May read on.
    [[nodiscard]] bool recordsLookLikeUtf16();
    // A record too long to hold, or one not worth holding as it has no candidate so far
    // (clean): passed up to its closing mark, which becomes current. False when the file ends
    // first (a tail) or on failure.
    bool passLongRecord(bool clean);
    [[nodiscard]] bool longRecordMatches();
    // At the first record with a byte outside ASCII: reads the rest of the file to choose the
    // encoding. False on a read failure (m_stop).
    [[nodiscard]] bool decideEncoding();

    const SearchTerm &m_term;
    std::optional<ByteMatcher> m_matcher;
    QByteArray m_sample; // the start of the records, to tell which bytes are rare
    bool m_utf16Pending = false; // whether the sample is UTF-16, once the first record ends
    qint64 m_passBudget = 0; // what confirming candidates in passes may still compare
    std::optional<TextEncoding> m_encoding; // none while every record so far was ASCII
    // The records that end before this place in the file were checked as UTF-8 when the
    // encoding was chosen, on the very bytes the buffer holds, so a record is not checked again
    // to be shown.
    qint64 m_checkedTo = 0;

    qsizetype m_next = 0;     // where the next record starts
    qsizetype m_searched = 0; // the next mark is not before this
    Stop m_stop = Stop::None;

    // The current record: [m_begin, m_end) of the buffer when held, else m_longSize bytes
    // from m_longOffset in the file.
    bool m_held = true;
    qsizetype m_begin = 0;
    qsizetype m_end = 0;
    qint64 m_longOffset = 0;
    qint64 m_longSize = 0;
    bool m_longNonAscii = false;
    bool m_longClean = false; // no candidate in it

    // No candidate of the term (nor, while the encoding is undecided, byte outside ASCII)
    // lies between some place no later than the next record and this one, which may be one;
    // looked up once and kept while the records walk up to it. npos when unknown.
    qsizetype m_candidateAhead = npos;
    qsizetype m_cleanFrom = 0; // where the search that found it began
    // Where a record starts that the pass found to match, so that its test is not made twice.
    qsizetype m_matchingRecord = npos;
};

} // namespace lumaril
