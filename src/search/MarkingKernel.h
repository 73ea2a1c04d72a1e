#pragma once

// The vector code that marks the verse file's bytes (text::markBytes), written once for every
// vector width. A Vector names a register of bytes and the few operations the marking needs:
//
//     using Bytes = ...;                          // a register of `width` bytes
//     static constexpr int width;                 // 16, 32 or 64
//     static Bytes load(const char *);            // unaligned
//     static Bytes splat(unsigned char);          // the byte in every lane
//     static Bytes equal(Bytes, Bytes);           // all ones where the lanes are equal
//     static Bytes either(Bytes, Bytes);          // or
//     static Bytes both(Bytes, Bytes);            // and
//     static quint64 highBits(Bytes);             // the top bit of each lane, lane 0 lowest
//
// The code is built with the instructions in force where this header is included: every
// x86-64 compiler may emit SSE2 anywhere, while MarkingAvx2.cpp includes it inside a region
// built for AVX2. Everything here has internal linkage, so each file keeps its own copy.

#include "TextCoding.h"

#include <QByteArrayView>

namespace lumaril::text {
namespace {

// How many bytes after a place its candidate test looks at.
inline qsizetype needleReach(QByteArrayView lowerNeedle)
{
    return lowerNeedle.isEmpty() ? 0 : lowerNeedle.size() - 1;
}

// For a needle byte in small letters: the bits to set in a text byte before comparing it,
// so that one comparison tells whether the text byte folds to it. Only letters get the case
// bit: "@" with it set would pass for "`", "[" for "{".
inline unsigned char caseBit(unsigned char lowerNeedleByte)
{
    return lowerNeedleByte >= 'a' && lowerNeedleByte <= 'z' ? 0x20 : 0;
}

// The first word that the vector code leaves to the portable code: from there on, loads of
// the word's bytes, or of the needle's last byte after them, would run past the data.
inline qsizetype endOfWholeWords(qsizetype size, qsizetype reach)
{
    return size >= 64 + reach ? (size - reach) / 64 : 0;
}

// Marks the words from firstWord on that lie wholly inside the data; returns the first word
// it left to the portable code.
template <typename Vector, bool WithNeedle>
qsizetype markWholeWords(const char *data, qsizetype size, qsizetype firstWord,
                         QByteArrayView lowerNeedle, ByteMasks *masks, bool &anyNonAscii)
{
    constexpr int lanes = 64 / Vector::width;
    static_assert(lanes * Vector::width == 64);
    using Bytes = typename Vector::Bytes;
    const qsizetype reach = needleReach(lowerNeedle);
    const qsizetype endWord = endOfWholeWords(size, reach);
    const Bytes mark = Vector::splat('#');
    Bytes first = Vector::splat(0), firstCase = first, last = first, lastCase = first;
    if constexpr (WithNeedle) {
        const auto f = static_cast<unsigned char>(lowerNeedle.front());
        const auto l = static_cast<unsigned char>(lowerNeedle.back());
        first = Vector::splat(f);
        firstCase = Vector::splat(caseBit(f));
        last = Vector::splat(l);
        lastCase = Vector::splat(caseBit(l));
    }
    qsizetype w = firstWord;
    for (; w < endWord; ++w) {
        const char *p = data + w * 64;
        Bytes here[lanes];
        quint64 marks = 0;
        quint64 candidates = 0;
        // Unrolled, so that the loaded bytes stay in registers: GCC otherwise spills them in
        // halves and loads them back whole, which stalls every step.
#pragma GCC unroll 4
        for (int k = 0; k < lanes; ++k) {
            const int shift = Vector::width * k;
            here[k] = Vector::load(p + shift);
            marks |= Vector::highBits(Vector::equal(here[k], mark)) << shift;
            if constexpr (WithNeedle) {
                const Bytes there = Vector::load(p + shift + reach);
                const Bytes firstMatches = Vector::equal(Vector::either(here[k], firstCase), first);
                const Bytes lastMatches = Vector::equal(Vector::either(there, lastCase), last);
                candidates |= Vector::highBits(Vector::both(firstMatches, lastMatches)) << shift;
            }
        }
        // English text rarely leaves ASCII: one test for all 64 bytes is usually enough.
        Bytes any = here[0];
#pragma GCC unroll 4
        for (int k = 1; k < lanes; ++k)
            any = Vector::either(any, here[k]);
        quint64 nonAscii = 0;
        if (Vector::highBits(any) != 0) {
            anyNonAscii = true;
#pragma GCC unroll 4
            for (int k = 0; k < lanes; ++k)
                nonAscii |= Vector::highBits(here[k]) << (Vector::width * k);
        }
        masks[w] = ByteMasks{marks, candidates, nonAscii};
    }
    return w;
}

} // namespace
} // namespace lumaril::text
