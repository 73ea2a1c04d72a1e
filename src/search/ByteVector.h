#pragma once

// A register of N bytes for the byte searches (CandidateScan.h, Utf8Check.h), written once for
// every width and instruction set in the vector types that GCC and Clang share. The compiler
// builds each operation from the instructions in force where the code using it is built: 16
// bytes in the program's own build (SSE2 on x86-64, NEON on arm64), 32 and 64 bytes in the
// regions of ByteSearchAvx2.cpp and ByteSearchAvx512.cpp. The few operations that compilers
// cannot yet build well from the portable form take the processor's own instruction, in
// `#if` blocks marked below, each beside its portable form.
//
// Like the searches, it has internal linkage: each file keeps copies built for its own
// instructions.

#include <QtGlobal>

#include <type_traits>
#include <utility>

#if defined(__x86_64__)
#include <immintrin.h>
#define LUMARIL_VECTORS_X86
#elif defined(__aarch64__) && defined(__ARM_NEON)
#include <arm_neon.h>
#define LUMARIL_VECTORS_NEON
#endif

namespace lumaril::text {
namespace {

// The register types of each width, named one width at a time: GCC cannot index a vector
// whose size depends on a template parameter.
template <int N>
struct VectorTypes;
#define LUMARIL_VECTOR_TYPES(n)                                                                  \
    template <>                                                                                  \
    struct VectorTypes<n>                                                                        \
    {                                                                                            \
        typedef unsigned char Bytes __attribute__((vector_size(n)));                             \
        typedef quint64 Words __attribute__((vector_size(n)));                                   \
        typedef quint16 Units __attribute__((vector_size(2 * n)));                               \
    };
LUMARIL_VECTOR_TYPES(16)
LUMARIL_VECTOR_TYPES(32)
LUMARIL_VECTOR_TYPES(64)
#undef LUMARIL_VECTOR_TYPES

template <int N>
struct ByteVector
{
    using Bytes = typename VectorTypes<N>::Bytes;
    using Words = typename VectorTypes<N>::Words;
#ifdef LUMARIL_VECTORS_X86
    // At 64 bytes a comparison gives a mask register, a bit a lane, and masks are kept so:
    // GCC would make bytes of each and then bits again.
    static constexpr bool bitMasks = N == 64;
#else
    static constexpr bool bitMasks = false;
#endif
    // Otherwise a lane is set when its top bit is: a comparison sets all of its bits, and
    // nonAscii() gives the bytes as they are.
    using Mask = std::conditional_t<bitMasks, quint64, Bytes>;
    static constexpr qsizetype width = N;

    static Bytes load(const char *p)
    {
        Bytes v;
        __builtin_memcpy(&v, p, N);
        return v;
    }
    static Bytes zero() { return Bytes{}; }
    static Bytes splat(char c) { return Bytes{} + static_cast<unsigned char>(c); }
    // The same 16 bytes in every 16 of the register.
    static Bytes table(const char (&t)[16])
    {
        typename VectorTypes<16>::Bytes v;
        __builtin_memcpy(&v, t, 16);
        return shuffled(v, v, [](int i) { return i % 16; }, std::make_integer_sequence<int, N>());
    }

    static Mask equal(Bytes a, Bytes b)
    {
#ifdef LUMARIL_VECTORS_X86
        if constexpr (bitMasks)
            return _mm512_cmpeq_epi8_mask((__m512i)a, (__m512i)b);
        else
#endif
            return (Bytes)(a == b);
    }
    static Mask nonAscii(Bytes v)
    {
#ifdef LUMARIL_VECTORS_X86
        if constexpr (bitMasks)
            return _mm512_movepi8_mask((__m512i)v);
        else
#endif
            return v;
    }
    // The lanes outside ASCII and outside [low, low + span].
    static Mask outside(Bytes v, Bytes low, Bytes span)
    {
        const Bytes shifted = v - low;
#ifdef LUMARIL_VECTORS_X86
        if constexpr (bitMasks)
            return nonAscii(v) & _mm512_cmpgt_epu8_mask((__m512i)shifted, (__m512i)span);
        else
#endif
            return v & (Bytes)(shifted > span);
    }
    // For masks and registers alike.
    template <typename T>
    static T both(T a, T b)
    {
        return a & b;
    }
    template <typename T>
    static T either(T a, T b)
    {
        return a | b;
    }
    static Bytes differ(Bytes a, Bytes b) { return a ^ b; }
    static Bytes highNibbles(Bytes v) { return v >> 4; }
    static Bytes minusSaturated(Bytes a, Bytes b)
    {
#ifdef LUMARIL_VECTORS_X86
        if constexpr (N == 16)
            return (Bytes)_mm_subs_epu8((__m128i)a, (__m128i)b);
        else if constexpr (N == 32)
            return (Bytes)_mm256_subs_epu8((__m256i)a, (__m256i)b);
        else
            return (Bytes)_mm512_subs_epu8((__m512i)a, (__m512i)b);
#else
        return a - (a < b ? a : b);
#endif
    }

