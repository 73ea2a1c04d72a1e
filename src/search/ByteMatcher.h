#pragma once

#include "AnchorChoice.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <vector>

namespace lumaril {

enum class TextEncoding { Utf8, Windows1252 };

// Tests the verse file's bytes for a term without decoding them, with the result the plain
// test gives (SearchTerm::isContainedIn): both sides under Qt's simple case folding.
//
// The term is compiled once for the file's encoding: each of its characters becomes the bytes
// of every character that folds the same (text::caseVariants), so "k" is also sought as "K"
// and as the Kelvin sign. Candidates are found by one or two of those bytes, the rarest in a
// sample of the file, a vector register at a time, and each is confirmed by comparing bytes;
// where many candidates fail close together, by a third byte as well.
// Where confirming costs more than a few times the bytes searched (a term such as "aaaab" in a
// record of a's), the bytes are decoded, folded and tested by an automaton instead, so that a
// test is linear in its bytes whatever the term and the text.
class ByteMatcher
{
public:
    // foldedTerm is the term after QString::toCaseFolded(); sample is the start of the file's
    // records, in which the term's rarest bytes are sought (see chooseAnchors()).
    ByteMatcher(const QString &foldedTerm, TextEncoding encoding, QByteArrayView sample);
    ByteMatcher(const ByteMatcher &) = delete;
    ByteMatcher &operator=(const ByteMatcher &) = delete;

    // Whether the bytes, which start on a character boundary, hold the term. The empty term
    // is in any bytes but none. No candidate lies before firstCandidate, as a search of the
    // bytes around them may have found.
    [[nodiscard]] bool contains(const char *data, qsizetype size, qsizetype firstCandidate = 0);
    // Whether nextCandidate() can tell where the term cannot be.
    [[nodiscard]] bool canSkip() const { return m_kind == Kind::Never || m_kind == Kind::Bytes; }
    // The first place in [from, to) where the term may have a match, or, when orNonAscii,
    // where a byte outside ASCII is, whichever comes first; or to. Bytes before end may be
    // looked at. Only meaningful when canSkip().
    [[nodiscard]] qsizetype nextCandidate(const char *data, qsizetype from, qsizetype to,
                                          qsizetype end, bool orNonAscii = false) const;
    // Whether the term has a match in the bytes around the candidate at, which nextCandidate()
    // gave; what it compares is taken from budget.
    [[nodiscard]] bool confirms(const char *data, qsizetype size, qsizetype at, qint64 &budget);
    // No match spans more bytes than this.
    [[nodiscard]] qsizetype longestMatch() const { return 4 * m_pattern.size(); }
    // The bytes compared or decoded by contains() so far, for checking its bound.
    [[nodiscard]] qint64 work() const { return m_work; }

private:
    enum class Kind {
        Everything, // the empty term
        Never,      // no text in this encoding holds it ("#", or a character it lacks)
        Bytes,      // candidates, then bytes compared
        Automaton,  // no character of the term has few enough last bytes to seek
    };
    [[nodiscard]] bool automatonContains(const char *data, qsizetype size);
    // Notes which of the possible third characters the candidate at held; once enough
    // candidates proved no match, the third that fewest of them held is sought as well.
    void learnFromRefuted(const unsigned char *text, qsizetype size, qsizetype at);

    Kind m_kind = Kind::Bytes;
    TextEncoding m_encoding;
    // The variants of each character of the term, each character's held once.
    std::map<char32_t, Variants> m_classes;
    std::vector<const Variants *> m_variants;
    AnchorChoice m_anchors;
    qsizetype m_shortestMatch = 0; // no match spans fewer bytes than this
    std::u16string m_pattern;   // the folded term, for the automaton
    std::vector<qsizetype> m_failure;
    qint64 m_work = 0;
    mutable qint64 m_searched = 0; // the bytes the candidate search went over
    qsizetype m_refuted = 0;
    std::vector<qsizetype> m_thirdHits; // of each of m_anchors.thirds, at the refuted candidates
};

} // namespace lumaril
