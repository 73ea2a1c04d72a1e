#pragma once

// The vector loop that finds a term's candidates (ByteMatcher::nextCandidate), written once for
// every vector width. A Vector names a register of bytes and the few operations it needs:
//
//     using Bytes = ...;                  // a register of `width` bytes, 16 or 32
//     static Bytes load(const char *);    // unaligned
//     static Bytes splat(unsigned char);  // the byte in every lane
//     static Bytes equal(Bytes, Bytes);   // all ones where the lanes are equal
//     static Bytes either(Bytes, Bytes);  // or
//     static Bytes both(Bytes, Bytes);    // and
//     static quint32 highBits(Bytes);     // the top bit of each lane, lane 0 lowest
//
// The code is built with the instructions in force where this header is included: every
// x86-64 compiler may emit SSE2 anywhere, while CandidateScanAvx2.cpp includes it inside a
// region built for AVX2. The loop has internal linkage, so each file keeps its own copy.

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

// The first place p in [from, stop) whose byte is one of first's and, when pair, whose byte
// at p + distance is one of second's, or, when orNonAscii, whose byte is outside ASCII; or
// where the vector steps ended, when none is. Bytes up to stop + distance must be readable.
qsizetype findCandidateWithAvx2(const char *data, qsizetype from, qsizetype stop,
                                const AnchorBytes &first, const AnchorBytes &second,
                                bool pair, qsizetype distance, bool orNonAscii, bool &found);

namespace {

template <typename Vector>
qsizetype findCandidate(const char *data, qsizetype from, qsizetype stop, const AnchorBytes &first,
                        const AnchorBytes &second, bool pair, qsizetype distance,
                        bool orNonAscii, bool &found)
{
    using Bytes = typename Vector::Bytes;
    constexpr qsizetype width = Vector::width;
    struct Test
    {
        Bytes bit, value, b0, b1, b2;
        bool one;
        Bytes operator()(Bytes v) const
        {
            if (one)
                return Vector::equal(Vector::either(v, bit), value);
            return Vector::either(Vector::either(Vector::equal(v, b0), Vector::equal(v, b1)),
                                  Vector::equal(v, b2));
        }
    };
    const auto test = [](const AnchorBytes &a) {
        return Test{Vector::splat(a.bit), Vector::splat(a.value), Vector::splat(a.bytes[0]),
                    Vector::splat(a.bytes[1]), Vector::splat(a.bytes[2]), a.oneComparison};
    };
    const Test isFirst = test(first);
    const Test isSecond = test(second);
    // One loop for each kind of search, so that none tests what it need not.
    const auto scan = [&](auto withPair, auto withNonAscii) {
        qsizetype p = from;
        // Two registers a step, so that the one branch is taken half as often.
        for (; p + 2 * width <= stop; p += 2 * width) {
            const Bytes lowBytes = Vector::load(data + p);
            const Bytes highBytes = Vector::load(data + p + width);
            Bytes low = isFirst(lowBytes);
            Bytes high = isFirst(highBytes);
            if constexpr (decltype(withPair)::value) {
                low = Vector::both(low, isSecond(Vector::load(data + p + distance)));
                high = Vector::both(high, isSecond(Vector::load(data + p + distance + width)));
            }
            // A byte outside ASCII has its top bit set, as the lanes of a candidate have.
            if constexpr (decltype(withNonAscii)::value) {
                low = Vector::either(low, lowBytes);
                high = Vector::either(high, highBytes);
            }
            const quint64 bits = quint64(Vector::highBits(low)) | quint64(Vector::highBits(high)) << width;
            if (bits != 0) {
                found = true;
                return p + std::countr_zero(bits);
            }
        }
        found = false;
        return p;
    };
    using Yes = std::true_type;
    using No = std::false_type;
    if (pair)
        return orNonAscii ? scan(Yes{}, Yes{}) : scan(Yes{}, No{});
    return orNonAscii ? scan(No{}, Yes{}) : scan(No{}, No{});
}

} // namespace
} // namespace lumaril::text
