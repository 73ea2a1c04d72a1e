#pragma once

#include <QString>
#include <QStringView>

#include <string>
#include <vector>

namespace lumaril {

// Confirms that decoded text holds a term under the comparison rule (TextRule.h), in one pass
// over the text whatever the term: it reads the text in NFC, letter by letter, and keeps the
// set of how many of the term's letters a match ending here may have read, one bit each (the
// "shift-and" method). An optional letter keeps the set as it is and also advances it, so a
// run of any length of them or of ignored marks costs one step a character.
//
// Text may come in pieces (a record too long to hold): each is put in NFC up to its last
// ASCII character, where no canonical composition can reach across, and the rest waits for
// the next piece.
class Verifier
{
public:
    explicit Verifier(const std::u32string &letters);

    // Whether the whole text holds the term.
    [[nodiscard]] bool contains(QStringView text);

    // The same for text in pieces: start(), then add() each piece, then finish().
    void start();
    // True once the pieces so far hold the term.
    bool add(QStringView piece);
    [[nodiscard]] bool finish();

private:
    using Bits = std::vector<quint64>;
    void read(QStringView text);
    void readNormalized(QStringView nfc);
    void step(char32_t letter, bool optional);
    [[nodiscard]] const quint64 *lettersAt(char32_t letter) const;

    std::size_t m_length;
    std::size_t m_words;
    // For each letter of the term, the places in the term that hold it, a bit each.
    std::vector<std::pair<char32_t, std::size_t>> m_index;
    std::vector<quint64> m_places;
    // A bit for each letter of the term, by its value modulo 64: most letters of a text are
    // not in the term, and this tells so at once.
    quint64 m_someLetters = 0;
    Bits m_now, m_before, m_next;
    bool m_found = false;
    bool m_hamzaWaiting = false; // a hamza was read; an alef after it makes the two one alef
    bool m_afterWawOrYeh = false;
    QString m_waiting; // the end of the last piece, not yet put in NFC
};

} // namespace lumaril