    // The lanes set, a bit each, the first lane's lowest.
    static quint64 bits(Mask m)
    {
#ifdef LUMARIL_VECTORS_X86
        if constexpr (bitMasks)
            return m;
        else if constexpr (N == 16)
            return quint32(_mm_movemask_epi8((__m128i)m));
        else
            return quint32(_mm256_movemask_epi8((__m256i)m));
#else
        // Each word's top bits gathered into its top byte by one multiply: bit 7 of byte j
        // lands on bit 56 + j, and no two products meet.
        const Words w = (Words)m;
        quint64 out = 0;
        for (int i = 0; i < N / 8; ++i)
            out |= ((w[i] & 0x8080808080808080u) * 0x0002040810204081u) >> 56 << (8 * i);
        return out;
#endif
    }
    static bool anyHigh(Bytes v) { return bits(nonAscii(v)) != 0; }
    // Stores each byte as a 16-bit code unit, as ASCII and Latin-1 read.
    static void widen(Bytes v, char16_t *out)
    {
        const auto units = __builtin_convertvector(v, typename VectorTypes<N>::Units);
        __builtin_memcpy(out, &units, 2 * N);
    }
    static bool isZero(Bytes v)
    {
#ifdef LUMARIL_VECTORS_X86
        // One test instruction where there is one; GCC would take the words out one by one.
        if constexpr (N == 32)
            return _mm256_testz_si256((__m256i)v, (__m256i)v) != 0;
        else if constexpr (N == 64)
            return _mm512_test_epi64_mask((__m512i)v, (__m512i)v) == 0;
#endif
        const Words w = (Words)v;
        quint64 any = w[0];
        for (int i = 1; i < N / 8; ++i)
            any |= w[i];
        return any == 0;
    }

    // Each lane's byte of table at its index (0 to 15), table holding the same 16 bytes in
    // every 16 of the register.
    static Bytes lookUp(Bytes table, Bytes indices)
    {
#if defined(LUMARIL_VECTORS_X86)
        if constexpr (N == 32)
            return (Bytes)_mm256_shuffle_epi8((__m256i)table, (__m256i)indices);
        else if constexpr (N == 64)
            return (Bytes)_mm512_shuffle_epi8((__m512i)table, (__m512i)indices);
#elif defined(LUMARIL_VECTORS_NEON)
        return (Bytes)vqtbl1q_u8((uint8x16_t)table, (uint8x16_t)indices);
#endif
        Bytes out; // SSE2 has no lookup: the UTF-8 check is not built for it
        for (int i = 0; i < N; ++i)
            out[i] = table[(i & ~15) | (indices[i] & 15)];
        return out;
    }

    // The input n bytes later, the bytes freed at its start taken from the end of previous.
    template <int n>
    static Bytes earlier(Bytes input, Bytes previous)
    {
        // In two steps that each register width has instructions for: each 16 bytes of input
        // beside the 16 before them, then the two shifted together.
        const auto before = (Bytes)shuffled((Words)previous, (Words)input, [](int i) { return N / 8 - 2 + i; },
                                            std::make_integer_sequence<int, N / 8>());
#ifdef LUMARIL_VECTORS_X86
        if constexpr (N == 64) // GCC builds the portable form from five instructions here
            return (Bytes)_mm512_alignr_epi8((__m512i)input, (__m512i)before, 16 - n);
#endif
        return shuffled(before, input, [](int i) { return i % 16 >= n ? N + i - n : i + 16 - n; },
                        std::make_integer_sequence<int, N>());
    }

private:
    // The lanes of (a, b) at the places that place(i) gives for each lane i of the result.
    template <typename V, typename Place, int... i>
    static auto shuffled(V a, V b, Place, std::integer_sequence<int, i...>)
    {
        return __builtin_shufflevector(a, b, Place()(i)...);
    }
};

} // namespace
} // namespace lumaril::text
