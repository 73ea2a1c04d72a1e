#include "TextCoding.h"

#include <array>
#include <cstring>

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

void foldAsciiCase(const char *src, char *dst, qsizetype size)
{
    // Branch-free so that the compiler vectorises it: this runs over the whole file.
    for (qsizetype i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(src[i]);
        dst[i] = static_cast<char>(c + ((static_cast<unsigned char>(c - 'A') < 26) << 5));
    }
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
