#include "SearchTerm.h"

#include "TextRule.h"

namespace lumaril {

SearchTerm::SearchTerm(const QString &term)
    : m_letters(text::termLetters(term))
{
}

} // namespace lumaril
