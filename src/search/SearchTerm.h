#pragma once

#include <QByteArray>
#include <QString>

namespace lumaril {

// A query prepared once for testing many records.
//
// A record contains the term when the term occurs anywhere in it, from its first character,
// with both sides compared under Unicode simple case folding (so É matches é, Ÿ matches ÿ and
// K matches the Kelvin sign). The empty term is contained in every record except the empty
// one. A term holding "#" is never contained in a record, because records never hold "#".
class SearchTerm
{
public:
    explicit SearchTerm(const QString &term);

    [[nodiscard]] bool isEmpty() const { return m_folded.isEmpty(); }
    // Case-folded to plain ASCII: records of plain ASCII bytes can be tested byte by byte.
    [[nodiscard]] bool isAscii() const { return m_isAscii; }
    // The folded term as bytes; meaningful when isAscii().
    [[nodiscard]] const QByteArray &asciiBytes() const { return m_asciiBytes; }

    // The reference test, on decoded text. Slow but exact for any text.
    [[nodiscard]] bool isContainedIn(const QString &record) const;

private:
    QString m_folded;
    QByteArray m_asciiBytes;
    bool m_isAscii = false;
};

} // namespace lumaril
