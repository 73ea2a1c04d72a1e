#pragma once

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

    // The term after QString::toCaseFolded().
    [[nodiscard]] const QString &folded() const { return m_folded; }

    // The plain test, on decoded text, that the byte-level one (ByteMatcher) must agree with.
    [[nodiscard]] bool isContainedIn(const QString &record) const;

private:
    QString m_folded;
};

} // namespace lumaril
