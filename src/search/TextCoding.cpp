#include "TextCoding.h"

#include "MarkingKernel.h"

#include <algorithm>
#include <array>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#define LUMARIL_HAVE_SSE2
#include <emmintrin.h>
#endif

namespace lumaril::text {

namespace {

// Windows-1252 characters for the bytes 80 to 9F; the rest of the code page is Latin-1.
constexpr std::array<char16_t, 32> highControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t windows1252Char(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return highControls[byte - 0x80];
    return byte;
}

} // namespace

namespace {

// The first byte at or after p with its high bit set, or a place at most seven bytes before
// it (or end): English text is ASCII for long stretches, so they are passed a block at a time.
const unsigned char *skipAscii(const unsigned char *p, const unsigned char *end)
{
#ifdef LUMARIL_HAVE_SSE2
    while (end - p >= 64) {
        const auto *v = reinterpret_cast<const __m128i *>(p);
        const __m128i any = _mm_or_si128(_mm_or_si128(_mm_loadu_si128(v), _mm_loadu_si128(v + 1)),
                                         _mm_or_si128(_mm_loadu_si128(v + 2), _mm_loadu_si128(v + 3)));
        if (_mm_movemask_epi8(any) != 0)
            break;
        p += 64;
    }
#endif
    while (end - p >= 8) {
        quint64 word;
        std::memcpy(&word, p, 8);
        if (word & 0x8080808080808080u)
            break;
        p += 8;
    }
    return p;
}

} // namespace

Utf8Check checkUtf8(QByteArrayView bytes)
{
    const auto *const begin = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *const end = begin + bytes.size();
    const auto *p = begin;
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            p = skipAscii(p + 1, end);
            continue;
        }
        int extra = 0;
        unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            if (c == 0xE0)
                low = 0xA0; // overlong
            if (c == 0xED)
                high = 0x9F; // surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            if (c == 0xF0)
                low = 0x90; // overlong
            if (c == 0xF4)
                high = 0x8F; // past U+10FFFF
        } else {
            return {p - begin, false};
        }
        const qsizetype available = std::min<qsizetype>(extra, end - p - 1);
        if (available >= 1 && (p[1] < low || p[1] > high))
            return {p - begin, false};
        for (int i = 2; i <= available; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return {p - begin, false};
        }
        if (available < extra)
            return {p - begin, true};
        p += extra + 1;
    }
    return {bytes.size(), false};
}

bool isValidUtf8(QByteArrayView bytes)
{
    return checkUtf8(bytes).validSize == bytes.size();
}

QString fromWindows1252(QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    auto *dst = reinterpret_cast<char16_t *>(out.data());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        dst[i] = windows1252Char(static_cast<unsigned char>(bytes[i]));
    return out;
}

std::optional<QByteArray> toWindows1252(QStringView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.append(static_cast<char>(u));
            continue;
        }
        int found = -1;
        for (int i = 0; i < int(highControls.size()); ++i) {
            if (highControls[i] == u)
                found = i;
        }
        if (found < 0)
            return std::nullopt;
        out.append(static_cast<char>(0x80 + found));
    }
    return out;
}

#ifdef LUMARIL_HAVE_SSE2
namespace {

struct Sse2Vector
{
    using Bytes = __m128i;
    static constexpr int width = 16;
    static Bytes load(const char *p) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)); }
    static Bytes splat(unsigned char byte) { return _mm_set1_epi8(char(byte)); }
    static Bytes equal(Bytes a, Bytes b) { return _mm_cmpeq_epi8(a, b); }
    static Bytes either(Bytes a, Bytes b) { return _mm_or_si128(a, b); }
    static Bytes both(Bytes a, Bytes b) { return _mm_and_si128(a, b); }
    static quint64 highBits(Bytes v) { return quint64(unsigned(_mm_movemask_epi8(v))); }
};

} // namespace
#endif

#ifdef LUMARIL_MARK_WITH_AVX2
// In MarkingAvx2.cpp, the only code built for AVX2.
qsizetype markWholeWordsWithAvx2(const char *data, qsizetype size, qsizetype firstWord,
                                 QByteArrayView lowerNeedle, ByteMasks *masks, bool &anyNonAscii);
#endif

