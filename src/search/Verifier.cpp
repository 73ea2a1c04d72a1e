#include "Verifier.h"

#include "TextRule.h"

#include <algorithm>

namespace lumaril {

namespace {

// Past this much text with no ASCII character in it, a piece is put in NFC as it stands, so
// that memory stays bounded on any record.
constexpr qsizetype longestWait = 1024 * 1024;

} // namespace

Verifier::Verifier(const std::u32string &letters)
    : m_length(letters.size())
    , m_words(letters.size() / 64 + 1)
{
    for (std::size_t j = 0; j < letters.size(); ++j) {
        auto it = std::find_if(m_index.begin(), m_index.end(), [&](const auto &e) { return e.first == letters[j]; });
        if (it == m_index.end()) {
            m_index.emplace_back(letters[j], m_places.size());
            m_places.resize(m_places.size() + m_words);
            it = m_index.end() - 1;
        }
        m_places[it->second + j / 64] |= quint64(1) << (j % 64);
        m_someLetters |= quint64(1) << (letters[j] % 64);
    }
    std::sort(m_index.begin(), m_index.end());
    m_now.assign(m_words, 0);
    m_before = m_next = m_now;
}

const quint64 *Verifier::lettersAt(char32_t letter) const
{
    if (!(m_someLetters >> (letter % 64) & 1))
        return nullptr;
    const auto it = std::lower_bound(m_index.begin(), m_index.end(), std::pair(letter, std::size_t(0)));
    return it != m_index.end() && it->first == letter ? m_places.data() + it->second : nullptr;
}

void Verifier::start()
{
    std::fill(m_now.begin(), m_now.end(), 0);
    std::fill(m_before.begin(), m_before.end(), 0);
    m_found = m_length == 0;
    m_hamzaWaiting = m_afterWawOrYeh = false;
    m_waiting.clear();
}

void Verifier::step(char32_t letter, bool optional)
{
    // Each count of letters read moves on by one where the term has this letter next; none
    // read is always possible, so a match may start here.
    const quint64 *places = lettersAt(letter);
    const bool afterWawOrYeh = m_afterWawOrYeh;
    m_afterWawOrYeh = !optional && text::isWawOrYeh(letter);
    // A letter the term lacks ends every match, the commonest step by far.
    if (!places && !optional) {
        std::swap(m_before, m_now);
        std::fill(m_now.begin(), m_now.end(), 0);
        return;
    }
    quint64 carry = 1;
    for (std::size_t w = 0; w < m_words; ++w) {
        const quint64 moved = m_now[w] << 1 | carry;
        carry = m_now[w] >> 63;
        m_next[w] = places ? moved & places[w] : 0;
    }
    if (optional) {
        const quint64 *alefs = letter == text::alef && afterWawOrYeh ? lettersAt(text::alef) : nullptr;
        carry = 1;
        for (std::size_t w = 0; w < m_words; ++w) {
            // Skipped, or with the waw or yeh before it read as one alef.
            m_next[w] |= m_now[w];
            if (alefs)
                m_next[w] |= (m_before[w] << 1 | carry) & alefs[w];
            carry = m_before[w] >> 63;
        }
    }
    std::swap(m_before, m_now);
    std::swap(m_now, m_next);
    const std::size_t last = m_length - 1;
    m_found = m_found || (m_now[last / 64] >> (last % 64) & 1);
}

void Verifier::read(QStringView text)
{
    // Most records need no NFC, and putting them in it costs more than reading them.
    if (!text::readsAsNfc(text)) {
        const QString nfc = text::inNfc(text);
        readNormalized(nfc);
        return;
    }
    readNormalized(text);
}

void Verifier::readNormalized(QStringView nfc)
{
    for (qsizetype i = 0; i < nfc.size() && !m_found; ++i) {
        char32_t c = nfc[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < nfc.size() && nfc[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(nfc[i], nfc[i + 1]);
            ++i;
        }
        const text::Reading r = text::readingOf(c);
        if (r.ignored)
            continue;
        if (m_hamzaWaiting) {
            m_hamzaWaiting = false;
            if (r.letter == text::alef && !r.optional) {
                step(text::alef, false);
                continue;
            }
            step(text::hamza, false);
        }
        if (r.letter == text::hamza && !r.optional)
            m_hamzaWaiting = true;
        else
            step(r.letter, r.optional);
    }
}

bool Verifier::add(QStringView piece)
{
    if (m_found)
        return true;
    m_waiting += piece;
    qsizetype cut = m_waiting.size();
    while (cut > 0 && m_waiting[cut - 1].unicode() >= 0x80)
        --cut;
    if (cut > 0)
        --cut; // before that ASCII character
    else if (m_waiting.size() >= longestWait)
        cut = m_waiting.back().isHighSurrogate() ? m_waiting.size() - 1 : m_waiting.size();
    if (cut > 0) {
        read(QStringView(m_waiting).first(cut));
        m_waiting.remove(0, cut);
    }
    return m_found;
}

bool Verifier::finish()
{
    if (!m_found)
        read(m_waiting);
    if (!m_found && m_hamzaWaiting) {
        m_hamzaWaiting = false;
        step(text::hamza, false);
    }
    m_waiting.clear();
    return m_found;
}

bool Verifier::contains(QStringView text)
{
    start();
    if (text.isEmpty())
        return false;
    if (m_length == 0)
        return true;
    read(text);
    return finish();
}

} // namespace lumaril
