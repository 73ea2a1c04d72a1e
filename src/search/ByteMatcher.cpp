#include "ByteMatcher.h"

#include "TextCoding.h"
#include "TextRule.h"

#include <algorithm>
#include <tuple>

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
    // Each letter is compared by the characters that read as it wherever they stand, the
    // letter itself first: text is mostly in small letters.
    for (const char32_t c : letters) {
        auto [it, added] = m_classes.try_emplace(c);
        for (const char32_t form : added ? text::sameReading(c) : std::vector<char32_t>()) {
            if (const auto bytes = bytesOf(form, encoding); bytes && !bytes->isEmpty())
                it->second.push_back(Variant::of(*bytes));
        }
        m_variants.push_back(&it->second);
    }
    // Where a match may read otherwise than its bytes, it is left to the record decoded: a
    // hamza, which an alef after it joins, a first letter that may join the one before it, or
    // two letters whose forms canonical composition or reordering would change.
    m_decodeEveryMatch = letters.find(text::hamza) != std::u32string::npos || text::joinsPrevious(letters[0]);
    for (std::size_t k = 1; k < letters.size() && !m_decodeEveryMatch; ++k) {
        if (!text::joinsPrevious(letters[k]))
            continue;
        for (const char32_t a : text::sameReading(letters[k - 1])) {
            for (const char32_t b : text::sameReading(letters[k])) {
                m_decodeEveryMatch = m_decodeEveryMatch || text::mayCompose(a, b)
                        || QChar::combiningClass(a) > QChar::combiningClass(b);
            }
        }
    }

    // An ASCII term in ASCII text is sought by a pair of its letters a fixed distance apart,
    // which marks between them would move: so it stops at every byte outside ASCII too.
    const bool ascii = std::all_of(letters.begin(), letters.end(), [](char32_t c) { return c < 0x80; });
    m_asciiLetters = ascii;
    m_pairs = ascii && text::firstNonAscii(sample.data(), sample.size()) == sample.size();
    if (m_pairs) {
        m_rare = chooseRareLetters(m_variants, sample);
        m_rareLetter = m_rare.first.index;
        m_rareForms = text::sameReading(letters[std::size_t(std::max<qsizetype>(m_rareLetter, 0))]);
        std::sort(m_rareForms.begin(), m_rareForms.end());
        return;
    }
    // Letters whose every form reads as them where nothing joins it may be sought by two of
    // them side by side, where what comes between (an ignored mark, a letter in parts) starts
    // with an odd byte: the candidates are then also those with an odd byte after the first.
    // The other letters are not sought.
    std::vector<Variants> plainForms;
    plainForms.reserve(letters.size());
    for (std::size_t k = 0; k < letters.size(); ++k) {
        const std::vector<char32_t> forms = text::formsToSeek(letters[k]), same = text::sameReading(letters[k]);
        const bool plain = std::all_of(forms.begin(), forms.end(), [&](char32_t f) {
            return std::find(same.begin(), same.end(), f) != same.end();
        });
        plainForms.push_back(plain ? *m_variants[k] : Variants());
    }
    std::vector<const Variants *> plain;
    for (const Variants &forms : plainForms)
        plain.push_back(&forms);
    const auto [plainLow, plainSpan] = encoding == TextEncoding::Utf8
            ? text::plainLeads(sample)
            : std::pair<unsigned char, unsigned char>(0x80, 0x7F);
    RareLetters pair = chooseRareLetters(plain, sample, 1);
    // Its candidates in the sample include the first letter's before an odd byte.
    for (qsizetype p = 0; pair.second.index >= 0 && p + 1 < sample.size(); ++p) {
        const auto next = static_cast<unsigned char>(sample[p + 1]);
        pair.inSample += pair.first.holds(static_cast<unsigned char>(sample[p])) && next >= 0x80
                && static_cast<unsigned char>(next - plainLow) > plainSpan;
    }
    // Or by one letter alone, by every character that may stand for it (text::formsToSeek):
    // with none in this encoding, no record can hold the letter.
    std::vector<Variants> sets;
    for (std::size_t k = 0; k < letters.size(); ++k) {
        Variants &set = sets.emplace_back();
        for (const char32_t form : text::formsToSeek(letters[k])) {
            if (const auto bytes = bytesOf(form, encoding); bytes && !bytes->isEmpty())
                set.push_back(Variant::of(*bytes));
        }
        if (set.empty()) {
            m_kind = Kind::Never;
            return;
        }
    }
    std::vector<const Variants *> seekable;
    for (const Variants &set : sets)
        seekable.push_back(&set);
    m_rare = chooseRareLetters(seekable, sample, 0);
    // The pair of plain letters, where it has fewer candidates than the rarest letter's forms.
    if (pair.second.index >= 0 && (m_rare.first.index < 0 || pair.inSample < m_rare.inSample)) {
        m_rare = pair;
        m_rare.orMarkMayFollow = true;
        m_rare.plainLow = plainLow;
        m_rare.plainSpan = plainSpan;
        m_rareLetter = m_rare.first.index;
        m_rareForms = text::sameReading(letters[std::size_t(m_rareLetter)]);
    } else if (m_rare.first.index < 0) {
        m_kind = Kind::Decoded;
    } else {
        m_rareLetter = m_rare.first.index;
        m_rareForms = text::formsToSeek(letters[std::size_t(m_rareLetter)]);
    }
    std::sort(m_rareForms.begin(), m_rareForms.end());
}

