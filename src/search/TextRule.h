#pragma once

#include <QByteArrayView>
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
// Waw and yeh: with a superscript alef after them, they may also read as alef.
[[nodiscard]] constexpr bool isWawOrYeh(char32_t letter)
{
    return letter == 0x0648 || letter == 0x064A;
}

// How one character of NFC text reads: as a letter, as nothing (ignored), or, for the small
// letters of the Uthmani text, as a letter that a match may also skip.
struct Reading
{
    char32_t letter = 0;
    bool optional = false;
    bool ignored = false;
};
[[nodiscard]] Reading readingOf(char32_t c);

// Whether the text reads, letter by letter, as its NFC form does, so that it need not be put
// in NFC first: nothing in it composes, changes or moves in NFC but the ignored and optional
// marks, which read the same in any order.
[[nodiscard]] bool readsAsNfc(QStringView text);
// Whether NFC may change how the character, or the one before it, reads.
[[nodiscard]] bool nfcMatters(char32_t c);

// The text in NFC, in a time that grows as its length does, however many marks a letter has.
[[nodiscard]] QString inNfc(QStringView text);

// The letters of a term as they are compared: NFC, each character read by readingOf(), the
// optional letters dropped, hamza and alef after it read as alef. Empty for a term of marks
// only, which then matches every record, as the empty term does.
[[nodiscard]] std::u32string termLetters(QStringView term);

// Every character that may stand in a record's raw text where `letter` is read, itself
// included: its case forms, the Arabic shapes and the small letter that read as it, and any
// character whose NFC form holds one of those (a letter whose decomposition NFC keeps apart).
[[nodiscard]] std::vector<char32_t> recordForms(char32_t letter);

// The characters of which a record's raw text holds one at least wherever the letter is read,
// for its candidates to be sought by: its record forms, and the characters that may be the last
// part of one of them written in parts (the accent of é, Bengali া for ো).
[[nodiscard]] std::vector<char32_t> formsToSeek(char32_t letter);

// Whether canonical composition or reordering may tie the character to the one before it:
// the marks, and the second parts of letters that compose (Bengali া after ে).
[[nodiscard]] bool joinsPrevious(char32_t c);
// Whether canonical composition may join the two characters into one, with marks between.
[[nodiscard]] bool mayCompose(char32_t first, char32_t second);
// The character canonical composition makes of the two, or 0 where it makes none that a table
// holds (Hangul syllables are made by arithmetic).
[[nodiscard]] char32_t composed(char32_t first, char32_t second);
// Whether how the character reads depends on the text around it, so that only the text decoded
// and put in NFC tells: it joins the one before it, is ignored or optional, is a hamza (which
// an alef after it joins), or is not its own NFC form.
[[nodiscard]] bool needsDecoding(char32_t c);
// The same, leaving out the characters that only join the one before them.
[[nodiscard]] bool readsOddly(char32_t c);
// Of UTF-8 text like the sample, a range of the bytes that start characters of more than one
// byte, the commonest and those around it, that start no character that reads oddly: as
// [low, low + span]. Only ASCII ([0, 0x7F]) where the commonest is not such a byte.
[[nodiscard]] std::pair<unsigned char, unsigned char> plainLeads(QByteArrayView sample);
// The characters that read as the letter where nothing joins them (none of readsOddly()), the
// letter itself first when it is one: its case forms, and Arabic shapes such as أ for ا.
[[nodiscard]] std::vector<char32_t> sameReading(char32_t letter);

} // namespace lumaril::text
