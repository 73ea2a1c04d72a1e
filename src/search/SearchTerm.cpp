#include "SearchTerm.h"

#include "TextRule.h"

namespace lumaril {

SearchTerm::SearchTerm(const QString &term)
    : m_letters(text::termLetters(term))
{
}

bool SearchTerm::isContainedIn(const QString &record) const
{
    return text::referenceContains(m_letters, record);
}

} // namespace lumaril