qsizetype ByteMatcher::nextCandidate(const char *data, qsizetype from, qsizetype to,
                                     qsizetype end, bool orNonAscii) const
{
    if (m_kind == Kind::Never)
        return orNonAscii ? from + text::firstNonAscii(data + from, to - from) : to;
    if (m_kind != Kind::Bytes)
        return from;
    return m_rare.nextCandidate(data, from, to, end, orNonAscii || m_pairs);
}

ByteMatcher::Character ByteMatcher::characterAt(const char *data, qsizetype size, qsizetype at) const
{
    if (at < 0 || at >= size)
        return {};
    const auto b = static_cast<unsigned char>(data[at]);
    if (b < 0x80 || m_encoding == TextEncoding::Windows1252)
        return {b < 0x80 ? char32_t(b) : text::fromWindows1252({data + at, 1}).front().unicode(), 1};
    // The file's records are valid UTF-8 when it is read as UTF-8.
    const qsizetype length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    if (at + length > size)
        return {};
    char32_t code = length == 1 ? 0xFFFD : b & (0x7F >> length);
    for (qsizetype i = 1; i < length; ++i)
        code = code << 6 | (static_cast<unsigned char>(data[at + i]) & 0x3F);
    return {code, length};
}

ByteMatcher::Character ByteMatcher::characterBefore(const char *data, qsizetype size, qsizetype at) const
{
    qsizetype begin = at - 1;
    if (m_encoding == TextEncoding::Utf8) {
        while (begin > 0 && at - begin < 4 && (data[begin] & 0xC0) == 0x80)
            --begin;
    }
    const Character c = characterAt(data, size, begin);
    return begin + c.size == at ? c : Character{};
}

qsizetype ByteMatcher::letterAt(qsizetype k, const char *data, qsizetype size, qsizetype at, bool ending) const
{
    // The four bytes from at (or up to it), the first in the lowest bits as a variant holds
    // them, so that each variant is one comparison.
    const qsizetype from = ending ? std::max<qsizetype>(at - 4, 0) : at;
    const qsizetype n = std::min<qsizetype>(4, (ending ? at : size) - from);
    quint32 word = 0;
    for (qsizetype i = 0; i < n; ++i)
        word |= quint32(static_cast<unsigned char>(data[from + i])) << (8 * i);
    for (const Variant &v : *m_variants[std::size_t(k)]) {
        if (v.size > n)
            continue;
        const quint32 bytes = ending ? word >> (8 * (n - v.size)) : word;
        const quint32 mask = v.size >= 4 ? ~quint32(0) : (quint32(1) << (8 * v.size)) - 1;
        if ((bytes & mask) == v.bytes)
            return v.size;
    }
    return 0;
}

