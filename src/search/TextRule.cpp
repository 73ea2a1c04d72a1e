#include "TextRule.h"

#include <QChar>
#include <QList>

#include <algorithm>
#include <array>
#include <map>
#include <tuple>
#include <vector>

namespace lumaril::text {

namespace {

Reading ruleReadingOf(char32_t c)
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

} // namespace

Reading readingOf(char32_t c)
{
    // Looked up for the characters of the Basic Multilingual Plane, which is where nearly every
    // character of a record is, as a letter and two flags in one word.
    static const std::vector<quint32> basic = [] {
        std::vector<quint32> out(0x10000);
        for (char32_t u = 0; u < 0x10000; ++u) {
            const Reading r = ruleReadingOf(u);
            out[u] = quint32(r.letter) | quint32(r.optional) << 30 | quint32(r.ignored) << 31;
        }
        return out;
    }();
    if (c >= 0x10000)
        return ruleReadingOf(c);
    const quint32 r = basic[c];
    return {char32_t(r & 0x1FFFFF), bool(r >> 30 & 1), bool(r >> 31)};
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

struct Tables
{
    // Every character that reads as more or other than itself, by each letter its NFC form
    // reads as.
    std::map<char32_t, std::vector<char32_t>> forms;
    // The characters that canonical composition may join to one before them: the marks, and
    // the second parts of letters written in two (Bengali া, Hangul vowels).
    std::vector<char32_t> joining;
    // The characters that may be the last part joined to a letter, with their decompositions.
    std::vector<std::pair<char32_t, std::u32string>> joiners;
    // For each code point, whether it joins the one before it (see joinsPrevious()), and
    // whether only the text decoded tells how it reads (see needsDecoding()).
    std::vector<bool> joins, needsDecoding, readsOddly;
    // For each code point, whether NFC may change how it or the text around it reads (see
    // readsAsNfc()).
    std::vector<bool> nfcMatters;
    // For each byte that starts a character of more than one byte in UTF-8, whether one of the
    // characters it starts reads oddly.
    std::array<bool, 256> oddLead{};
    // The pairs that canonical composition joins into one character, in order.
    // With the character they make.
    std::vector<std::tuple<char32_t, char32_t, char32_t>> composing;
    // The characters that read as a letter where they stand, by that letter.
    std::map<char32_t, std::vector<char32_t>> sameReading;
};

// Made once, when the first search needs it.
const Tables &tables()
{
    static const Tables t = [] {
        Tables out;
        out.needsDecoding.assign(0x110000, false);
        out.nfcMatters.assign(0x110000, false);
        for (char32_t c = 0; c <= 0x10FFFF; ++c) {
            if (QChar::isSurrogate(c))
                continue;
            const bool canonical = QChar::decompositionTag(c) == QChar::Canonical;
            if (!canonical && QChar::toCaseFolded(c) == c && readingOf(c).letter == c)
                continue;
            const QString nfc = QStringView(QChar::fromUcs4(c)).toString().normalized(QString::NormalizationForm_C);
            for (const char32_t n : nfc.toUcs4()) {
                if (const Reading r = readingOf(n); !r.ignored)
                    out.forms[r.letter].push_back(c);
            }
            if (!canonical)
                continue;
            if (nfc.size() != QChar::requiresSurrogates(c) + 1 || nfc.toUcs4().front() != c)
                out.needsDecoding[c] = true;
            const QList<uint> parts = QChar::decomposition(c).toUcs4();
            if (parts.size() >= 2)
                out.joining.push_back(parts.back());
            if (parts.size() == 2)
                out.composing.emplace_back(parts[0], parts[1], c);
            // An ignored mark that composes with a letter matters only where the letter it
            // makes reads otherwise than the letter alone (alef and madda make one alef).
            if (parts.size() == 2 && readingOf(parts[1]).ignored && readingOf(c).letter != readingOf(parts[0]).letter)
                out.nfcMatters[parts[1]] = true;
        }
        std::sort(out.joining.begin(), out.joining.end());
        std::sort(out.composing.begin(), out.composing.end());
        const auto mayJoin = [&](char32_t c) {
            return QChar::combiningClass(c) != 0
                    || std::binary_search(out.joining.begin(), out.joining.end(), c);
        };
        out.joins.assign(0x110000, false);
        out.readsOddly.assign(0x110000, false);
        for (char32_t c = 0; c <= 0x10FFFF; ++c) {
            if (QChar::isSurrogate(c))
                continue;
            const Reading r = readingOf(c);
            out.joins[c] = mayJoin(c);
            out.readsOddly[c] = out.needsDecoding[c] || r.ignored || r.optional || r.letter == hamza;
            // Marks that are ignored or optional may be put in any order among themselves; any
            // other character that joins the one before it may compose or move in NFC.
            out.nfcMatters[c] = out.nfcMatters[c] || out.needsDecoding[c] || (out.joins[c] && !r.ignored && !r.optional);
            out.needsDecoding[c] = out.readsOddly[c] || out.joins[c];
            const bool canonical = QChar::decompositionTag(c) == QChar::Canonical;
            if (out.readsOddly[c] && c >= 0x80)
                out.oddLead[c < 0x800 ? 0xC0 | c >> 6 : c < 0x10000 ? 0xE0 | c >> 12 : 0xF0 | c >> 18] = true;
            if (!out.readsOddly[c] && r.letter != c)
                out.sameReading[r.letter].push_back(c);
            if (!(mayJoin(c) || canonical))
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

bool joinsPrevious(char32_t c)
{
    return c < 0x110000 && tables().joins[c];
}

bool mayCompose(char32_t first, char32_t second)
{
    // A Hangul syllable of two parts takes a third, a final consonant.
    if (first >= 0xAC00 && first <= 0xD7A3 && second >= 0x11A8 && second <= 0x11C2)
        return true;
    return composed(first, second) != 0;
}

char32_t composed(char32_t first, char32_t second)
{
    const auto &composing = tables().composing;
    const auto it = std::lower_bound(composing.begin(), composing.end(), std::tuple(first, second, char32_t(0)));
    return it != composing.end() && std::get<0>(*it) == first && std::get<1>(*it) == second ? std::get<2>(*it) : 0;
}

std::pair<unsigned char, unsigned char> plainLeads(QByteArrayView sample)
{
    std::array<qsizetype, 256> count{};
    for (const char b : sample)
        ++count[static_cast<unsigned char>(b)];
    unsigned char low = 0xC2;
    for (unsigned b = 0xC2; b < 0xF5; ++b)
        low = count[b] > count[low] ? static_cast<unsigned char>(b) : low;
    if (count[low] == 0 || tables().oddLead[low])
        return {0, 0x7F};
    unsigned char high = low;
    while (low > 0xC2 && !tables().oddLead[low - 1])
        --low;
    while (high < 0xF4 && !tables().oddLead[high + 1])
        ++high;
    return {low, static_cast<unsigned char>(high - low)};
}

bool nfcMatters(char32_t c)
{
    return c >= 0x110000 || tables().nfcMatters[c];
}

bool readsAsNfc(QStringView text)
{
    const std::vector<bool> &matters = tables().nfcMatters;
    for (const QChar u : text) {
        // Below U+0300 no character joins another or changes in NFC.
        if (u.unicode() >= 0x300 && (u.isSurrogate() || matters[u.unicode()]))
            return false;
    }
    return true;
}

bool readsOddly(char32_t c)
{
    return c >= 0x110000 || tables().readsOddly[c];
}

bool needsDecoding(char32_t c)
{
    return c >= 0x110000 || tables().needsDecoding[c];
}

std::vector<char32_t> sameReading(char32_t letter)
{
    const auto found = tables().sameReading.find(letter);
    std::vector<char32_t> out = found != tables().sameReading.end() ? found->second : std::vector<char32_t>();
    if (!readsOddly(letter) && readingOf(letter).letter == letter)
        out.insert(out.begin(), letter);
    return out;
}

std::vector<char32_t> recordForms(char32_t letter)
{
    const auto found = tables().forms.find(letter);
    std::vector<char32_t> out = found != tables().forms.end() ? found->second : std::vector<char32_t>();
    if (readingOf(letter).letter == letter && !QChar::isSurrogate(letter))
        out.push_back(letter);
    sortUnique(out);
    return out;
}

std::vector<char32_t> formsToSeek(char32_t letter)
{
    std::vector<char32_t> out = recordForms(letter);
    // A letter written whole (as the letter, or a shape that reads as it) may also be joined
    // from parts, the last of which joins the one before it and holds one of its later parts.
    std::u32string later;
    for (const char32_t form : out) {
        if (const std::u32string d = decomposed(form); d.size() > 1)
            later += d.substr(1);
    }
    for (const auto &[c, d] : tables().joiners) {
        if (d.find_first_of(later) != std::u32string::npos)
            out.push_back(c);
    }
    sortUnique(out);
    return out;
}

} // namespace lumaril::text
