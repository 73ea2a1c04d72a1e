#pragma once

// The UTF-8 check of text::checkUtf8 for a register of bytes at a time: the method of Keiser
// and Lemire ("Validating UTF-8 in less than one instruction per byte", 2021), which looks each
// byte and the one before it up in three small tables and checks where the second, third and
// fourth bytes of longer sequences must be. Written once for every vector width, as the
// candidate search is (CandidateScan.h, which says how it is built), over a ByteVector
// (ByteVector.h) of 16 bytes or more.

#include <QtGlobal>

#include <cstring>

namespace lumaril::text {
namespace {

constexpr char tooShort = 1 << 0;   // a lead byte or ASCII, then a lead byte
constexpr char tooLong = 1 << 1;    // ASCII, then a continuation
constexpr char overlong3 = 1 << 2;  // E0, then 80-9F
constexpr char tooLarge = 1 << 3;   // F4, then 90-BF; or F5 and above
constexpr char surrogate = 1 << 4;  // ED, then A0-BF
constexpr char overlong2 = 1 << 5;  // C0 or C1
constexpr char tooLarge1000 = 1 << 6;
constexpr char overlong4 = 1 << 6;  // F0, then 80-8F
constexpr char twoContinuations = char(1 << 7);
constexpr char carry = tooShort | tooLong | twoContinuations;
constexpr char large = carry | tooLarge | tooLarge1000;
constexpr char continuation = tooLong | overlong2 | twoContinuations;

constexpr char byte1HighTable[16] = {
    tooLong, tooLong, tooLong, tooLong, tooLong, tooLong, tooLong, tooLong,
    twoContinuations, twoContinuations, twoContinuations, twoContinuations,
    tooShort | overlong2, tooShort, tooShort | overlong3 | surrogate,
    tooShort | tooLarge | tooLarge1000 | overlong4};
constexpr char byte1LowTable[16] = {
    carry | overlong3 | overlong2 | overlong4, carry | overlong2, carry, carry, carry | tooLarge,
    large, large, large, large, large, large, large, large, large | surrogate, large, large};
constexpr char byte2HighTable[16] = {
    tooShort, tooShort, tooShort, tooShort, tooShort, tooShort, tooShort, tooShort,
    continuation | overlong3 | tooLarge1000 | overlong4, continuation | overlong3 | tooLarge,
    continuation | surrogate | tooLarge, continuation | surrogate | tooLarge,
    tooShort, tooShort, tooShort, tooShort};

template <typename V>
typename V::Bytes errorsIn(typename V::Bytes input, typename V::Bytes previous)
{
    const auto prev1 = V::template earlier<1>(input, previous);
    const auto byte1High = V::lookUp(V::table(byte1HighTable), V::highNibbles(prev1));
    const auto byte1Low = V::lookUp(V::table(byte1LowTable), V::both(prev1, V::splat(0x0F)));
    const auto byte2High = V::lookUp(V::table(byte2HighTable), V::highNibbles(input));
    const auto special = V::both(V::both(byte1High, byte1Low), byte2High);
    // Third and fourth bytes of sequences must be continuations: the tables say so only of
    // second bytes.
    const auto third = V::minusSaturated(V::template earlier<2>(input, previous), V::splat(char(0xE0 - 0x80)));
    const auto fourth = V::minusSaturated(V::template earlier<3>(input, previous), V::splat(char(0xF0 - 0x80)));
    const auto must = V::both(V::either(third, fourth), V::splat(char(0x80)));
    return V::differ(must, special);
}

// How many leading bytes of data are surely whole, valid sequences: all of them, or up to the
// first block with an error, moved back to the start of a sequence. The bytes after it are for
// the byte-wise check, which also tells a sequence that the end of the data cuts.
template <typename V>
qsizetype validUtf8Prefix(const char *data, qsizetype size)
{
    constexpr qsizetype width = V::width;
    auto previous = V::zero();
    qsizetype at = 0;
    // Four blocks a step: plain ASCII after a block of it is valid as it stands; other steps
    // are checked whole, with one branch, as text in another script mixes the two
    // unpredictably.
    for (; at + 4 * width < size; at += 4 * width) {
        const auto a = V::load(data + at), b = V::load(data + at + width);
        const auto c = V::load(data + at + 2 * width), d = V::load(data + at + 3 * width);
        if (V::anyHigh(V::either(V::either(V::either(a, b), V::either(c, d)), previous))) {
            const auto errors = V::either(V::either(errorsIn<V>(a, previous), errorsIn<V>(b, a)),
                                          V::either(errorsIn<V>(c, b), errorsIn<V>(d, c)));
            if (!V::isZero(errors))
                break;
        }
        previous = d;
    }
    // Then, or from the step with an error, a block at a time.
    for (; at + width < size; at += width) {
        const auto input = V::load(data + at);
        if (!V::isZero(errorsIn<V>(input, previous)))
            break;
        previous = input;
    }
    if (at + width >= size) {
        // The last bytes, followed by NULs, which a sequence that the end cuts cannot take as
        // its continuation: short records are then checked whole here.
        char last[2 * width] = {};
        std::memcpy(last, data + at, size_t(size - at));
        const auto input = V::load(last);
        const auto after = V::load(last + width);
        if (V::isZero(V::either(errorsIn<V>(input, previous), errorsIn<V>(after, input))))
            return size;
    }
    // An error found in one block may lie in a sequence that starts in the three bytes before
    // it; before those, every byte that is no continuation starts a valid sequence.
    at = at > 3 ? at - 3 : 0;
    while (at > 0 && (static_cast<unsigned char>(data[at]) & 0xC0) == 0x80)
        --at;
    return at;
}

} // namespace
} // namespace lumaril::text