namespace {

inline unsigned char lowerAscii(unsigned char c)
{
    return static_cast<unsigned char>(c + ((static_cast<unsigned char>(c - 'A') < 26) << 5));
}

// Marks the words from firstWord on a byte at a time: all of them for the portable code, and
// the last few, which the vector code leaves, for the others.
bool markWordsPortable(const char *data, qsizetype size, qsizetype firstWord,
                       QByteArrayView lowerNeedle, ByteMasks *masks)
{
    bool anyNonAscii = false;
    const qsizetype reach = needleReach(lowerNeedle);
    const auto *bytes = reinterpret_cast<const unsigned char *>(data);
    const auto first = static_cast<unsigned char>(lowerNeedle.isEmpty() ? 0 : lowerNeedle.front());
    const auto last = static_cast<unsigned char>(lowerNeedle.isEmpty() ? 0 : lowerNeedle.back());
    const qsizetype endWord = (size + 63) / 64;
    for (qsizetype w = firstWord; w < endWord; ++w) {
        ByteMasks out{0, 0, 0};
        const qsizetype base = w * 64;
        const int count = int(std::min<qsizetype>(64, size - base));
        for (int j = 0; j < count; ++j) {
            const qsizetype i = base + j;
            const quint64 bit = quint64(1) << j;
            if (bytes[i] == '#')
                out.marks |= bit;
            if (!lowerNeedle.isEmpty() && i + reach < size && lowerAscii(bytes[i]) == first
                && lowerAscii(bytes[i + reach]) == last) {
                out.candidates |= bit;
            }
            if (bytes[i] & 0x80)
                out.nonAscii |= bit;
        }
        masks[w] = out;
        anyNonAscii = anyNonAscii || out.nonAscii != 0;
    }
    return anyNonAscii;
}

MarkingCode fastestMarkingCode()
{
    for (const MarkingCode code : {MarkingCode::Avx2, MarkingCode::Sse2}) {
        if (canMarkWith(code))
            return code;
    }
    return MarkingCode::Portable;
}

} // namespace

bool canMarkWith(MarkingCode code)
{
    switch (code) {
    case MarkingCode::Portable:
        return true;
    case MarkingCode::Sse2:
#ifdef LUMARIL_HAVE_SSE2
        return true;
#else
        return false;
#endif
    case MarkingCode::Avx2:
#ifdef LUMARIL_MARK_WITH_AVX2
        return __builtin_cpu_supports("avx2");
#else
        return false;
#endif
    }
    return false;
}

bool markBytesWith(MarkingCode code, const char *data, qsizetype size, qsizetype firstWord,
                   QByteArrayView lowerNeedle, ByteMasks *masks)
{
    bool anyNonAscii = false;
    switch (code) {
    case MarkingCode::Portable:
        break;
    case MarkingCode::Sse2:
#ifdef LUMARIL_HAVE_SSE2
        firstWord = lowerNeedle.isEmpty()
                ? markWholeWords<Sse2Vector, false>(data, size, firstWord, lowerNeedle, masks,
                                                    anyNonAscii)
                : markWholeWords<Sse2Vector, true>(data, size, firstWord, lowerNeedle, masks,
                                                   anyNonAscii);
#endif
        break;
    case MarkingCode::Avx2:
#ifdef LUMARIL_MARK_WITH_AVX2
        firstWord = markWholeWordsWithAvx2(data, size, firstWord, lowerNeedle, masks, anyNonAscii);
#endif
        break;
    }
    return markWordsPortable(data, size, firstWord, lowerNeedle, masks) || anyNonAscii;
}

bool markBytes(const char *data, qsizetype size, qsizetype firstWord, QByteArrayView lowerNeedle,
               ByteMasks *masks)
{
    static const MarkingCode fastest = fastestMarkingCode();
    return markBytesWith(fastest, data, size, firstWord, lowerNeedle, masks);
}

qsizetype firstUnsettledWord(qsizetype markedSize, QByteArrayView lowerNeedle)
{
    // A place's candidate bit looks at the bytes up to reach after it.
    return std::max<qsizetype>(0, markedSize - needleReach(lowerNeedle)) / 64;
}

bool startsWithIgnoringAsciiCase(const char *text, QByteArrayView lowerNeedle)
{
    for (qsizetype i = 0; i < lowerNeedle.size(); ++i) {
        if (lowerAscii(static_cast<unsigned char>(text[i]))
            != static_cast<unsigned char>(lowerNeedle[i])) {
            return false;
        }
    }
    return true;
}

QString trimBlanks(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ')
        ++first;
    while (last > first && text[last - 1] == u' ')
        --last;
    return text.mid(first, last - first);
}

} // namespace lumaril::text
