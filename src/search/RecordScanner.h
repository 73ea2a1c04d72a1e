#pragma once

#include "SearchTerm.h"

#include <QString>

#include <memory>

namespace lumaril {

class VerseFile;

// Cuts the verse file into records and tests each one against a search term.
//
// The file's layout: everything before the first "#" is a preamble and is skipped unread;
// each record is the text between one "#" and the next, possibly empty, line breaks and all;
// text after the last "#" is a tail that is never tested. "#" has no escape.
//
// The file is read in large blocks, never past its end; only the record being tested is kept,
// so memory stays at the size of the largest record (at least one block).
//
// Encoding: the records are read as UTF-8 as long as they are valid UTF-8 (a BOM in the
// preamble is skipped with it), and as Windows-1252 otherwise. Decided on the bytes read so
// far: when invalid UTF-8 turns up after valid non-ASCII UTF-8 was already decoded, the scan
// stops with Stop::Restart so that the caller can start again as Windows-1252 and no record
// is shown decoded two ways. A file in UTF-16 is refused (Stop::Utf16).
class RecordScanner
{
public:
    enum class Stop {
        None,        // a record is current
        EndOfFile,   // the scan is over; any unclosed tail is dropped
        NoMark,      // the file holds no "#" at all
        Utf16,       // the file is UTF-16 text
        ReadFailed,  // the file could not be read; VerseFile::failureReason() says why
        Restart,     // invalid UTF-8 after decoded UTF-8: call restartAsWindows1252()
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
    [[nodiscard]] Stop stop() const { return m_stop; }

    // Whether the current record contains the term.
    [[nodiscard]] bool currentMatches();
    // The current record decoded, exactly as stored.
    [[nodiscard]] QString currentText() const;

    // After Stop::Restart: rewinds the file and scans it again from its start as
    // Windows-1252. start() must be called again.
    [[nodiscard]] bool restartAsWindows1252();

private:
    enum class Encoding { Utf8, Windows1252 };
    static constexpr qsizetype npos = -1;

    // Reads the next block after what the buffer holds, first moving the unfinished record to
    // the buffer's start. False at the end of the file (m_atEnd) or on failure (m_stop).
    bool refill();
    void grow(qsizetype capacity);
    void reset();
    [[nodiscard]] bool currentHasNonAscii();
    [[nodiscard]] bool asciiRecordMatches();

    VerseFile &m_file;
    const SearchTerm &m_term;

    std::unique_ptr<char[]> m_raw;
    qsizetype m_capacity = 0;
    qsizetype m_filled = 0;     // bytes of the buffer holding file data
    qsizetype m_next = 0;       // where the next record starts
    qsizetype m_searchFrom = 0; // where the next "#" search resumes
    qsizetype m_begin = 0;      // the current record: [m_begin, m_end)
    qsizetype m_end = 0;
    bool m_atEnd = false;
    bool m_firstBlock = true;
    Stop m_stop = Stop::None;

    Encoding m_encoding = Encoding::Utf8;
    bool m_decodedNonAscii = false;
    bool m_currentNonAscii = false;
    bool m_bufferNonAscii = false; // any non-ASCII byte in the buffer at all

    // Caches that make a search cost one pass over the buffer instead of one per record.
    // m_hit: the first occurrence of the term at or after m_hitFrom, npos for none in the
    // buffer. m_high: the same for the first non-ASCII byte. Dropped whenever the buffer moves.
    qsizetype m_hitFrom = npos;
    qsizetype m_hit = npos;
    qsizetype m_highFrom = npos;
    qsizetype m_high = npos;
};

} // namespace lumaril
