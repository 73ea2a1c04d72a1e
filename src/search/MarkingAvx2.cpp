// The marking code built for AVX2, thirty-two bytes a step. The program as a whole is built
// for any x86-64 processor and calls this only where the processor has AVX2
// (text::canMarkWith). Only the code after the pragma below is built for AVX2: the inline
// functions of Qt and of the standard library come before it, so the copies of them that this
// file may leave for the linker still run on every processor.

#include "TextCoding.h"

#include <QByteArrayView>

#include <immintrin.h>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

namespace lumaril::text {
namespace {

struct Avx2Vector
{
    using Bytes = __m256i;
    static constexpr int width = 32;
    static Bytes load(const char *p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p)); }
    static Bytes splat(unsigned char byte) { return _mm256_set1_epi8(char(byte)); }
    static Bytes equal(Bytes a, Bytes b) { return _mm256_cmpeq_epi8(a, b); }
    static Bytes either(Bytes a, Bytes b) { return _mm256_or_si256(a, b); }
    static Bytes both(Bytes a, Bytes b) { return _mm256_and_si256(a, b); }
    static quint64 highBits(Bytes v) { return quint64(unsigned(_mm256_movemask_epi8(v))); }
};

} // namespace
} // namespace lumaril::text

#include "MarkingKernel.h"

namespace lumaril::text {
namespace {

qsizetype markWithAvx2(const char *data, qsizetype size, qsizetype firstWord,
                       QByteArrayView lowerNeedle, ByteMasks *masks, bool &anyNonAscii)
{
    return lowerNeedle.isEmpty()
            ? markWholeWords<Avx2Vector, false>(data, size, firstWord, lowerNeedle, masks, anyNonAscii)
            : markWholeWords<Avx2Vector, true>(data, size, firstWord, lowerNeedle, masks, anyNonAscii);
}

} // namespace
} // namespace lumaril::text

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

namespace lumaril::text {

// Called from TextCoding.cpp, which has no AVX2 code of its own.
qsizetype markWholeWordsWithAvx2(const char *data, qsizetype size, qsizetype firstWord,
                                 QByteArrayView lowerNeedle, ByteMasks *masks, bool &anyNonAscii)
{
    return markWithAvx2(data, size, firstWord, lowerNeedle, masks, anyNonAscii);
}

} // namespace lumaril::text
