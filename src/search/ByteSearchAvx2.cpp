// The byte searches built for AVX2, thirty-two bytes a register: the candidate search
// (CandidateScan.h) and the UTF-8 check (Utf8Check.h). The program as a whole is built for any
// x86-64 processor and calls these only where the processor has AVX2. Only the code after the
// pragma below is built for AVX2: the inline functions of Qt and of the standard library come
// before it, so the copies of them that this file may leave for the linker still run on every
// processor.

#include <QtGlobal>

#include <bit>
#include <cstring>
#include <type_traits>
#include <utility>

#include <immintrin.h>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#include "ByteVector.h"
#include "CandidateScan.h"
#include "Utf8Check.h"

namespace lumaril::text {

qsizetype findCandidateWithAvx2(const char *data, qsizetype from, qsizetype stop,
                                const CandidateTest &wanted, bool orNonAscii, bool &found)
{
    return findCandidate<ByteVector<32>>(data, from, stop, wanted, orNonAscii, found);
}

qsizetype validUtf8PrefixWithAvx2(const char *data, qsizetype size)
{
    return validUtf8Prefix<ByteVector<32>>(data, size);
}

} // namespace lumaril::text

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
