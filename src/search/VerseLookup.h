#pragma once

#include "RecordSearch.h"

#include <optional>

namespace lumaril {

class WindowOperations;

// What the Surat and Ayat boxes accept as a number: optional blanks (spaces), an optional
// sign, decimal digits with an optional decimal part (".5" and "5." included), optional
// blanks. The digits may be of any script (Unicode's decimal digits: ASCII, Arabic-Indic ٠-٩,
// Extended Arabic-Indic ۰-۹, Bengali ০-৯, ...), all of one script within a number. Nothing
// else: no exponent ("1e2"), no hexadecimal, no thousands separators, no tabs. Empty text and
// values too large for a double are not numbers.
[[nodiscard]] std::optional<double> readNumber(const QString &text);

// The number written with the pattern "000": rounded to a whole number, halves away from zero
// ("1.5" -> 002, "-0.5" -> -001, "-0.4" -> 000), at least three digits padded with zeros, all
// digits kept when there are more, a minus sign in front of the padding.
[[nodiscard]] QString formatThreeDigits(double value);

// The reference key "SSS.AAA" for the two box texts, or nothing when either is not a number.
// Accepting a text (readNumber) and formatting it use the same reading, so they always agree.
[[nodiscard]] std::optional<QString> referenceKey(const QString &surat, const QString &ayat);

// The verse lookup, run by "Show" and by "Search Ayat !".
//
// Shows the first record of the verse file that contains the reference key (case ignored) as
// two line breaks, the record and a line break, then "Ayat Found !"; the file stays open until
// that message is closed. Otherwise "Ayat not found !". Either box not a number: "Please enter
// correct Surat and Ayat number !" before the file is opened. No range check is made: a verse
// that does not exist is simply not found.
void Command3_Click(WindowOperations &ops, const QString &verseFileName = defaultVerseFileName);

} // namespace lumaril
