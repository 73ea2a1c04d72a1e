#pragma once

// The vector loop that finds a term's candidates (RareLetters::nextCandidate), written once for
// every vector width. A Vector (a ByteVector of ByteVector.h) names a register of bytes, a mask
// of its lanes, and the few operations on them that the loop uses.
//
// The code is built with the instructions in force where this header is included: the
// program's own build has 16-byte registers everywhere (SSE2, NEON), while ByteSearchAvx2.cpp
// and ByteSearchAvx512.cpp include it in regions built for AVX2 and AVX-512. The loop has
// internal linkage, so each file keeps its own copy.

#include <QtGlobal>

#include <bit>
#include <type_traits>

namespace lumaril::text {

// One character of a term as its candidates are sought: a byte b is one of its last bytes
// when (b | bit) == value, or, unless oneComparison, when it equals any of bytes.
struct LetterBytes
{
    unsigned char bytes[3];
    unsigned char bit;
    unsigned char value;
    bool oneComparison;
};

// What a term's candidates are sought by: a place p whose byte is one of first's and, when
// pair, whose byte at p + distance (or, when orOneByteLater, the next) is one of second's, or, when
// orMarkMayFollow, whose next byte is outside ASCII and outside [plainLow, plainLow + plainSpan]:
// one that may start a mark between the two.
struct CandidateTest
{
    LetterBytes first, second;
    qsizetype distance = 0;
    bool pair = false;
    bool orOneByteLater = false; // then second takes one comparison
    bool orMarkMayFollow = false;
    unsigned char plainLow = 0, plainSpan = 0;
};

// The first place in [from, stop) that the rare letters are at, or, when orNonAscii, whose
// byte is outside ASCII; or where the vector steps ended, when none is. Bytes up to stop plus
// the longest distance, and one more, must be readable.
qsizetype findCandidateWithAvx2(const char *data, qsizetype from, qsizetype stop,
                                const CandidateTest &wanted, bool orNonAscii, bool &found);
qsizetype findCandidateWithAvx512(const char *data, qsizetype from, qsizetype stop,
                                  const CandidateTest &wanted, bool orNonAscii, bool &found);

namespace {

// A byte is one of a rare letter's when (b | bit) == value: one byte, or two that differ in one bit.
template <typename Vector>
struct OneComparison
{
    typename Vector::Bytes bit, value;
    explicit OneComparison(const LetterBytes &a)
        : bit(Vector::splat(char(a.bit))), value(Vector::splat(char(a.value)))
    {
    }
    typename Vector::Mask operator()(typename Vector::Bytes v) const
    {
        return Vector::equal(Vector::either(v, bit), value);
    }
};

// A byte is one of a rare letter's when it equals any of three.
template <typename Vector>
struct AnyOfThree
{
    typename Vector::Bytes b0, b1, b2;
    explicit AnyOfThree(const LetterBytes &a)
        : b0(Vector::splat(char(a.bytes[0]))), b1(Vector::splat(char(a.bytes[1]))), b2(Vector::splat(char(a.bytes[2])))
    {
    }
    typename Vector::Mask operator()(typename Vector::Bytes v) const
    {
        return Vector::either(Vector::either(Vector::equal(v, b0), Vector::equal(v, b1)),
                           Vector::equal(v, b2));
    }
};

struct NoSecond
{
};

// A second rare letter sought at two places next to each other.
template <typename Vector>
struct AtTwoPlaces
{
    OneComparison<Vector> test;
};

// A second rare letter, or an odd byte after the first (see CandidateTest).
template <typename Vector, typename Second>
struct OrMarkMayFollow
{
    Second second;
    typename Vector::Bytes low, span;
};

// One loop for each kind of search, so that none tests what it need not.
template <typename Vector, bool orNonAscii, typename First, typename Second>
qsizetype scan(const char *data, qsizetype from, qsizetype stop, const First &isFirst,
               const Second &isSecond, qsizetype distance, bool &found)
{
    using Mask = typename Vector::Mask;
    constexpr qsizetype width = Vector::width;
    // The lanes at p that may start a candidate.
    const auto hits = [&](qsizetype p) {
        const auto bytes = Vector::load(data + p);
        Mask hit = isFirst(bytes);
        if constexpr (requires { isSecond.low; }) {
            hit = Vector::both(hit, Vector::either(isSecond.second(Vector::load(data + p + distance)),
                                                   Vector::outside(Vector::load(data + p + 1), isSecond.low,
                                                                   isSecond.span)));
        } else if constexpr (std::is_same_v<Second, AtTwoPlaces<Vector>>) {
            hit = Vector::both(hit, Vector::either(isSecond.test(Vector::load(data + p + distance)),
                                                   isSecond.test(Vector::load(data + p + distance + 1))));
        } else if constexpr (!std::is_same_v<Second, NoSecond>) {
            hit = Vector::both(hit, isSecond(Vector::load(data + p + distance)));
        }
        if constexpr (orNonAscii)
            hit = Vector::either(hit, Vector::nonAscii(bytes));
        return hit;
    };
    qsizetype p = from;
    // One register where the search starts, then on from the start of the next one in memory,
    // so that no load of the first rare letter spans two cache lines.
    if (p + width <= stop) {
        if (const quint64 bits = Vector::bits(hits(p))) {
            found = true;
            return p + std::countr_zero(bits);
        }
        p += width - qsizetype(quintptr(data + p) % width);
    }
    // Four registers a step, so that the one branch is taken a quarter as often.
    for (; p + 4 * width <= stop; p += 4 * width) {
        const Mask h[4] = {hits(p), hits(p + width), hits(p + 2 * width), hits(p + 3 * width)};
        if (Vector::bits(Vector::either(Vector::either(h[0], h[1]), Vector::either(h[2], h[3]))))
            break;
    }
    for (; p + width <= stop; p += width) {
        if (const quint64 bits = Vector::bits(hits(p))) {
            found = true;
            return p + std::countr_zero(bits);
        }
    }
    found = false;
    return p;
}

// The loop for the first rare letter's kind and the second's, with or without the bytes outside ASCII.
template <typename Vector, typename Second>
qsizetype scanFor(const char *data, qsizetype from, qsizetype stop, const CandidateTest &wanted,
                  const Second &isSecond, bool orNonAscii, bool &found)
{
    const auto withFirst = [&](const auto &isFirst) {
        return orNonAscii ? scan<Vector, true>(data, from, stop, isFirst, isSecond, wanted.distance, found)
                          : scan<Vector, false>(data, from, stop, isFirst, isSecond, wanted.distance, found);
    };
    return wanted.first.oneComparison ? withFirst(OneComparison<Vector>(wanted.first))
                                      : withFirst(AnyOfThree<Vector>(wanted.first));
}

template <typename Vector>
qsizetype findCandidate(const char *data, qsizetype from, qsizetype stop, const CandidateTest &wanted,
                        bool orNonAscii, bool &found)
{
    const auto withSecond = [&](const auto &isSecond) {
        return scanFor<Vector>(data, from, stop, wanted, isSecond, orNonAscii, found);
    };
    if (!wanted.pair)
        return withSecond(NoSecond{});
    if (wanted.orMarkMayFollow) {
        const auto low = Vector::splat(char(wanted.plainLow)), span = Vector::splat(char(wanted.plainSpan));
        return wanted.second.oneComparison
                ? withSecond(OrMarkMayFollow<Vector, OneComparison<Vector>>{OneComparison<Vector>(wanted.second), low, span})
                : withSecond(OrMarkMayFollow<Vector, AnyOfThree<Vector>>{AnyOfThree<Vector>(wanted.second), low, span});
    }
    if (wanted.orOneByteLater)
        return withSecond(AtTwoPlaces<Vector>{OneComparison<Vector>(wanted.second)});
    return wanted.second.oneComparison ? withSecond(OneComparison<Vector>(wanted.second))
                                       : withSecond(AnyOfThree<Vector>(wanted.second));
}

} // namespace
} // namespace lumaril::text
