#pragma once

#include <QString>
#include <QStringView>

#include <string>
#include <vector>

// The rule by which a term and a record are compared, in one place that the fast search and
// the plain reference both read, so that the two cannot disagree.
//
// Both sides are put in Unicode's NFC form, so that a letter written whole (é, or Bengali ো)
// equals the same letter written in parts (e and an accent; ে and া). Then each character is
// read by readingOf(): case is folded (Unicode simple case folding), and Arabic script is read
// as a reader types it: its vowel marks are ignored, the alef, hamza, yeh, heh and kaf shapes
// each read as one letter, and hamza followed by alef reads as alef. The small letters of the
// Uthmani text (superscript alef, small waw, small yeh) are optional in the record: a match may
// skip one or read it as its full letter, and waw or yeh followed by a superscript alef may
// also read as alef. In the term they are dropped, so that "الصلاة" finds "ٱلصَّلَوٰةَ".
namespace lumaril::text {

inline constexpr char32_t alef = 0x0627;
inline constexpr char32_t hamza = 0x0621;

// How one character of NFC text reads: as a letter, as nothing (ignored), or, for the small
// letters of the Uthmani text, as a letter that a match may also skip.
struct Reading
{
    char32_t letter = 0;
    bool optional = false;
    bool ignored = false;
};
[[nodiscard]] Reading readingOf(char32_t c);

// The text in NFC, in a time that grows as its length does, however many marks a letter has.
[[nodiscard]] QString inNfc(QStringView text);

// The letters of a term as they are compared: NFC, each character read by readingOf(), the
// optional letters dropped, hamza and alef after it read as alef. Empty for a term of marks
// only, which then matches every record, as the empty term does.
[[nodiscard]] std::u32string termLetters(QStringView term);

// Every character that may stand in a record's raw text where `letter` is read, itself
// included: its case forms, the characters whose canonical decomposition holds it (é for e,
// and for the accent), the Arabic shapes that read as it, and the small letter that reads as
// it. A record whose comparison holds the letter holds one of these characters.
[[nodiscard]] std::vector<char32_t> recordForms(char32_t letter);

// Sets of characters of which a record's raw text holds one at least wherever the letter is
// read, for its candidates to be sought by any one set: the record forms of each letter its
// canonical decomposition reads as, and for a letter written in parts, its forms written
// whole and the characters that may be the last part joined to it.
[[nodiscard]] std::vector<std::vector<char32_t>> formsToSeek(char32_t letter);

// The plain reference: whether the record, already decoded, contains the term's letters under
// the rule. The empty record contains nothing; empty letters are in every other record.
[[nodiscard]] bool referenceContains(const std::u32string &letters, QStringView record);

} // namespace lumaril::text
