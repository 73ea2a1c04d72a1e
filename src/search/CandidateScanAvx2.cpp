// The candidate search built for AVX2, thirty-two bytes a register. The program as a whole is
// built for any x86-64 processor and calls this only where the processor has AVX2. Only the
// code after the pragma below is built for AVX2: the inline functions of Qt and of the
// standard library come before it, so the copies of them that this file may leave for the
// linker still run on every processor.

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

namespace lumaril::text {
namespace {

struct Avx2Vector
{
    using Bytes = __m256i;
    using Mask = __m256i; // all ones in a lane that is set
    static constexpr qsizetype width = 32;
    static Bytes load(const char *p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p)); }
    static Bytes splat(unsigned char byte) { return _mm256_set1_epi8(char(byte)); }
    static Bytes either(Bytes a, Bytes b) { return _mm256_or_si256(a, b); }
    static Mask equal(Bytes a, Bytes b) { return _mm256_cmpeq_epi8(a, b); }
    static Mask both(Mask a, Mask b) { return _mm256_and_si256(a, b); }
    static Mask any(Mask a, Mask b) { return _mm256_or_si256(a, b); }
    static Mask nonAscii(Bytes v) { return v; } // only the top bits are looked at
    static quint64 bits(Mask m) { return quint32(_mm256_movemask_epi8(m)); }
};

} // namespace

qsizetype findCandidateWithAvx2(const char *data, qsizetype from, qsizetype stop,
                                const AnchorBytes &first, const AnchorBytes &second, bool pair,
                                qsizetype distance, bool orNonAscii, bool &found)
{
    return findCandidate<Avx2Vector>(data, from, stop, first, second, pair, distance, orNonAscii,
                                     found);
}

} // namespace lumaril::text

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
