// The candidate search built for AVX-512, sixty-four bytes a register, where each comparison
// gives a mask of its own. Built and called only as the one in CandidateScanAvx2.cpp is; see
// there.

#include <QtGlobal>

#include <bit>

#include <immintrin.h>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f,avx512bw"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw")
#endif

#include "CandidateScan.h"

namespace lumaril::text {
namespace {

struct Avx512Vector
{
    using Bytes = __m512i;
    using Mask = __mmask64;
    static constexpr qsizetype width = 64;
    static Bytes load(const char *p) { return _mm512_loadu_si512(p); }
    static Bytes splat(unsigned char byte) { return _mm512_set1_epi8(char(byte)); }
    static Bytes either(Bytes a, Bytes b) { return _mm512_or_si512(a, b); }
    static Mask equal(Bytes a, Bytes b) { return _mm512_cmpeq_epi8_mask(a, b); }
    static Mask both(Mask a, Mask b) { return a & b; }
    static Mask any(Mask a, Mask b) { return a | b; }
    static Mask nonAscii(Bytes v) { return _mm512_movepi8_mask(v); }
    static quint64 bits(Mask m) { return m; }
};

} // namespace

qsizetype findCandidateWithAvx512(const char *data, qsizetype from, qsizetype stop,
                                  const AnchorBytes &first, const AnchorBytes &second, bool pair,
                                  qsizetype distance, bool orNonAscii, bool &found)
{
    return findCandidate<Avx512Vector>(data, from, stop, first, second, pair, distance,
                                       orNonAscii, found);
}

} // namespace lumaril::text

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
