#include "TextCoding.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#if (defined(__GNUC__) || defined(__clang__)) && (defined(__SSE2__) || defined(__ARM_NEON))
#include "ByteVector.h"
#include "Utf8Check.h"
#define LUMARIL_HAVE_VECTORS
#endif

namespace lumaril::text {

namespace {

#ifdef LUMARIL_HAVE_VECTORS
// The register that every processor of the build has: SSE2 on x86-64, NEON on arm64.
using BaseVector = ByteVector<16>;
#endif

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

// The first byte at or after p with its high bit set, or a place at most seven bytes before
// it (or end): English text is ASCII for long stretches, so they are passed a block at a time.
const unsigned char *skipAscii(const unsigned char *p, const unsigned char *end)
{
#ifdef LUMARIL_HAVE_VECTORS
    using V = BaseVector;
    while (end - p >= 64) {
        const auto *c = reinterpret_cast<const char *>(p);
        if (V::anyHigh(V::either(V::either(V::load(c), V::load(c + 16)), V::either(V::load(c + 32), V::load(c + 48)))))
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

// The bytes of valid UTF-8 up to a sequence that their end cuts, if any.
qsizetype wholeSequences(QByteArrayView bytes)
{
    qsizetype lead = bytes.size() - 1;
    while (lead > 0 && bytes.size() - lead < 4 && (bytes[lead] & 0xC0) == 0x80)
        --lead;
    if (lead < 0)
        return 0;
    const auto c = static_cast<unsigned char>(bytes[lead]);
    const qsizetype length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    return lead + length > bytes.size() ? lead : bytes.size();
}

} // namespace

#ifdef LUMARIL_CANDIDATES_WITH_AVX2
// In ByteSearchAvx2.cpp and ByteSearchAvx512.cpp, built for those instructions alone.
qsizetype validUtf8PrefixWithAvx2(const char *data, qsizetype size);
qsizetype validUtf8PrefixWithAvx512(const char *data, qsizetype size);
// Decodes valid UTF-8 from data while its sequences are of one to three bytes and at least
// eighteen bytes are left, writing up to sixteen code units more than it keeps (never more than
// size in all); returns the bytes used, a whole number of sequences.
qsizetype decodeUtf8WithAvx512(const char *data, qsizetype size, char16_t *out, qsizetype &written);
#endif

Vectors widestVectors()
{
    static const Vectors widest = [] {
        Vectors found = Vectors::Sse2;
#ifdef LUMARIL_CANDIDATES_WITH_AVX2
        if (__builtin_cpu_supports("avx512bw"))
            found = Vectors::Avx512;
        else if (__builtin_cpu_supports("avx2"))
            found = Vectors::Avx2;
#endif
        const QByteArray asked = qgetenv("LUMARIL_VECTORS");
        if (asked == "sse2")
            return Vectors::Sse2;
        if (asked == "avx2")
            return std::min(found, Vectors::Avx2);
        return found;
    }();
    return widest;
}

Utf8Check checkUtf8(QByteArrayView bytes)
{
    const auto *const begin = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *const end = begin + bytes.size();
    const auto *p = begin;
#ifdef LUMARIL_CANDIDATES_WITH_AVX2
    // Text in another script than Latin has few stretches of ASCII to skip, and is checked
    // a block at a time where the processor can.
    const Vectors vectors = widestVectors();
    if (vectors == Vectors::Avx512)
        p += validUtf8PrefixWithAvx512(bytes.data(), bytes.size());
    else if (vectors == Vectors::Avx2)
        p += validUtf8PrefixWithAvx2(bytes.data(), bytes.size());
#elif defined(LUMARIL_HAVE_VECTORS) && defined(__ARM_NEON)
    // Every arm64 processor has the table lookup that the check needs.
    p += validUtf8Prefix<BaseVector>(bytes.data(), bytes.size());
#endif
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

void appendUtf8(QString &out, QByteArrayView bytes, bool checked)
{
    // Whole, valid sequences are decoded here, a few times faster than QStringDecoder decodes
    // text outside ASCII; whatever follows them is left to it, for its U+FFFD.
    const qsizetype valid = checked ? wholeSequences(bytes) : checkUtf8(bytes).validSize;
    const qsizetype start = out.size();
    out.resize(start + valid); // never more code units than bytes
    auto *const begin = reinterpret_cast<char16_t *>(out.data()) + start;
    auto *dst = begin;
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *const end = p + valid;
#ifdef LUMARIL_CANDIDATES_WITH_AVX2
    // Text in another script is decoded a block at a time where the processor can; what it
    // leaves (a four-byte sequence ahead, or the last few bytes) is decoded here.
    const bool wide = widestVectors() == Vectors::Avx512;
    const unsigned char *byteWiseUntil = p;
#endif
    while (p < end) {
        const char32_t c = *p;
#ifdef LUMARIL_CANDIDATES_WITH_AVX2
        if (wide && c >= 0x80 && p >= byteWiseUntil && end - p >= 18) {
            qsizetype written = 0;
            const qsizetype used = decodeUtf8WithAvx512(reinterpret_cast<const char *>(p),
                                                        end - p, dst, written);
            p += used;
            dst += written;
            byteWiseUntil = p + 16;
            continue;
        }
#endif
#ifdef LUMARIL_HAVE_VECTORS
        // The ASCII bytes ahead, up to sixteen, widened at once; what is written past them is
        // written over next (there is room: no more code units than bytes are ever written).
        if (c < 0x80 && end - p >= 16) {
            const auto v = BaseVector::load(reinterpret_cast<const char *>(p));
            BaseVector::widen(v, dst);
            const quint64 high = BaseVector::bits(v);
            const int ascii = high == 0 ? 16 : std::countr_zero(high);
            p += ascii;
            dst += ascii;
            continue;
        }
#endif
        if (c < 0x80) {
            *dst++ = char16_t(c);
            p += 1;
        } else if (c < 0xE0) {
            *dst++ = char16_t((c & 0x1F) << 6 | (p[1] & 0x3F));
            p += 2;
        } else if (c < 0xF0) {
            *dst++ = char16_t((c & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F));
            p += 3;
        } else {
            const char32_t u = (c & 0x07) << 18 | (p[1] & 0x3F) << 12 | (p[2] & 0x3F) << 6
                    | (p[3] & 0x3F);
            *dst++ = QChar::highSurrogate(u);
            *dst++ = QChar::lowSurrogate(u);
            p += 4;
        }
    }
    out.truncate(start + (dst - begin));
    if (valid < bytes.size()) {
        // Kept as U+FEFF, as it is everywhere else in a record; and stateless, so that a
        // sequence the bytes end inside is shown as U+FFFD, not dropped.
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom
                                       | QStringDecoder::Flag::Stateless);
        out += decoder.decode(bytes.sliced(valid));
    }
}

void appendWindows1252(QString &out, QByteArrayView bytes)
{
    const qsizetype start = out.size();
    out.resize(start + bytes.size());
    auto *dst = reinterpret_cast<char16_t *>(out.data()) + start;
    for (qsizetype i = 0; i < bytes.size(); ++i)
        dst[i] = windows1252Char(static_cast<unsigned char>(bytes[i]));
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

qsizetype firstNonAscii(const char *data, qsizetype size)
{
    const auto *const begin = reinterpret_cast<const unsigned char *>(data);
    const auto *p = skipAscii(begin, begin + size);
    while (p < begin + size && *p < 0x80)
        ++p;
    return p - begin;
}

bool startsWithUtf16ByteOrderMark(const char *data, qsizetype size)
{
    if (size < 2)
        return false;
    const auto b0 = static_cast<unsigned char>(data[0]);
    const auto b1 = static_cast<unsigned char>(data[1]);
    return (b0 == 0xFF && b1 == 0xFE) || (b0 == 0xFE && b1 == 0xFF);
}

// Most of the bytes in even or in odd places are NUL, as in UTF-16 text of mostly Latin
// letters. Too few bytes tell nothing.
bool nulPatternOfUtf16(const char *data, qsizetype size)
{
    const qsizetype sample = size & ~qsizetype(1);
    // Text without a NUL, which is nearly all, is passed at the speed of memchr.
    if (sample < 16 || std::memchr(data, 0, std::size_t(sample)) == nullptr)
        return false;
    qsizetype nulEven = 0;
    qsizetype nulOdd = 0;
    for (qsizetype i = 0; i < sample; i += 2) {
        nulEven += data[i] == 0;
        nulOdd += data[i + 1] == 0;
    }
    const qsizetype pairs = sample / 2;
    return nulEven * 10 >= pairs * 7 || nulOdd * 10 >= pairs * 7;
}

qsizetype lastMark(const char *data, qsizetype size)
{
#ifdef __GLIBC__
    const void *mark = ::memrchr(data, '#', std::size_t(size));
    return mark ? static_cast<const char *>(mark) - data : -1;
#else
    qsizetype to = size;
#ifdef LUMARIL_HAVE_VECTORS
    const auto mark = BaseVector::splat('#');
    for (; to >= 16; to -= 16) {
        if (const quint64 bits = BaseVector::bits(BaseVector::equal(BaseVector::load(data + to - 16), mark)))
            return to - 16 + 63 - std::countl_zero(bits);
    }
#endif
    while (to > 0) {
        if (data[--to] == '#')
            return to;
    }
    return -1;
#endif
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