ByteMatcher::Outcome ByteMatcher::confirms(const char *data, qsizetype size, qsizetype at,
                                           qint64 &budget, bool moreMayFollow)
{
    if (m_kind != Kind::Bytes || (m_pairs && static_cast<unsigned char>(data[at]) >= 0x80))
        return Outcome::RecordNeeded;
    if (m_asciiLetters) {
        if (const std::optional<Outcome> plain = asciiConfirms(data, size, at, budget))
            return *plain;
    }
    const qint64 before = budget;
    // Whether the characters from `from` on that join the one before them change c: compose
    // with it, go before it (c being a mark), or, when alefMatters, join it into an alef (a
    // superscript alef after waw or yeh). Where c is not the letter wanted, a letter it
    // composes into that is not the letter either changes nothing that matters.
    const auto changedAt = [&](Character c, qsizetype from, bool alefMatters, char32_t wanted = 0) {
        for (Character next; (next = characterAt(data, size, from)).size > 0 && text::joinsPrevious(next.code);
             from += next.size) {
            budget -= next.size;
            const int order = QChar::combiningClass(next.code);
            if (text::mayCompose(c.code, next.code) && text::nfcMatters(next.code)) {
                const char32_t whole = text::composed(c.code, next.code);
                if (wanted == 0 || whole == 0 || text::readsOddly(whole) || text::readingOf(whole).letter == wanted)
                    return true;
                c.code = whole;
                continue;
            }
            if ((order != 0 && order < QChar::combiningClass(c.code))
                || (alefMatters && text::readingOf(next.code).optional) || budget < 0) {
                return true;
            }
        }
        return from >= size && moreMayFollow;
    };
    // Where the text differs from the term's letter: a character whose reading depends on what
    // is around it, one that may join the letter before it, or one that what follows changes,
    // may still match once decoded.
    const auto differs = [&](Character c, Character base, qsizetype after, qsizetype k) {
        const bool joins = text::joinsPrevious(c.code)
                && (text::mayCompose(base.code, c.code) || QChar::combiningClass(c.code) < QChar::combiningClass(base.code));
        const char32_t read = text::readingOf(c.code).letter, wanted = m_letters[std::size_t(k)];
        const bool alefMatters = wanted == text::alef && text::isWawOrYeh(read);
        // A hamza is no other letter, but with an alef after it, past the marks, it reads as alef.
        const auto alefFollows = [&] {
            Character n;
            for (qsizetype q = after; (n = characterAt(data, size, q)).size > 0 && --budget >= 0; q += n.size) {
                if (const text::Reading r = text::readingOf(n.code); !r.ignored)
                    return r.letter == text::alef || r.optional || text::nfcMatters(n.code);
            }
            return true;
        };
        const bool plainHamza = read == text::hamza && wanted != text::hamza && !text::nfcMatters(c.code)
                && !text::readingOf(c.code).optional && !alefFollows();
        return c.size > 0 && ((text::readsOddly(c.code) && !plainHamza) || joins || changedAt(c, after, alefMatters, wanted))
                ? Outcome::RecordNeeded
                : Outcome::NoMatch;
    };
    // The character whose last byte the candidate is, and the rare letter there.
    const Character candidate = characterBefore(data, size, at + 1);
    // A byte of another character that ends as one of the rare letter's forms does.
    if (!std::binary_search(m_rareForms.begin(), m_rareForms.end(), candidate.code))
        return Outcome::NoMatch;
    qsizetype end = at + 1 - std::max<qsizetype>(candidate.size, 1);
    qsizetype start = end;
    Character last = characterBefore(data, size, end); // the last letter compared
    // An optional letter met is read as the term's letter where it is that letter, and skipped
    // otherwise. A match so found is a match; a failure after such a guess, on the same side of
    // the rare letter, may have been the guess's, and is left to the record decoded.
    bool guessed = false;
    // Whether NFC may move the superscript alef c at `from` past a mark that reads as something,
    // among the marks around it; those a reader ignores may stand in any order.
    const auto moves = [&](Character c, qsizetype from) {
        const auto reads = [&](Character m) {
            budget -= m.size;
            const text::Reading r = text::readingOf(m.code);
            return budget < 0 || !(r.ignored || r.optional);
        };
        Character m;
        for (qsizetype q = from; (m = characterBefore(data, size, q)).size > 0 && QChar::combiningClass(m.code) != 0; q -= m.size) {
            if (reads(m))
                return true;
        }
        for (qsizetype q = from + c.size; (m = characterAt(data, size, q)).size > 0 && QChar::combiningClass(m.code) != 0; q += m.size) {
            if (reads(m))
                return true;
        }
        return false;
    };
    const auto optionalTaken = [&](Character c, qsizetype k) {
        // One that reads as another letter can only be skipped: no guess.
        if (text::readingOf(c.code).letter != m_letters[std::size_t(k)])
            return false;
        guessed = true;
        return true;
    };
    const auto failed = [&](Outcome v) { return guessed ? Outcome::RecordNeeded : v; };
    // Forward from the rare letter, then back from it; the marks a reader ignores may lie
    // between any two letters.
    // After the rare letter, the last optional letter taken is skipped instead where what
    // follows fails; only a failure with an earlier guess behind it is left to decoding.
    struct Retry
    {
        qsizetype k = -1, end = 0;
        Character last;
        bool guessed = false;
    } retry;
    for (qsizetype k = m_rareLetter; k < qsizetype(m_letters.size()); ++k) {
        qsizetype length;
        while ((length = letterAt(k, data, size, end, false)) == 0) {
            const Character c = characterAt(data, size, end);
            budget -= c.size + 1;
            const text::Reading r = text::readingOf(c.code);
            const bool guessedBefore = guessed;
            if (k != m_rareLetter && c.size > 0 && r.optional && budget >= 0 && optionalTaken(c, k)) {
                if (moves(c, end))
                    return Outcome::RecordNeeded;
                retry = {k, end + c.size, last, guessedBefore};
                length = c.size;
                break;
            }
            // Waw or yeh with a superscript alef after it, past the marks, read as the alef.
            if (k != m_rareLetter && m_letters[std::size_t(k)] == text::alef && !r.optional
                && text::isWawOrYeh(r.letter)) {
                qsizetype q = end + c.size;
                Character n;
                while ((n = characterAt(data, size, q)).size > 0 && text::readingOf(n.code).ignored && --budget >= 0)
                    q += n.size;
                if (n.code == 0x0670 && budget >= 0) {
                    if (moves(n, q))
                        return Outcome::RecordNeeded;
                    length = q + n.size - end;
                    break;
                }
            }
            if (k == m_rareLetter || c.size == 0 || !(r.ignored || r.optional) || budget < 0) {
                const Outcome outcome = budget < 0 ? Outcome::RecordNeeded : differs(c, last, end + c.size, k);
                if (retry.k >= 0 && outcome == Outcome::NoMatch) {
                    k = retry.k;
                    end = retry.end;
                    last = retry.last;
                    guessed = retry.guessed;
                    retry.k = -1;
                    continue;
                }
                countWork(before - budget);
                return failed(outcome);
            }
            end += c.size;
        }
        budget -= length + 1;
        last = characterAt(data, size, end);
        end += length;
    }
    // The letters before the rare one are read apart from those after it: a guess made after
    // it has no part in a failure before it.
    guessed = false;
    for (qsizetype k = m_rareLetter - 1; k >= 0; --k) {
        qsizetype length;
        while ((length = letterAt(k, data, size, start, true)) == 0) {
            const Character c = characterBefore(data, size, start);
            budget -= c.size + 1;
            const text::Reading r = text::readingOf(c.code);
            if (c.size > 0 && r.optional && budget >= 0 && optionalTaken(c, k)) {
                if (moves(c, start - c.size))
                    return Outcome::RecordNeeded;
                length = c.size;
                break;
            }
            if (c.size == 0 || !(r.ignored || r.optional) || budget < 0) {
                countWork(before - budget);
                return budget < 0 ? Outcome::RecordNeeded
                                  : failed(differs(c, characterBefore(data, size, start - c.size), start, k));
            }
            start -= c.size;
        }
        budget -= length + 1;
        start -= length;
    }
    // What follows the last letter must leave it as it is.
    const bool changed = changedAt(last, end, false);
    countWork(before - budget);
    if (m_decodeEveryMatch || changed)
        return Outcome::RecordNeeded;
    return Outcome::Match;
}

