#pragma once

#include <QString>

#include <string>

namespace lumaril {

// A query prepared once for testing many records.
//
// A record contains the term when the term occurs anywhere in it, under the comparison rule
// of TextRule.h: canonical equivalence, simple case folding (É matches é, K the Kelvin sign),
// and Arabic script read as it is typed. The empty term, or one of marks only, is contained
// in every record except the empty one. A term holding "#" is never contained in a record,
// because records never hold "#".
class SearchTerm
{
public:
    explicit SearchTerm(const QString &term);

    // The term's letters as they are compared (text::termLetters).
    [[nodiscard]] const std::u32string &letters() const { return m_letters; }

private:
    std::u32string m_letters;
};

} // namespace lumaril
