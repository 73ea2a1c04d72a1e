// Checks UTF-8 sixty-four bytes at a time with AVX2, for text::checkUtf8: the method of
// Keiser and Lemire ("Validating UTF-8 in less than one instruction per byte", 2021), which
// looks each byte and the one before it up in three small tables and checks where the second,
// third and fourth bytes of longer sequences must be. Built and called only as the candidate
// search in CandidateScanAvx2.cpp is; see there.

#include <QtGlobal>

#include <immintrin.h>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

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

__m256i table(char a0, char a1, char a2, char a3, char a4, char a5, char a6, char a7, char a8,
              char a9, char a10, char a11, char a12, char a13, char a14, char a15)
{
    return _mm256_setr_epi8(a0, a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15,
                            a0, a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15);
}

__m256i highNibbles(__m256i v)
{
    return _mm256_and_si256(_mm256_srli_epi16(v, 4), _mm256_set1_epi8(0x0F));
}

// The bytes of input moved n places later, the places freed filled from the end of previous.
template <int n>
__m256i earlier(__m256i input, __m256i previous)
{
    return _mm256_alignr_epi8(input, _mm256_permute2x128_si256(previous, input, 0x21), 16 - n);
}

__m256i errorsIn(__m256i input, __m256i previous)
{
    const __m256i prev1 = earlier<1>(input, previous);
    const __m256i byte1High = _mm256_shuffle_epi8(
            table(tooLong, tooLong, tooLong, tooLong, tooLong, tooLong, tooLong, tooLong,
                  twoContinuations, twoContinuations, twoContinuations, twoContinuations,
                  tooShort | overlong2, tooShort, tooShort | overlong3 | surrogate,
                  tooShort | tooLarge | tooLarge1000 | overlong4),
            highNibbles(prev1));
    constexpr char large = carry | tooLarge | tooLarge1000;
    const __m256i byte1Low = _mm256_shuffle_epi8(
            table(carry | overlong3 | overlong2 | overlong4, carry | overlong2, carry, carry,
                  carry | tooLarge, large, large, large, large, large, large, large, large,
                  large | surrogate, large, large),
            _mm256_and_si256(prev1, _mm256_set1_epi8(0x0F)));
    constexpr char continuation = tooLong | overlong2 | twoContinuations;
    const __m256i byte2High = _mm256_shuffle_epi8(
            table(tooShort, tooShort, tooShort, tooShort, tooShort, tooShort, tooShort, tooShort,
                  continuation | overlong3 | tooLarge1000 | overlong4,
                  continuation | overlong3 | tooLarge, continuation | surrogate | tooLarge,
                  continuation | surrogate | tooLarge, tooShort, tooShort, tooShort, tooShort),
            highNibbles(input));
    const __m256i special = _mm256_and_si256(_mm256_and_si256(byte1High, byte1Low), byte2High);
    // Third and fourth bytes of sequences must be continuations: the tables say so only of
    // second bytes.
    const __m256i third = _mm256_subs_epu8(earlier<2>(input, previous), _mm256_set1_epi8(char(0xE0 - 0x80)));
    const __m256i fourth = _mm256_subs_epu8(earlier<3>(input, previous), _mm256_set1_epi8(char(0xF0 - 0x80)));
    const __m256i must = _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8(char(0x80)));
    return _mm256_xor_si256(must, special);
}

} // namespace

// How many leading bytes of data are surely whole, valid sequences, found thirty-two bytes at
// a time: up to the first block with an error, or the last block, moved back to the start of
// a sequence. The bytes after it are for the byte-wise check.
qsizetype validUtf8PrefixWithAvx2(const char *data, qsizetype size)
{
    __m256i previous = _mm256_setzero_si256();
    qsizetype at = 0;
    // The last bytes, whole block or not, are always left to the byte-wise check, which also
    // sees a sequence that the end of the data cuts.
    const auto load = [data](qsizetype from) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(data + from));
    };
    // 128 bytes a step: plain ASCII after a block of it is valid as it stands; other steps are
    // checked whole, with one branch, as text in another script mixes the two unpredictably.
    for (; at + 128 < size; at += 128) {
        const __m256i a = load(at), b = load(at + 32), c = load(at + 64), d = load(at + 96);
        const __m256i any = _mm256_or_si256(_mm256_or_si256(a, b), _mm256_or_si256(c, d));
        if (_mm256_movemask_epi8(_mm256_or_si256(any, previous)) != 0) {
            const __m256i errors = _mm256_or_si256(
                    _mm256_or_si256(errorsIn(a, previous), errorsIn(b, a)),
                    _mm256_or_si256(errorsIn(c, b), errorsIn(d, c)));
            if (!_mm256_testz_si256(errors, errors))
                break;
        }
        previous = d;
    }
    // Then, or from the step with an error, a block at a time.
    for (; at + 32 < size; at += 32) {
        const __m256i input = load(at);
        const __m256i errors = errorsIn(input, previous);
        if (!_mm256_testz_si256(errors, errors))
            break;
        previous = input;
    }
    // An error found in one block may lie in a sequence that starts in the three bytes before
    // it; before those, every byte that is no continuation starts a valid sequence.
    at = at > 3 ? at - 3 : 0;
    while (at > 0 && (static_cast<unsigned char>(data[at]) & 0xC0) == 0x80)
        --at;
    return at;
}

} // namespace lumaril::text

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
