#include "SearchTerm.h"

namespace lumaril {

SearchTerm::SearchTerm(const QString &term)
    : m_folded(term.toCaseFolded())
{
    m_isAscii = std::all_of(m_folded.cbegin(), m_folded.cend(),
                            [](QChar c) { return c.unicode() < 0x80; });
    if (m_isAscii)
        m_asciiBytes = m_folded.toLatin1();
}

bool SearchTerm::isContainedIn(const QString &record) const
{
    if (record.isEmpty())
        return false;
    return record.toCaseFolded().contains(m_folded);
}

} // namespace lumaril