std::optional<ByteMatcher::Outcome> ByteMatcher::asciiConfirms(const char *data, qsizetype size,
                                                                qsizetype at, qint64 &budget)
{
    // ASCII letters in ASCII text read as they are written: an ASCII byte that differs refutes
    // the candidate, and an ASCII byte after the last letter leaves it as it is. Any other
    // byte met is left to the comparison of characters.
    const auto *const text = reinterpret_cast<const unsigned char *>(data);
    // A candidate may be the last byte of a letter's other form (the long s), or of any
    // character that ends as that form does: left to the comparison of characters.
    if (text[at] >= 0x80)
        return std::nullopt;
    const qsizetype start = at - m_rareLetter;
    const auto letterIs = [&](qsizetype k) -> std::optional<bool> {
        budget -= 2;
        const qsizetype p = start + k;
        if (p < 0 || p >= size)
            return false;
        if (text[p] >= 0x80)
            return std::nullopt;
        const Variants &forms = *m_variants[std::size_t(k)];
        return std::any_of(forms.begin(), forms.end(), [&](const Variant &v) { return v.size == 1 && v.bytes == text[p]; });
    };
    for (qsizetype k = m_rareLetter + 1; k < qsizetype(m_letters.size()); ++k) {
        const std::optional<bool> same = letterIs(k);
        if (!same)
            return std::nullopt;
        if (!*same)
            return Outcome::NoMatch;
    }
    for (qsizetype k = m_rareLetter - 1; k >= 0; --k) {
        const std::optional<bool> same = letterIs(k);
        if (!same)
            return std::nullopt;
        if (!*same)
            return Outcome::NoMatch;
    }
    countWork(2 * qsizetype(m_letters.size()));
    const qsizetype after = start + qsizetype(m_letters.size());
    if (after < size && text[after] < 0x80)
        return Outcome::Match;
    return std::nullopt;
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
    // Confirming is allowed about as much work as the search itself; past that, or where its
    // bytes cannot tell, the record is verified as decoded text, which costs the same for
    // every byte.
    qint64 budget = 2 * qint64(size) + 8 * longestMatch();
    for (qsizetype at = nextCandidate(data, firstCandidate, size, size); at < size;
         at = nextCandidate(data, at + 1, size, size)) {
        const Outcome outcome = confirms(data, size, at, budget, false);
        if (outcome == Outcome::Match)
            return true;
        if (outcome == Outcome::RecordNeeded || budget < 0)
            return decodedContains(data, size);
    }
    return false;
}

bool ByteMatcher::decodedContains(const char *data, qsizetype size)
{
    countWork(size);
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
    countWork(size);
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
