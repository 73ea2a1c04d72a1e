#include "TextCoding.h"

#include <array>
#include <bit>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
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

bool isValidUtf8(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *end = p + bytes.size();
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
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
            return false;
        }
        if (end - p <= extra)
            return false;
        if (p[1] < low || p[1] > high)
            return false;
        for (int i = 2; i <= extra; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
        }
        p += extra + 1;
    }
    return true;
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

const char *findNonAscii(const char *begin, const char *end)
{
    const char *p = begin;
    // Eight bytes at a time: any high bit in the word means a non-ASCII byte in it.
    constexpr quint64 highBits = 0x8080808080808080ULL;
    while (end - p >= 8) {
        quint64 word;
        std::memcpy(&word, p, sizeof word);
        if (word & highBits)
            break;
        p += 8;
    }
    while (p < end && static_cast<unsigned char>(*p) < 0x80)
        ++p;
    return p;
}

bool hasNonAscii(const char *data, qsizetype size)
{
    // No early exit, so that the compiler vectorises the loop.
    unsigned char any = 0;
    for (qsizetype i = 0; i < size; ++i)
        any |= static_cast<unsigned char>(data[i]);
    return any & 0x80;
}

namespace {

inline unsigned char lowerAscii(unsigned char c)
{
    return static_cast<unsigned char>(c + ((static_cast<unsigned char>(c - 'A') < 26) << 5));
}

bool equalIgnoringAsciiCase(const char *text, const char *lowerNeedle, qsizetype size)
{
    for (qsizetype i = 0; i < size; ++i) {
        if (lowerAscii(static_cast<unsigned char>(text[i])) != static_cast<unsigned char>(lowerNeedle[i]))
            return false;
    }
    return true;
}

#if defined(__SSE2__) || defined(_M_X64)
// 16 bytes with A-Z turned into a-z.
inline __m128i lower16(__m128i bytes)
{
    const __m128i fromA = _mm_sub_epi8(bytes, _mm_set1_epi8('A'));
    const __m128i isUpper = _mm_cmpeq_epi8(_mm_min_epu8(fromA, _mm_set1_epi8(25)), fromA);
    return _mm_or_si128(bytes, _mm_and_si128(isUpper, _mm_set1_epi8(0x20)));
}
#endif

} // namespace

const char *findIgnoringAsciiCase(const char *hay, qsizetype size, QByteArrayView lowerNeedle)
{
    const qsizetype m = lowerNeedle.size();
    if (m == 0)
        return hay;
    if (m > size)
        return nullptr;
    const char *needle = lowerNeedle.data();
    const qsizetype last = size - m; // the last place an occurrence can start
    qsizetype i = 0;
#if defined(__SSE2__) || defined(_M_X64)
    // Sixteen places at a time: keep those whose first and last byte both match, and compare
    // the rest only there. Text rarely passes both tests, so this runs at memory speed.
    const __m128i first = _mm_set1_epi8(needle[0]);
    const __m128i lastByte = _mm_set1_epi8(needle[m - 1]);
    for (; i + 16 <= last + 1; i += 16) {
        const __m128i a = lower16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(hay + i)));
        const __m128i b =
                lower16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(hay + i + m - 1)));
        unsigned mask = unsigned(_mm_movemask_epi8(
                _mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, lastByte))));
        while (mask != 0) {
            const int bit = std::countr_zero(mask);
            if (equalIgnoringAsciiCase(hay + i + bit + 1, needle + 1, m - 2 > 0 ? m - 2 : 0))
                return hay + i + bit;
            mask &= mask - 1;
        }
    }
#endif
    for (; i <= last; ++i) {
        if (equalIgnoringAsciiCase(hay + i, needle, m))
            return hay + i;
    }
    return nullptr;
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
