#pragma once

#include "SearchTerm.h"

#include <QByteArrayView>
#include <QString>

#include <memory>

namespace lumaril {

class VerseFile;
namespace text {
struct ByteMasks;
}

// Cuts the verse file into records and tests each one against a search term.
//
// The file's layout: everything before the first "#" is a preamble and is skipped unread;
// each record is the text between one "#" and the next, possibly empty, line breaks and all;
// text after the last "#" is a tail that is never tested. "#" has no escape.
//
// The file is read in large blocks, never past its end; only the record being tested is kept,
// so memory stays at the size of the largest record (at least one block), and three bits for
// each of its bytes: each block is marked once (text::markBytes), and records are then found
// and tested on those marks, or passed over together where the marks show that the term
// cannot be in them.
//
// Encoding: one for the whole file, UTF-8 when its records are valid UTF-8 and Windows-1252
// otherwise; the preamble and the tail after the last "#" do not count, as they are no records.
// Records of plain ASCII read the same in both, so the choice is made at the first record that
// holds another byte: the rest of the file is then read through once to decide, and the scan
// goes on where it was. What that reads is kept for the scan up to 4 MiB, so that a verse file
// of ordinary size is still read only once; memory then holds that much as well. Every record
// is therefore decoded the same way, whatever the search, and none is shown before the choice
// that concerns it. Should the file change after the
// choice, it still holds: bytes that are no longer UTF-8 are shown as U+FFFD.
//
// A file in UTF-16 is refused (Stop::Utf16): one that starts with a UTF-16 byte order mark, or
// one whose records (their first 4096 bytes) hold NUL in most even or most odd places, as
// mostly-Latin UTF-16 does. A few stray NULs in 8-bit text, or any in the preamble, do not
// count.
class RecordScanner
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
    ~RecordScanner();
    RecordScanner(const RecordScanner &) = delete;
    RecordScanner &operator=(const RecordScanner &) = delete;

    // Skips the preamble: reads up to and including the first "#". False when the scan cannot
    // begin; stop() says why.
    [[nodiscard]] bool start();
    // Advances to the next complete record. False at the end or on a failure; see stop().
    [[nodiscard]] bool next();
    // Passes over the complete records ahead that the term cannot be in, as far as the buffer
    // holds them, without making any of them current: most records of a search cannot hold
    // it, and passing them together takes a few word operations instead of a step for each.
    // True when it passed any; next() then goes on after the last of them. The records of
    // an empty term are never passed, nor one that decides the encoding.
    [[nodiscard]] bool passRecordsThatCannotMatch();
    [[nodiscard]] Stop stop() const { return m_stop; }

    // Whether the current record contains the term.
    [[nodiscard]] bool currentMatches();
    // The current record decoded, exactly as stored.
    [[nodiscard]] QString currentText() const;

private:
    enum class Encoding { Undecided, Utf8, Windows1252 };
    static constexpr qsizetype npos = -1;

    // Reads the next block after what the buffer holds, first moving the unfinished record to
    // the buffer's start. False at the end of the file (m_atEnd) or on failure (m_stop).
    bool refill();
    void grow(qsizetype capacity);
    // After the first mark: whether the records start like UTF-16 text. May read on.
    [[nodiscard]] bool recordsLookLikeUtf16();
    // At the first record with a byte outside ASCII: reads the rest of the file to choose the
    // encoding, then goes back to where the scan was. False on a read failure (m_stop).
    [[nodiscard]] bool decideEncoding();
    // The stops (marks and candidates) are walked in order, one word of them at a time.
    // walkToMark() goes on to the next record mark and returns it, npos when the buffer holds
    // no more; the first candidate it passes, if any, goes into candidate.
    void walkFrom(qsizetype from);
    [[nodiscard]] qsizetype walkToMark(qsizetype &candidate);
    // The first byte at or after from, before m_filled, whose bit is set in the chosen mask;
    // m_filled when there is none.
    [[nodiscard]] qsizetype nextMarked(quint64 text::ByteMasks::*mask, qsizetype from) const;
    // The last mark in [from, to), or npos.
    [[nodiscard]] qsizetype lastMarkIn(qsizetype from, qsizetype to) const;
    [[nodiscard]] bool currentHasNonAscii();
    [[nodiscard]] bool asciiRecordMatches() const;

    VerseFile &m_file;
    const SearchTerm &m_term;
    // What markBytes finds candidates for: the term's bytes when records can be tested byte
    // by byte against it, else nothing.
    QByteArrayView m_needle;

    std::unique_ptr<char[]> m_raw;
    std::unique_ptr<text::ByteMasks[]> m_masks; // one per 64 bytes of m_raw
    qsizetype m_capacity = 0;
    qsizetype m_filled = 0;     // bytes of the buffer holding file data, all of them marked
    qsizetype m_next = 0;       // where the next record starts
    qsizetype m_begin = 0;      // the current record: [m_begin, m_end)
    qsizetype m_end = 0;
    qsizetype m_candidate = npos; // the first candidate in the current record, if any
    qint64 m_readOffset = 0;    // the bytes of the file read into the buffer so far
    bool m_atEnd = false;
    bool m_firstBlock = true;
    Stop m_stop = Stop::None;

    // Where the walk over the stops is: the word, and its stops not yet passed.
    qsizetype m_stopWord = 0;
    quint64 m_stopBits = 0;

    Encoding m_encoding = Encoding::Undecided;
    bool m_currentNonAscii = false;
    bool m_bufferNonAscii = false; // any non-ASCII byte in the buffer at all

    // The first non-ASCII byte at or after some place no later than the current record
    // (m_filled for none), looked up once and kept while the records walk past it, so that a
    // record usually costs one comparison. Records only move forward in the buffer, so it is
    // still right as long as it does not lie before the current record; npos when it must be
    // looked up again, as after the buffer moves.
    qsizetype m_nonAscii = npos;
    // The same for the first candidate of the term.
    qsizetype m_candidateAhead = npos;
};

} // namespace lumaril
