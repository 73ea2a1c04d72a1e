#include "TextRule.h"

#include <QChar>
#include <QList>

#include <algorithm>
#include <map>

namespace lumaril::text {

Reading readingOf(char32_t c)
{
    // Tatweel and the Arabic vowel and Quranic marks.
    if (c == 0x0640 || (c >= 0x0610 && c <= 0x061A) || (c >= 0x064B && c <= 0x0653)
        || (c >= 0x0656 && c <= 0x065F) || (c >= 0x06D6 && c <= 0x06E4) || (c >= 0x06E8 && c <= 0x06ED)) {
        return {0, false, true};
    }
    switch (c) {
    case 0x0622: case 0x0623: case 0x0625: case 0x0671: // alef with madda, hamza, wasla
        return {alef};
    case 0x0624: case 0x0626: case 0x0654: case 0x0655: // hamza on waw, on yeh, above, below
        return {hamza};
    case 0x0649: case 0x06CC: // alef maksura, Farsi yeh
        return {0x064A};
    case 0x0629: case 0x06C0: case 0x06C1: case 0x06C2: case 0x06C3: // teh marbuta, Urdu hehs
        return {0x0647};
    case 0x06A9: // keheh
        return {0x0643};
    case 0x0670: // superscript alef
        return {alef, true};
    case 0x06E5: // small waw
        return {0x0648, true};
    case 0x06E6: case 0x06E7: // small yeh, small high yeh
        return {0x064A, true};
    default:
        return {QChar::toCaseFolded(c)};
    }
}

QString inNfc(QStringView text)
{
    // Qt sorts the marks after a letter by swapping neighbours, which takes a time that grows
    // as the square of their number. A long run of them is first decomposed and sorted here,
    // in one pass and a sort, so that Qt finds it in order.
    constexpr qsizetype longRun = 8;
    qsizetype run = 0;
    bool longRunFound = false;
    for (qsizetype i = 0; i < text.size() && !longRunFound; ++i) {
        const char16_t u = text[i].unicode();
        run = u >= 0x300 && (QChar::combiningClass(u) != 0 || QChar::decompositionTag(u) == QChar::Canonical
                             || QChar::isSurrogate(u)) ? run + 1 : 0;
        longRunFound = run > longRun;
    }
    if (!longRunFound)
        return text.toString().normalized(QString::NormalizationForm_C);
    std::u32string points;
    for (const char32_t c : text.toUcs4()) {
        if (QChar::decompositionTag(c) != QChar::Canonical) {
            points.push_back(c);
            continue;
        }
        for (const char32_t part : QStringView(QChar::fromUcs4(c)).toString().normalized(QString::NormalizationForm_D).toUcs4())
            points.push_back(part);
    }
    const auto byClass = [](char32_t a, char32_t b) { return QChar::combiningClass(a) < QChar::combiningClass(b); };
    for (auto it = points.begin(); it != points.end();) {
        const auto end = std::find_if(it, points.end(), [](char32_t c) { return QChar::combiningClass(c) == 0; });
        std::stable_sort(it, end, byClass);
        it = end == points.end() ? end : end + 1;
    }
    // Not QString::fromUcs4(), which drops a U+FEFF at the start.
    QString sorted;
    for (const char32_t c : points)
        sorted += QChar::fromUcs4(c);
    return sorted.normalized(QString::NormalizationForm_C);
}

std::u32string termLetters(QStringView term)
{
    std::u32string letters;
    for (const char32_t c : inNfc(term).toUcs4()) {
        const Reading r = readingOf(c);
        if (r.ignored || r.optional)
            continue;
        if (r.letter == alef && !letters.empty() && letters.back() == hamza)
            letters.back() = alef;
        else
            letters.push_back(r.letter);
    }
    return letters;
}

namespace {

std::u32string decomposed(char32_t c)
{
    QString parts = QStringView(QChar::fromUcs4(c)).toString();
    if (QChar::decompositionTag(c) == QChar::Canonical)
        parts = parts.normalized(QString::NormalizationForm_D);
    const QList<uint> points = parts.toUcs4();
    return std::u32string(points.begin(), points.end());
}

// The letters that a character reads as once decomposed, its optional letters as full ones.
std::u32string lettersOf(char32_t c)
{
    std::u32string out;
    for (const char32_t part : decomposed(c)) {
        if (const Reading r = readingOf(part); !r.ignored)
            out.push_back(r.letter);
    }
    return out;
}

struct Tables
{
    // Every character that reads as more or other than itself, by each letter it reads as.
    std::map<char32_t, std::vector<char32_t>> forms;
    // Every character that decomposes canonically, with the character of its NFC form.
    std::vector<std::pair<char32_t, char32_t>> whole;
    // The characters that canonical composition may join to one before them: the marks, and
    // the second parts of letters written in two (Bengali া, Hangul vowels).
    std::vector<char32_t> joining;
    // The characters that may be the last part joined to a letter, with their decompositions.
    std::vector<std::pair<char32_t, std::u32string>> joiners;
};

// Made once, when the first search needs it.
const Tables &tables()
{
    static const Tables t = [] {
        Tables out;
        for (char32_t c = 0; c <= 0x10FFFF; ++c) {
            if (QChar::isSurrogate(c))
                continue;
            const bool canonical = QChar::decompositionTag(c) == QChar::Canonical;
            if (!canonical && QChar::toCaseFolded(c) == c && readingOf(c).letter == c)
                continue;
            for (const char32_t l : lettersOf(c))
                out.forms[l].push_back(c);
            if (!canonical)
                continue;
            const QString nfc = QStringView(QChar::fromUcs4(c)).toString().normalized(QString::NormalizationForm_C);
            for (const char32_t n : nfc.toUcs4())
                out.whole.emplace_back(c, n);
            const QString parts = QChar::decomposition(c);
            if (parts.size() >= 2)
                out.joining.push_back(parts.toUcs4().back());
        }
        std::sort(out.joining.begin(), out.joining.end());
        const auto mayJoin = [&](char32_t c) {
            return QChar::combiningClass(c) != 0
                    || std::binary_search(out.joining.begin(), out.joining.end(), c);
        };
        for (char32_t c = 0; c <= 0x10FFFF; ++c) {
            if (QChar::isSurrogate(c) || !(mayJoin(c) || QChar::decompositionTag(c) == QChar::Canonical))
                continue;
            if (std::u32string d = decomposed(c); mayJoin(d.front()))
                out.joiners.emplace_back(c, std::move(d));
        }
        return out;
    }();
    return t;
}

void sortUnique(std::vector<char32_t> &v)
{
    std::sort(v.begin(), v.end());
    v.erase(std::unique(v.begin(), v.end()), v.end());
}

} // namespace

std::vector<char32_t> recordForms(char32_t letter)
{
    const auto found = tables().forms.find(letter);
    std::vector<char32_t> out = found != tables().forms.end() ? found->second : std::vector<char32_t>();
    if (readingOf(letter).letter == letter && !QChar::isSurrogate(letter))
        out.push_back(letter);
    sortUnique(out);
    return out;
}

std::vector<std::vector<char32_t>> formsToSeek(char32_t letter)
{
    std::vector<std::vector<char32_t>> out;
    const std::u32string parts = lettersOf(letter);
    for (const char32_t part : parts)
        out.push_back(recordForms(part));
    const std::u32string nfd = decomposed(letter);
    if (nfd.size() < 2)
        return out;
    // Written whole, or joined from parts: the last of which is then a character that joins
    // the one before it and holds one of the letter's parts after its first.
    std::vector<char32_t> &joined = out.emplace_back();
    if (readingOf(letter).letter == letter)
        joined.push_back(letter);
    for (const auto &[c, n] : tables().whole) {
        if (readingOf(n).letter == letter)
            joined.push_back(c);
    }
    for (const auto &[c, d] : tables().joiners) {
        if (std::any_of(d.begin(), d.end(), [&](char32_t p) { return nfd.find(p, 1) != std::u32string::npos; }))
            joined.push_back(c);
    }
    sortUnique(joined);
    return out;
}

bool referenceContains(const std::u32string &letters, QStringView record)
{
    if (record.isEmpty())
        return false;
    if (letters.empty())
        return true;
    // The record read letter by letter: hamza then alef as one alef.
    std::vector<Reading> read;
    for (const char32_t c : inNfc(record).toUcs4()) {
        const Reading r = readingOf(c);
        if (r.letter == alef && !r.optional && !read.empty() && read.back().letter == hamza
            && !read.back().optional) {
            read.back().letter = alef;
        } else if (!r.ignored) {
            read.push_back(r);
        }
    }
    // Which counts of the term's letters a match may have read so far, ending here, and as it
    // stood one letter of the record earlier; none read is always possible.
    const std::size_t m = letters.size();
    std::vector<bool> now(m + 1), before(m + 1);
    now[0] = before[0] = true;
    for (std::size_t i = 0; i < read.size(); ++i) {
        std::vector<bool> next(m + 1);
        next[0] = true;
        for (std::size_t j = 0; j < m; ++j) {
            if (now[j] && letters[j] == read[i].letter)
                next[j + 1] = true;
            if (now[j] && read[i].optional)
                next[j] = true;
            // Waw or yeh, then a superscript alef: the two may read as one alef.
            const bool pair = read[i].optional && read[i].letter == alef && i > 0 && !read[i - 1].optional
                    && (read[i - 1].letter == 0x0648 || read[i - 1].letter == 0x064A);
            if (pair && before[j] && letters[j] == alef)
                next[j + 1] = true;
        }
        if (now[m] || next[m])
            return true;
        before = now;
        now = next;
    }
    return now[m];
}

} // namespace lumaril::text
