#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

// Byte-level helpers for the verse file's 8-bit text: it is UTF-8 when it is valid UTF-8 and
// Windows-1252 otherwise.
namespace lumaril::text {

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
[[nodiscard]] bool isValidUtf8(QByteArrayView bytes);

// How far bytes read as strict UTF-8, for checking text that comes in blocks.
struct Utf8Check
{
    qsizetype validSize; // the leading bytes that are whole, valid sequences
    // The bytes after validSize are the valid beginning of a sequence that the bytes end
    // inside, so the next block decides; otherwise validSize < size means an invalid
    // sequence starts there.
    bool cutShort;
};
[[nodiscard]] Utf8Check checkUtf8(QByteArrayView bytes);

// Every byte maps to one character; the five bytes Windows-1252 leaves undefined
// (81, 8D, 8F, 90, 9D) map to the control characters of the same value, as Windows does.
[[nodiscard]] QString fromWindows1252(QByteArrayView bytes);

// The Windows-1252 bytes of text, or nothing when a character has no byte there.
[[nodiscard]] std::optional<QByteArray> toWindows1252(QStringView text);

// What the record scanner needs to know about 64 bytes of the verse file, one bit per byte:
// bit j of the masks at index w is about the byte at 64 * w + j. Finding a record's end or
// asking whether a stretch holds a non-ASCII byte then takes a few word operations instead
// of a pass over the bytes.
struct ByteMasks
{
    quint64 marks; // the byte is "#", the record mark
    // The needle may start here: it fits before the end of the data, and its first and last
    // bytes match, ASCII letters without regard to case. The rest is left to be compared.
    quint64 candidates;
    quint64 nonAscii; // the byte has its high bit set
};

// Fills masks[firstWord] up to the masks of the last byte of data; bits past size stay clear.
// With an empty needle there are no candidates. The needle must be in small letters.
// Returns whether any of the bytes it marked has the high bit set.
bool markBytes(const char *data, qsizetype size, qsizetype firstWord, QByteArrayView lowerNeedle,
               ByteMasks *masks);

// The ways markBytes can do its work, all giving the same masks: a byte at a time anywhere,
// sixteen bytes a step with SSE2 (every x86-64 processor has it), and thirty-two with AVX2
// where the processor has it. markBytes takes the fastest one this machine can use.
enum class MarkingCode { Portable, Sse2, Avx2 };
[[nodiscard]] bool canMarkWith(MarkingCode code);
// markBytes done with the given code, which canMarkWith() must allow.
bool markBytesWith(MarkingCode code, const char *data, qsizetype size, qsizetype firstWord,
                   QByteArrayView lowerNeedle, ByteMasks *masks);
// The masks of a word depend only on the bytes and the size, so when bytes are appended to
// data marked up to markedSize, the words before this one keep their masks.
[[nodiscard]] qsizetype firstUnsettledWord(qsizetype markedSize, QByteArrayView lowerNeedle);

// Whether text starts with needle, ASCII letters compared without regard to case. Text must
// hold at least as many bytes as the needle, which must already be in small letters.
[[nodiscard]] bool startsWithIgnoringAsciiCase(const char *text, QByteArrayView lowerNeedle);

// Removes leading and trailing blanks (U+0020) only; tabs and other white space stay.
[[nodiscard]] QString trimBlanks(const QString &text);

} // namespace lumaril::text
