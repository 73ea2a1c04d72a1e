#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

// Byte-level helpers for the verse file's 8-bit text: it is UTF-8 when it is valid UTF-8 and
// Windows-1252 otherwise.
namespace lumaril::text {

// The widest vector instructions the byte searches use: the widest the processor has, or
// narrower when LUMARIL_VECTORS names sse2 or avx2, so that each width can be tested on one
// machine.
enum class Vectors { Sse2, Avx2, Avx512 };
[[nodiscard]] Vectors widestVectors();

// How far bytes read as strict UTF-8 (no overlong forms, no surrogates, nothing past
// U+10FFFF), for checking text that comes in blocks.
struct Utf8Check
{
    qsizetype validSize; // the leading bytes that are whole, valid sequences
    // The bytes after validSize are the valid beginning of a sequence that the bytes end
    // inside, so the next block decides; otherwise validSize < size means an invalid
    // sequence starts there.
    bool cutShort;
};
[[nodiscard]] Utf8Check checkUtf8(QByteArrayView bytes);

// Appends the text of UTF-8 bytes, a U+FEFF at their start included; a byte that starts no
// valid sequence, or one of a sequence that the bytes end inside, reads as U+FFFD, as
// QString::fromUtf8() reads it. When checked, the bytes are known to start valid UTF-8 that
// may go on past them (a record of a file already checked whole), and only a sequence that
// their end cuts is looked for.
void appendUtf8(QString &out, QByteArrayView bytes, bool checked = false);

// Appends the text of Windows-1252 bytes. Every byte maps to one character; the five bytes
// Windows-1252 leaves undefined (81, 8D, 8F, 90, 9D) map to the control characters of the
// same value, as Windows does.
void appendWindows1252(QString &out, QByteArrayView bytes);
[[nodiscard]] inline QString fromWindows1252(QByteArrayView bytes)
{
    QString out;
    appendWindows1252(out, bytes);
    return out;
}

// The Windows-1252 bytes of text, or nothing when a character has no byte there.
[[nodiscard]] std::optional<QByteArray> toWindows1252(QStringView text);

// The first byte of data with its high bit set, or size when there is none.
[[nodiscard]] qsizetype firstNonAscii(const char *data, qsizetype size);

// The place of the last "#" in the bytes, or -1.
[[nodiscard]] qsizetype lastMark(const char *data, qsizetype size);

// Whether the bytes start with a UTF-16 byte order mark, either way round.
[[nodiscard]] bool startsWithUtf16ByteOrderMark(const char *data, qsizetype size);
// Most of the bytes in even or in odd places are NUL, as in UTF-16 text of mostly Latin
// letters. Too few bytes tell nothing.
[[nodiscard]] bool nulPatternOfUtf16(const char *data, qsizetype size);

// Removes leading and trailing blanks (U+0020) only; tabs and other white space stay.
[[nodiscard]] QString trimBlanks(const QString &text);

} // namespace lumaril::text
