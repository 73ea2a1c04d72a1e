#pragma once

#include "CandidateScan.h"

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

// The prefilter's choice: which letter of the term, or pair of letters, is rarest in the file,
// so that a search for its bytes finds few candidates, the places where a match may be, each
// then verified by ByteMatcher. The chosen letters are called the rare letters here.
namespace lumaril {

// How much of a verse file is looked at to tell which bytes are rare in it.
constexpr qsizetype rareLetterSampleSize = 4096;

// One way of writing a character in the file's encoding: one to four bytes, the first in the
// lowest bits.
struct Variant
{
    quint32 bytes = 0;
    qsizetype size = 0;
    [[nodiscard]] unsigned char byte(qsizetype i) const { return static_cast<unsigned char>(bytes >> (8 * i)); }
    [[nodiscard]] static Variant of(QByteArrayView written)
    {
        Variant v{0, written.size()};
        for (qsizetype i = 0; i < written.size(); ++i)
            v.bytes |= quint32(static_cast<unsigned char>(written[i])) << (8 * i);
        return v;
    }
};
using Variants = std::vector<Variant>;

// A character of a term sought by the last bytes of its variants.
struct RareLetter
{
    qsizetype index = -1; // in the term; -1 for none
    text::LetterBytes bytes{};
    [[nodiscard]] bool holds(unsigned char b) const
    {
        return b == bytes.bytes[0] || b == bytes.bytes[1] || b == bytes.bytes[2];
    }
};

// What a term's candidates are sought by: one character, or two a fixed number of bytes apart.
struct RareLetters
{
    RareLetter first;           // none when no character has few enough last bytes to seek
    RareLetter second;          // none when the first is sought alone
    qsizetype distance = 0; // from the first rare letter's byte to the second's
    // Or one byte further: a character between them, or the second, has variants of two
    // lengths (as "s" and the long s, or Cyrillic "т" and its old form).
    bool orOneByteLater = false;
    qsizetype inSample = 0; // the candidates in the sample
    // Or the byte after the first rare letter's is odd (see text::CandidateTest): set by the caller.
    bool orMarkMayFollow = false;
    unsigned char plainLow = 0, plainSpan = 0;

    // The first place in [from, to) whose byte is one of the first rare letter's and, with a
    // second, whose byte distance (or one more) later is one of its; or, when orNonAscii, where
    // a byte outside ASCII is, whichever comes first; or to. Bytes before end may be looked at.
    [[nodiscard]] qsizetype nextCandidate(const char *data, qsizetype from, qsizetype to,
                                          qsizetype end, bool orNonAscii = false) const;
};

// The character, or pair of characters, of the term with the fewest candidates in the sample
// (the start of the file's records, its first rareLetterSampleSize bytes), among the term's first
// 64 distinct characters. variants holds the bytes of every variant of each character of the
// term, the same for a repeated character. A pair is of characters at most pairReach apart in
// the term; with 0, one character alone is chosen.
[[nodiscard]] RareLetters chooseRareLetters(const std::vector<const Variants *> &variants,
                                         QByteArrayView sample, qsizetype pairReach = 16);

} // namespace lumaril
