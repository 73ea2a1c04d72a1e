#include "ByteMatcher.h"

#include "TextCoding.h"
#include "TextRule.h"

#include <algorithm>

namespace lumaril {

namespace {

std::optional<QByteArray> bytesOf(char32_t c, TextEncoding encoding)
{
    // Not QString::fromUcs4(), which drops a U+FEFF at the start, leaving that character with
    // no bytes to be found by.
    const auto units = QChar::fromUcs4(c);
    const QStringView text = units;
    if (encoding == TextEncoding::Utf8)
        return text.toUtf8();
    return text::toWindows1252(text);
}

} // namespace

ByteMatcher::ByteMatcher(const std::u32string &letters, TextEncoding encoding, QByteArrayView sample)
    : m_encoding(encoding)
    , m_letters(letters)
    , m_asciiTerm(std::all_of(letters.begin(), letters.end(), [](char32_t c) { return c < 0x80; }))
    , m_verifier(letters)
{
    if (letters.empty()) {
        m_kind = Kind::Everything;
        return;
    }
    // Records never hold "#".
    if (letters.find(U'#') != std::u32string::npos) {
        m_kind = Kind::Never;
        return;
    }
    // A letter of an ASCII term is sought, and compared, by its ASCII forms, the one the term
    // has first: text is mostly in small letters. Its other forms are bytes outside ASCII,
    // where the record is verified instead.
    if (m_asciiTerm) {
        for (const char32_t c : letters) {
            auto [it, added] = m_classes.try_emplace(c);
            for (const char32_t form : added ? text::recordForms(c) : std::vector<char32_t>()) {
                const Variant v = Variant::of(QByteArray(1, char(form)));
                if (form < 0x80)
                    it->second.insert(form == c ? it->second.begin() : it->second.end(), v);
            }
            m_variants.push_back(&it->second);
        }
        m_anchors = chooseAnchors(m_variants, sample, true);
        return;
    }
    // Any other term is sought by one set of characters of which a record holding one of its
    // letters holds one: with no form in this encoding, no record can hold the letter.
    std::vector<Variants> sets;
    for (const char32_t c : letters) {
        for (const std::vector<char32_t> &forms : text::formsToSeek(c)) {
            Variants &set = sets.emplace_back();
            for (const char32_t form : forms) {
                if (const auto bytes = bytesOf(form, encoding); bytes && !bytes->isEmpty())
                    set.push_back(Variant::of(*bytes));
            }
            if (set.empty()) {
                m_kind = Kind::Never;
                return;
            }
        }
    }
    std::vector<const Variants *> sought;
    for (const Variants &set : sets)
        sought.push_back(&set);
    m_anchors = chooseAnchors(sought, sample, false);
    if (m_anchors.first.index < 0)
        m_kind = Kind::Decoded;
}

qsizetype ByteMatcher::nextCandidate(const char *data, qsizetype from, qsizetype to,
                                     qsizetype end, bool orNonAscii) const
{
    if (m_kind == Kind::Never)
        return orNonAscii ? from + text::firstNonAscii(data + from, to - from) : to;
    if (m_kind != Kind::Bytes)
        return from;
    return m_anchors.nextCandidate(data, from, to, end, orNonAscii || m_asciiTerm);
}

ByteMatcher::Verdict ByteMatcher::confirms(const char *data, qsizetype size, qsizetype at,
                                           qint64 &budget)
{
    const auto *const text = reinterpret_cast<const unsigned char *>(data);
    if (!m_asciiTerm || m_kind != Kind::Bytes || text[at] >= 0x80)
        return Verdict::RecordNeeded;
    // Each letter is one byte here. The first byte that differs from the term's letter decides:
    // an ASCII one refutes the candidate, and one outside ASCII may be a mark or a letter's
    // other form, which only the record decoded can tell.
    const qsizetype anchor = m_anchors.first.index;
    const qsizetype start = at - anchor;
    const qsizetype after = start + qsizetype(m_letters.size());
    const auto differs = [&](qsizetype k) {
        const qsizetype p = start + k;
        budget -= 2;
        m_work += 1;
        if (p < 0 || p >= size)
            return Verdict::NoMatch;
        if (text[p] >= 0x80)
            return Verdict::RecordNeeded;
        const Variants &forms = *m_variants[std::size_t(k)];
        const bool same = std::any_of(forms.begin(), forms.end(),
                                      [&](const Variant &v) { return v.bytes == text[p]; });
        return same ? Verdict::Match : Verdict::NoMatch;
    };
    for (qsizetype k = anchor + 1; k < qsizetype(m_letters.size()); ++k) {
        if (const Verdict v = differs(k); v != Verdict::Match)
            return v;
    }
    for (qsizetype k = anchor - 1; k >= 0; --k) {
        if (const Verdict v = differs(k); v != Verdict::Match)
            return v;
    }
    // A mark after the last letter may join it into another letter.
    return after < size && text[after] >= 0x80 ? Verdict::RecordNeeded : Verdict::Match;
}

bool ByteMatcher::contains(const char *data, qsizetype size, qsizetype firstCandidate)
{
    if (size == 0 || m_kind == Kind::Never)
        return false;
    if (m_kind == Kind::Everything)
        return true;
    // Every letter takes a byte at least, so records shorter than a long term cost nothing more.
    if (size < qsizetype(m_letters.size()))
        return false;
    if (m_kind == Kind::Decoded)
        return decodedContains(data, size);
    if (!m_asciiTerm || text::firstNonAscii(data, size) < size) {
        return nextCandidate(data, firstCandidate, size, size) < size
                && decodedContains(data, size);
    }
    // Confirming is allowed about as much work as the search itself; past that, the record is
    // verified as decoded text, which costs the same for every byte.
    qint64 budget = 2 * qint64(size) + 8 * longestMatch();
    for (qsizetype at = nextCandidate(data, firstCandidate, size, size); at < size;
         at = nextCandidate(data, at + 1, size, size)) {
        if (confirms(data, size, at, budget) == Verdict::Match)
            return true;
        if (budget < 0)
            return decodedContains(data, size);
    }
    return false;
}

bool ByteMatcher::decodedContains(const char *data, qsizetype size)
{
    m_work += size;
    QString decoded;
    if (m_encoding == TextEncoding::Utf8)
        text::appendUtf8(decoded, {data, size});
    else
        text::appendWindows1252(decoded, {data, size});
    return m_verifier.contains(decoded);
}

void ByteMatcher::beginPieces()
{
    m_verifier.start();
    if (m_encoding == TextEncoding::Utf8)
        m_pieces.emplace(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
}

bool ByteMatcher::addPiece(const char *data, qsizetype size)
{
    m_work += size;
    if (m_kind == Kind::Never || m_kind == Kind::Everything)
        return m_kind == Kind::Everything;
    if (m_encoding == TextEncoding::Utf8)
        return m_verifier.add(QString(m_pieces->decode(QByteArrayView(data, size))));
    return m_verifier.add(text::fromWindows1252({data, size}));
}

bool ByteMatcher::piecesContain()
{
    if (m_kind == Kind::Never || m_kind == Kind::Everything)
        return m_kind == Kind::Everything;
    return m_verifier.finish();
}

} // namespace lumaril
