// The byte searches built for AVX-512, sixty-four bytes a register, where each comparison
// gives a mask of its own. Built and called only as those in ByteSearchAvx2.cpp are; see there.

#include <QtGlobal>

#include <bit>
#include <cstring>
#include <type_traits>
#include <utility>

#include <immintrin.h>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f,avx512bw"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw")
#endif

#include "ByteVector.h"
#include "CandidateScan.h"
#include "Utf8Check.h"

namespace lumaril::text {

qsizetype findCandidateWithAvx512(const char *data, qsizetype from, qsizetype stop,
                                  const CandidateTest &wanted, bool orNonAscii, bool &found)
{
    return findCandidate<ByteVector<64>>(data, from, stop, wanted, orNonAscii, found);
}

qsizetype validUtf8PrefixWithAvx512(const char *data, qsizetype size)
{
    return validUtf8Prefix<ByteVector<64>>(data, size);
}

qsizetype decodeUtf8WithAvx512(const char *data, qsizetype size, char16_t *out, qsizetype &written)
{
    // Sixteen bytes a step, each widened to a lane of its own beside the two after it, so
    // that every lane works out the character that would start there; the lanes where one
    // does start are then packed together. A step reads two bytes past its sixteen.
    // The masked forms with every lane set: GCC warns of the unmasked ones' undefined start.
    constexpr __mmask16 all = 0xFFFF;
    const __m512i low6 = _mm512_set1_epi32(0x3F);
    const auto widened = [data](qsizetype at) {
        return _mm512_maskz_cvtepu8_epi32(all, _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + at)));
    };
    // Sixteen three-byte sequences in a row, as text in Chinese mostly is, are decoded at
    // once: each 128-bit lane takes four of them, a sequence to a 32-bit lane.
    const __m512i twelveBytes = _mm512_set_epi32(12, 11, 10, 9, 9, 8, 7, 6, 6, 5, 4, 3, 3, 2, 1, 0);
    const __m512i threeBytes = _mm512_maskz_broadcast_i32x4(
            all, _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1));
    constexpr quint64 sixteenLeads = 0x249249249249; // every third byte of forty-eight
    qsizetype at = 0;
    written = 0;
    while (at + 18 <= size) {
        // Plain ASCII, as most of a text in a Latin script is, only widens.
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + at));
        if (_mm_movemask_epi8(bytes) == 0) {
            _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + written), _mm256_cvtepu8_epi16(bytes));
            written += 16;
            at += 16;
            continue;
        }
        if (at + 64 <= size) {
            const __m512i block = _mm512_loadu_si512(data + at);
            const quint64 leads = _mm512_cmpeq_epi8_mask(
                    _mm512_and_si512(block, _mm512_set1_epi8(char(0xF0))), _mm512_set1_epi8(char(0xE0)));
            if ((leads & 0xFFFFFFFFFFFF) == sixteenLeads) {
                const __m512i x = _mm512_shuffle_epi8(_mm512_maskz_permutexvar_epi32(all, twelveBytes, block),
                                                      threeBytes);
                const __m512i units = _mm512_or_si512(
                        _mm512_or_si512(_mm512_maskz_slli_epi32(all, _mm512_and_si512(x, _mm512_set1_epi32(0x0F)), 12),
                                        _mm512_maskz_srli_epi32(all, _mm512_and_si512(x, _mm512_set1_epi32(0x3F00)), 2)),
                        _mm512_maskz_srli_epi32(all, _mm512_and_si512(x, _mm512_set1_epi32(0x3F0000)), 16));
                _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + written),
                                    _mm512_maskz_cvtepi32_epi16(all, units));
                written += 16;
                at += 48;
                continue;
            }
        }
        const __m512i b0 = _mm512_maskz_cvtepu8_epi32(all, bytes), b1 = widened(at + 1), b2 = widened(at + 2);
        const __mmask16 starts = _mm512_cmpneq_epi32_mask(
                _mm512_and_si512(b0, _mm512_set1_epi32(0xC0)), _mm512_set1_epi32(0x80));
        // Four-byte sequences make two code units each, which the packing cannot place.
        if (_mm512_mask_cmpge_epu32_mask(starts, b0, _mm512_set1_epi32(0xF0)) != 0)
            break;
        const __m512i two = _mm512_or_si512(
                _mm512_maskz_slli_epi32(all, _mm512_and_si512(b0, _mm512_set1_epi32(0x1F)), 6),
                _mm512_and_si512(b1, low6));
        const __m512i three = _mm512_or_si512(
                _mm512_or_si512(_mm512_maskz_slli_epi32(all, _mm512_and_si512(b0, _mm512_set1_epi32(0x0F)), 12),
                                _mm512_maskz_slli_epi32(all, _mm512_and_si512(b1, low6), 6)),
                _mm512_and_si512(b2, low6));
        __m512i units = _mm512_mask_blend_epi32(
                _mm512_cmpge_epu32_mask(b0, _mm512_set1_epi32(0xE0)), two, three);
        units = _mm512_mask_blend_epi32(_mm512_cmplt_epu32_mask(b0, _mm512_set1_epi32(0x80)),
                                        units, b0);
        // All sixteen are stored; the ones past the characters found are written over next.
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + written),
                            _mm512_maskz_cvtepi32_epi16(all, _mm512_maskz_compress_epi32(starts, units)));
        written += std::popcount(static_cast<unsigned>(starts));
        at += 16;
    }
    // The last step's last character may have ended past it.
    while (at < size && (static_cast<unsigned char>(data[at]) & 0xC0) == 0x80)
        ++at;
    return at;
}

} // namespace lumaril::text

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
