#pragma once

#include "BlockBuffer.h"
#include "ByteMatcher.h"
#include "SearchTerm.h"

#include <QString>

#include <functional>
#include <limits>
#include <optional>

namespace lumaril {

// Cuts the verse file into records and finds those that hold a search term.
//
// The file's layout: everything before the first "#" is a preamble and is skipped unread;
// each record is the text between one "#" and the next, possibly empty, line breaks and all;
// text after the last "#" is a tail that is never tested. "#" has no escape.
//
// The file is read in large blocks, never past its end. Records are tested on their bytes
// (ByteMatcher), decoded only where those cannot tell, and to be shown. A candidate is a place
// where the bytes of the term's rarest letters stand, so that a match may start there; the
// bytes between candidates cannot hold the term, so the records among them are passed over
// together, and a candidate is confirmed by comparing the bytes around it. Memory stays
// bounded whatever the file: a record of up to a few megabytes is kept in the buffer while it
// is tested; a longer one is passed a block at a time, then read separately a block at a
// time to be tested, and again, no further than asked, to be shown. The tail is never kept.
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

    // The file must be open. whileTesting, if given, runs every 256 records that nextMatch()
    // tests one by one, as decoding them may take long.
    RecordScanner(VerseFile &file, const SearchTerm &term, std::function<void()> whileTesting = {});

    // Skips the preamble: reads up to and including the first "#". False when the scan cannot
    // begin; stop() says why.
    [[nodiscard]] bool start();
    // Advances to the next complete record. False at the end or on a failure; see stop().
    [[nodiscard]] bool nextRecord();
    // Advances to the next complete record that holds the term. False at the end or on a
    // failure; see stop().
    [[nodiscard]] bool nextMatch();
    // Whether the last nextMatch() went over records that do not hold the term, before the one
    // it found or before the end. False after nextRecord().
    [[nodiscard]] bool passedOverRecords() const { return m_passedOver; }
    [[nodiscard]] Stop stop() const { return m_stop; }

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
    // The longest record kept in the buffer for its test, and the most of the file kept when it
    // is read ahead to choose its encoding, so that a verse file of a few megabytes is read
    // only once.
    static constexpr qsizetype keepLimit = 4 * 1024 * 1024;

    // Reads the next block after what the buffer holds. False at the end of the file (and
    // stop() becomes atEnd) or on failure.
    bool readMore(Stop atEnd = Stop::None);
    // Reads the file from offset on in blocks of its own, handing each to look until it
    // returns true or the file ends, then goes back to where the scan reads. False on failure.
    bool readSeparately(qint64 offset, const std::function<bool(const char *, qsizetype)> &look);
    // After the first mark: whether the records start like UTF-16 text. May read on.
    [[nodiscard]] bool recordsLookLikeUtf16();
    // Makes the next complete record current, and chooses the encoding at the first that is
    // not ASCII.
    [[nodiscard]] bool advance();
    // A record too long to keep, or one not worth keeping as it holds no candidate so far:
    // passed up to its closing mark, and made current. False when the file ends first (a
    // tail) or on failure.
    bool passLongRecord(bool noCandidate);
    // Reads the rest of the file to choose the encoding. False on a read failure.
    [[nodiscard]] bool decideEncoding();
    // The first candidate in [from, to) of the bytes read, or, while the encoding is
    // undecided, byte outside ASCII; or to.
    [[nodiscard]] qint64 nextCandidate(qint64 from, qint64 to) const;
    // Passes over the complete records ahead that cannot hold the term, as far as the buffer
    // holds them. True when it passed any. The records of an empty term are never passed, nor
    // one that decides the encoding.
    [[nodiscard]] bool passRecordsThatCannotMatch();
    [[nodiscard]] bool currentMatches();

    const SearchTerm &m_term;
    std::optional<ByteMatcher> m_matcher;
    std::function<void()> m_whileTesting;
    Stop m_stop = Stop::None;
    qint64 m_next = 0;     // where the next record starts
    qint64 m_searched = 0; // the next mark is not before this

    // The current record: the size bytes from offset in the file.
    struct Record
    {
        qint64 offset = 0;
        qint64 size = 0;
        bool inBuffer = true; // else passed as too long to keep, and read separately when needed
        // What was seen of a record read separately as it was passed: whether it holds a byte
        // outside ASCII (looked at only while the encoding is undecided), or no candidate.
        bool nonAscii = false;
        bool noCandidate = false;
        [[nodiscard]] qint64 end() const { return offset + size; }
    } m_record;

    std::optional<TextEncoding> m_encoding; // none while every record so far was ASCII
    QByteArray m_sample; // the start of the records, to tell which bytes are rare
    // Whether the sample is UTF-16 text is told where the first record ends.
    bool m_checkUtf16Later = false;
    // The records that end before this place in the file were checked as UTF-8 when the
    // encoding was chosen, on the very bytes the buffer holds, so a record is not checked again
    // to be shown.
    qint64 m_checkedTo = 0;

    // What nextMatch() found of the bytes ahead, kept while the records walk up to it.
    struct Ahead
    {
        // No candidate (nor, while the encoding is undecided, byte outside ASCII) lies in
        // [from, to); to is one, or where the bytes read ended, or npos when unknown.
        qint64 from = 0;
        qint64 to = npos;
        qint64 matchingRecord = npos; // where a record starts that holds a confirmed match
        qint64 budget = 0; // what confirming candidates may still compare
    } m_ahead;
    quint32 m_tested = 0; // the records nextMatch() tested one by one
    bool m_passedOver = false;
};

} // namespace lumaril
