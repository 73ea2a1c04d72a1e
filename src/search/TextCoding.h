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

// Every byte maps to one character; the five bytes Windows-1252 leaves undefined
// (81, 8D, 8F, 90, 9D) map to the control characters of the same value, as Windows does.
[[nodiscard]] QString fromWindows1252(QByteArrayView bytes);

// The Windows-1252 bytes of text, or nothing when a character has no byte there.
[[nodiscard]] std::optional<QByteArray> toWindows1252(QStringView text);

// The first byte at or after begin with its high bit set, or end.
[[nodiscard]] const char *findNonAscii(const char *begin, const char *end);

// Whether any byte has its high bit set; one quick pass.
[[nodiscard]] bool hasNonAscii(const char *data, qsizetype size);

// The first occurrence of needle in hay with ASCII letters compared without regard to case,
// or nullptr. The needle must already be in small letters.
[[nodiscard]] const char *findIgnoringAsciiCase(const char *hay, qsizetype size,
                                                QByteArrayView lowerNeedle);

// Removes leading and trailing blanks (U+0020) only; tabs and other white space stay.
[[nodiscard]] QString trimBlanks(const QString &text);

} // namespace lumaril::text
