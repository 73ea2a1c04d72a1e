#pragma once

// The vector loop that finds a term's candidates (AnchorChoice::nextCandidate), written once for
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
struct AnchorBytes
{
    unsigned char bytes[3];
    unsigned char bit;
    unsigned char value;
    bool oneComparison;
};

// What a term's candidates are sought by: a place p whose byte is one of first's and, when
// pair, whose byte at p + distance (or, when orOneMore, the next) is one of second's, or, when
// orOddNext, whose next byte is outside ASCII and outside [cleanLow, cleanLow + cleanSpan]:
// one that may start a mark between the two.
struct Sought
{
    AnchorBytes first, second;
    qsizetype distance = 0;
    bool pair = false;
    bool orOneMore = false; // then second takes one comparison
    bool orOddNext = false;
    unsigned char cleanLow = 0, cleanSpan = 0;
};

// The first place in [from, stop) that the anchors sought are at, or, when orNonAscii, whose
// byte is outside ASCII; or where the vector steps ended, when none is. Bytes up to stop plus
// the longest distance, and one more, must be readable.
qsizetype findCandidateWithAvx2(const char *data, qsizetype from, qsizetype stop,
                                const Sought &sought, bool orNonAscii, bool &found);
qsizetype findCandidateWithAvx512(const char *data, qsizetype from, qsizetype stop,
                                  const Sought &sought, bool orNonAscii, bool &found);

namespace {

// A byte is one of an anchor's when (b | bit) == value: one byte, or two that differ in one bit.
template <typename Vector>
struct OneComparison
{
    typename Vector::Bytes bit, value;
    explicit OneComparison(const AnchorBytes &a)
        : bit(Vector::splat(char(a.bit))), value(Vector::splat(char(a.value)))
    {
    }
    typename Vector::Mask operator()(typename Vector::Bytes v) const
    {
        return Vector::equal(Vector::either(v, bit), value);
    }
};

// A byte is one of an anchor's when it equals any of three.
template <typename Vector>
struct AnyOfThree
{
    typename Vector::Bytes b0, b1, b2;
    explicit AnyOfThree(const AnchorBytes &a)
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

// A second anchor sought at two places next to each other.
template <typename Vector>
struct AtTwoPlaces
{
    OneComparison<Vector> test;
};

// A second anchor, or an odd byte after the first (see Sought).
template <typename Vector, typename Second>
struct OrOddNext
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
    // so that no load of the first anchor spans two cache lines.
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

// The loop for the first anchor's kind and the second's, with or without the bytes outside ASCII.
template <typename Vector, typename Second>
qsizetype scanFor(const char *data, qsizetype from, qsizetype stop, const Sought &sought,
                  const Second &isSecond, bool orNonAscii, bool &found)
{
    const auto withFirst = [&](const auto &isFirst) {
        return orNonAscii ? scan<Vector, true>(data, from, stop, isFirst, isSecond, sought.distance, found)
                          : scan<Vector, false>(data, from, stop, isFirst, isSecond, sought.distance, found);
    };
    return sought.first.oneComparison ? withFirst(OneComparison<Vector>(sought.first))
                                      : withFirst(AnyOfThree<Vector>(sought.first));
}

template <typename Vector>
qsizetype findCandidate(const char *data, qsizetype from, qsizetype stop, const Sought &sought,
                        bool orNonAscii, bool &found)
{
    const auto withSecond = [&](const auto &isSecond) {
        return scanFor<Vector>(data, from, stop, sought, isSecond, orNonAscii, found);
    };
    if (!sought.pair)
        return withSecond(NoSecond{});
    if (sought.orOddNext) {
        const auto low = Vector::splat(char(sought.cleanLow)), span = Vector::splat(char(sought.cleanSpan));
        return sought.second.oneComparison
                ? withSecond(OrOddNext<Vector, OneComparison<Vector>>{OneComparison<Vector>(sought.second), low, span})
                : withSecond(OrOddNext<Vector, AnyOfThree<Vector>>{AnyOfThree<Vector>(sought.second), low, span});
    }
    if (sought.orOneMore)
        return withSecond(AtTwoPlaces<Vector>{OneComparison<Vector>(sought.second)});
    return sought.second.oneComparison ? withSecond(OneComparison<Vector>(sought.second))
                                       : withSecond(AnyOfThree<Vector>(sought.second));
}

} // namespace
} // namespace lumaril::text
