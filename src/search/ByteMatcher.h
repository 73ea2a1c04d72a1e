#pragma once

#include "RareLetters.h"
#include "Verifier.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace lumaril {

enum class TextEncoding { Utf8, Windows1252 };

// Tests the verse file's bytes for a term, with the result the plain reference gives
// (testsupport/Reference.h), decoding only the records that may hold it.
//
// The term is compiled once for the file's encoding into what its letters may look like in
// the file's bytes (text::recordForms). The prefilter finds candidates, the places where a
// match may be: the bytes of one or two of the term's letters, the rarest in a sample of the
// file, a vector register at a time. A candidate is then verified:
// its bytes are compared, letter by letter, with the forms that read as each letter wherever
// they stand (text::sameReading), passing over the Arabic marks that a reader ignores. Where a
// character met reads otherwise in its context (a mark that joins a letter, an optional
// letter, a letter written in parts), the candidate's record is decoded and verified instead
// (Verifier), which is rare outside the Uthmani text.
class ByteMatcher
{
public:
    // sample is the start of the file's records, in which the term's rarest bytes are sought
    // (see chooseRareLetters()).
    ByteMatcher(const std::u32string &letters, TextEncoding encoding, QByteArrayView sample);
    ByteMatcher(const ByteMatcher &) = delete;
    ByteMatcher &operator=(const ByteMatcher &) = delete;

    // Whether the bytes of one whole record hold the term. The empty term is in any bytes but
    // none. No candidate lies before firstCandidate, as a search of the bytes around them may
    // have found.
    [[nodiscard]] bool contains(const char *data, qsizetype size, qsizetype firstCandidate = 0);
    // The same for a record too long to hold, in pieces: beginPieces(), addPiece() for each in
    // order, then piecesContain().
    void beginPieces();
    // True once the pieces so far hold the term.
    bool addPiece(const char *data, qsizetype size);
    [[nodiscard]] bool piecesContain();

    // Whether nextCandidate() can tell where the term cannot be.
    [[nodiscard]] bool canSkip() const { return m_kind == Kind::Never || m_kind == Kind::Bytes; }
    // The first place in [from, to) where the term may have a match, or, when orNonAscii,
    // where a byte outside ASCII is, whichever comes first; or to. Bytes before end may be
    // looked at. Only meaningful when canSkip().
    [[nodiscard]] qsizetype nextCandidate(const char *data, qsizetype from, qsizetype to,
                                          qsizetype end, bool orNonAscii = false) const;
    // What comparing the bytes around a candidate tells.
    enum class Outcome { NoMatch, Match, RecordNeeded };
    // Compares the bytes around the candidate at, which nextCandidate() gave; what it compares
    // is taken from budget. RecordNeeded when only decoding its record can tell.
    // moreMayFollow: the bytes may stop inside a record, so that what follows a match is unknown.
    [[nodiscard]] Outcome confirms(const char *data, qsizetype size, qsizetype at, qint64 &budget,
                                   bool moreMayFollow);
    // A budget for confirming candidates that is worth a few matches.
    [[nodiscard]] qsizetype longestMatch() const { return 4 * qsizetype(m_letters.size()); }
#ifdef LUMARIL_COUNT_WORK
    // The bytes compared or decoded so far, for checking its bound.
    [[nodiscard]] qint64 work() const { return m_work; }
#endif

private:
    enum class Kind {
        Everything, // the empty term, or one of marks only
        Never,      // no text in this encoding holds it ("#", or a letter it lacks)
        Bytes,      // candidates, then bytes compared or records verified
        Decoded,    // no letter of the term has few enough last bytes to seek
    };
    [[nodiscard]] bool decodedContains(const char *data, qsizetype size);
    // confirms() for a term of ASCII letters, where the bytes around are ASCII; nothing where
    // they are not.
    [[nodiscard]] std::optional<Outcome> asciiConfirms(const char *data, qsizetype size, qsizetype at,
                                                       qint64 &budget);
    // One character of the bytes: its code point and its size, 0 where there is none whole.
    struct Character
    {
        char32_t code = 0;
        qsizetype size = 0;
    };
    [[nodiscard]] Character characterAt(const char *data, qsizetype size, qsizetype at) const;
    [[nodiscard]] Character characterBefore(const char *data, qsizetype size, qsizetype at) const;
    // The size of the form of the term's k-th letter that starts at at (or ends there), or 0.
    [[nodiscard]] qsizetype letterAt(qsizetype k, const char *data, qsizetype size, qsizetype at,
                                     bool ending) const;

    Kind m_kind = Kind::Bytes;
    TextEncoding m_encoding;
    std::u32string m_letters;
    bool m_pairs = false; // sought by pairs of ASCII letters, stopping at bytes outside ASCII
    bool m_decodeEveryMatch = false;
    bool m_asciiLetters = false; // every letter is ASCII
    qsizetype m_rareLetter = 0; // the letter of the term the candidates are sought by
    std::vector<char32_t> m_rareForms; // the characters it is sought by, in order
    // The forms of each letter (text::sameReading), each distinct letter's held once.
    std::map<char32_t, Variants> m_classes;
    std::vector<const Variants *> m_variants;
    RareLetters m_rare;
    Verifier m_verifier;
    std::optional<QStringDecoder> m_pieces; // for a record in pieces
    // The work is counted only in the tests' own build of the search, which holds it to its
    // bound; in the program the count is nothing and costs nothing.
#ifdef LUMARIL_COUNT_WORK
    void countWork(qint64 bytes) { m_work += bytes; }
    qint64 m_work = 0;
#else
    static void countWork(qint64) {}
#endif
};

} // namespace lumaril
