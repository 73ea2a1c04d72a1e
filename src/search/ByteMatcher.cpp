#include "ByteMatcher.h"

#include "CaseVariants.h"
#include "TextCoding.h"

#include <QList>
#include <QtEndian>

#include <algorithm>

namespace lumaril {

namespace {

QByteArray bytesOf(char32_t c, TextEncoding encoding)
{
    // Not QString::fromUcs4(), which drops a U+FEFF at the start, leaving that character with
    // no bytes to be found by.
    const auto units = QChar::fromUcs4(c);
    const QStringView text = units;
    if (encoding == TextEncoding::Utf8)
        return text.toUtf8();
    return text::toWindows1252(text).value_or(QByteArray());
}

} // namespace

ByteMatcher::ByteMatcher(const QString &foldedTerm, TextEncoding encoding, QByteArrayView sample)
    : m_encoding(encoding)
    , m_pattern(reinterpret_cast<const char16_t *>(foldedTerm.utf16()), foldedTerm.size())
{
    if (foldedTerm.isEmpty()) {
        m_kind = Kind::Everything;
        return;
    }
    // Records never hold "#".
    if (foldedTerm.contains(u'#')) {
        m_kind = Kind::Never;
        return;
    }
    // The failure function of the automaton, over the term's UTF-16 code units, as
    // QString::contains() compares them.
    m_failure.assign(m_pattern.size(), 0);
    for (qsizetype i = 1, k = 0; i < qsizetype(m_pattern.size()); ++i) {
        while (k > 0 && m_pattern[i] != m_pattern[k])
            k = m_failure[k - 1];
        if (m_pattern[i] == m_pattern[k])
            ++k;
        m_failure[i] = k;
    }
    // Half a character matches half of one in the text: only the automaton sees halves.
    if (!foldedTerm.isValidUtf16()) {
        m_kind = Kind::Automaton;
        return;
    }
    // A long term repeats its characters: each is looked up once.
    for (const char32_t c : foldedTerm.toUcs4()) {
        auto [it, added] = m_classes.try_emplace(c);
        if (added) {
            for (const char32_t variant : text::caseVariants(c)) {
                const Variant v = Variant::of(bytesOf(variant, encoding));
                // The character as the term has it first: text is mostly in small letters.
                if (v.size > 0)
                    it->second.insert(variant == c ? it->second.begin() : it->second.end(), v);
            }
        }
        if (it->second.empty()) {
            m_kind = Kind::Never;
            return;
        }
        m_variants.push_back(&it->second);
        m_shortestMatch += std::min_element(it->second.begin(), it->second.end(),
                                            [](const Variant &a, const Variant &b) {
                                                return a.size < b.size;
                                            })->size;
    }
    m_anchors = chooseAnchors(m_variants, sample);
    if (m_anchors.first.index < 0) {
        m_kind = Kind::Automaton;
        return;
    }
}

qsizetype ByteMatcher::nextCandidate(const char *data, qsizetype from, qsizetype to,
                                     qsizetype end, bool orNonAscii) const
{
    if (m_kind == Kind::Never)
        return orNonAscii ? from + text::firstNonAscii(data + from, to - from) : to;
    if (m_kind != Kind::Bytes)
        return from;
    const qsizetype at = m_anchors.nextCandidate(data, from, to, end, orNonAscii);
    m_searched += at - from;
    return at;
}

bool ByteMatcher::confirms(const char *data, qsizetype size, qsizetype at, qint64 &budget)
{
    const auto *const text = reinterpret_cast<const unsigned char *>(data);
    const qint64 before = budget;
    // Whether the variant's bytes are at from: four bytes compared at once where there are
    // four to read.
    const auto isAt = [&](const Variant &v, qsizetype from) {
        if (from < 0 || from + v.size > size)
            return false;
        if (from + 4 <= size) {
            const quint32 mask = v.size == 4 ? ~0u : (1u << (8 * v.size)) - 1;
            return (qFromLittleEndian<quint32>(text + from) & mask) == v.bytes;
        }
        for (qsizetype i = 0; i < v.size; ++i) {
            if (text[from + i] != v.byte(i))
                return false;
        }
        return true;
    };
    // The size of the variant of the k-th character of the term whose bytes start at pos, or
    // end there when ending; 0 for none. Each variant tried costs a step besides its bytes, so
    // that the work allowed is counted the same whichever variant comes first.
    const auto variantAt = [&](qsizetype k, qsizetype pos, bool ending) -> qsizetype {
        for (const Variant &v : *m_variants[k]) {
            budget -= v.size + 1;
            if (isAt(v, ending ? pos - v.size : pos))
                return v.size;
        }
        return 0;
    };
    const qsizetype anchor = m_anchors.first.index;
    qsizetype start = at + 1 - variantAt(anchor, at + 1, true);
    bool found = start <= at;
    for (qsizetype k = anchor + 1, after = at + 1; found && k < qsizetype(m_variants.size()); ++k) {
        const qsizetype length = variantAt(k, after, false);
        found = length > 0;
        after += length;
    }
    for (qsizetype k = anchor - 1; found && k >= 0; --k) {
        const qsizetype length = variantAt(k, start, true);
        found = length > 0;
        start -= length;
    }
    m_work += before - budget;
    if (!found && !m_anchors.thirds.empty())
        learnFromRefuted(text, size, at);
    return found;
}

void ByteMatcher::learnFromRefuted(const unsigned char *text, qsizetype size, qsizetype at)
{
    // A pair common in the file costs a step out of the vector search and a comparison at each
    // of its places; a third character costs one more comparison for each byte searched. It is
    // sought once the file shows that it would have refuted most of them, and that they are
    // close together, a kilobyte apart or less.
    constexpr qsizetype enough = 64;
    const std::vector<Third> &thirds = m_anchors.thirds;
    m_thirdHits.resize(thirds.size());
    for (std::size_t i = 0; i < thirds.size(); ++i) {
        const qsizetype q = at + thirds[i].distance;
        m_thirdHits[i] += q >= size || thirds[i].anchor.holds(text[q]);
    }
    if (++m_refuted < enough)
        return;
    const auto fewest = std::min_element(m_thirdHits.begin(), m_thirdHits.end());
    if (*fewest <= enough / 4 && m_searched <= enough * 1024)
        m_anchors.third = thirds[std::size_t(fewest - m_thirdHits.begin())];
    m_anchors.thirds.clear();
}

bool ByteMatcher::contains(const char *data, qsizetype size, qsizetype firstCandidate)
{
    if (size == 0 || m_kind == Kind::Never)
        return false;
    if (m_kind == Kind::Everything)
        return true;
    // Too short to hold a match: so records shorter than a long term cost nothing more.
    if (size < m_shortestMatch)
        return false;
    if (m_kind == Kind::Automaton)
        return automatonContains(data, size);
    // Confirming is allowed about as much work as the search itself; past that, the
    // automaton takes over, which costs the same for every byte.
    qint64 budget = 2 * qint64(size) + 8 * longestMatch();
    for (qsizetype at = nextCandidate(data, firstCandidate, size, size); at < size;
         at = nextCandidate(data, at + 1, size, size)) {
        if (confirms(data, size, at, budget))
            return true;
        if (budget < 0)
            return automatonContains(data, size);
    }
    return false;
}

bool ByteMatcher::automatonContains(const char *data, qsizetype size)
{
    m_work += size;
    // Decoded as the record is shown, and folded as the plain test folds it.
    QString folded;
    if (m_encoding == TextEncoding::Utf8)
        text::appendUtf8(folded, {data, size});
    else
        text::appendWindows1252(folded, {data, size});
    folded = std::move(folded).toCaseFolded();
    qsizetype state = 0;
    for (const QChar c : std::as_const(folded)) {
        while (state > 0 && m_pattern[state] != c.unicode())
            state = m_failure[state - 1];
        if (m_pattern[state] == c.unicode() && ++state == qsizetype(m_pattern.size()))
            return true;
    }
    return false;
}

} // namespace lumaril
