// The byte searches built for AVX2, thirty-two bytes a register: the candidate search
// (CandidateScan.h) and the UTF-8 check (Utf8Check.h). The program as a whole is built for any
// x86-64 processor and calls these only where the processor has AVX2. Only the code after the
// pragma below is built for AVX2: the inline functions of Qt and of the standard library come
// before it, so the copies of them that this file may leave for the linker still run on every
// processor.

#include <QtGlobal>

#include <bit>

#include <immintrin.h>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#include "CandidateScan.h"
#include "Utf8Check.h"

namespace lumaril::text {
namespace {

struct Avx2Bytes
{
    using Bytes = __m256i;
    using Mask = __m256i; // all ones in a lane that is set
    static constexpr qsizetype width = 32;
    static Mask equal(Bytes a, Bytes b) { return _mm256_cmpeq_epi8(a, b); }
    static Mask nonAscii(Bytes v) { return v; } // only the top bits are looked at
    static quint64 bits(Mask m) { return quint32(_mm256_movemask_epi8(m)); }
    static Bytes load(const char *p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p)); }
    static Bytes zero() { return _mm256_setzero_si256(); }
    static Bytes splat(char c) { return _mm256_set1_epi8(c); }
    static Bytes table(const char (&t)[16])
    {
        return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i *>(t)));
    }
    static Bytes lookUp(Bytes t, Bytes indices) { return _mm256_shuffle_epi8(t, indices); }
    static Bytes both(Bytes a, Bytes b) { return _mm256_and_si256(a, b); }
    static Bytes either(Bytes a, Bytes b) { return _mm256_or_si256(a, b); }
    static Bytes differ(Bytes a, Bytes b) { return _mm256_xor_si256(a, b); }
    static Bytes highNibbles(Bytes v) { return both(_mm256_srli_epi16(v, 4), splat(0x0F)); }
    static Bytes minusSaturated(Bytes a, Bytes b) { return _mm256_subs_epu8(a, b); }
    template <int n>
    static Bytes earlier(Bytes input, Bytes previous)
    {
        return _mm256_alignr_epi8(input, _mm256_permute2x128_si256(previous, input, 0x21), 16 - n);
    }
    static bool isZero(Bytes v) { return _mm256_testz_si256(v, v) != 0; }
    static Mask outside(Bytes v, Bytes low, Bytes span)
    {
        const __m256i shifted = _mm256_sub_epi8(v, low);
        return _mm256_andnot_si256(_mm256_cmpeq_epi8(_mm256_min_epu8(shifted, span), shifted), v);
    }
    static bool anyHigh(Bytes v) { return _mm256_movemask_epi8(v) != 0; }
};

} // namespace

qsizetype findCandidateWithAvx2(const char *data, qsizetype from, qsizetype stop,
                                const Sought &sought, bool orNonAscii, bool &found)
{
    return findCandidate<Avx2Bytes>(data, from, stop, sought, orNonAscii, found);
}

qsizetype validUtf8PrefixWithAvx2(const char *data, qsizetype size)
{
    return validUtf8Prefix<Avx2Bytes>(data, size);
}

} // namespace lumaril::text

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
