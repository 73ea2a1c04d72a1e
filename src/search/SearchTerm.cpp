#include "SearchTerm.h"

namespace lumaril {

SearchTerm::SearchTerm(const QString &term)
    : m_folded(term.toCaseFolded())
{
}

bool SearchTerm::isContainedIn(const QString &record) const
{
    if (record.isEmpty())
        return false;
    return record.toCaseFolded().contains(m_folded);
}

} // namespace lumaril
