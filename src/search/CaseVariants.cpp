#include "CaseVariants.h"

#include <QChar>

#include <algorithm>

namespace lumaril::text {

namespace {

struct Folding
{
    char32_t folded;
    char32_t original;
    auto operator<=>(const Folding &) const = default;
};

// Every code point that folding changes, by what it folds to. Taken from Qt's own folding,
// which the plain test of a record uses, so that the two can never disagree; made once, when
// the first search needs it.
const std::vector<Folding> &foldings()
{
    static const std::vector<Folding> table = [] {
        std::vector<Folding> out;
        for (char32_t c = 0; c <= 0x10FFFF; ++c) {
            if (QChar::isSurrogate(c))
                continue;
            const char32_t folded = QChar::toCaseFolded(c);
            if (folded != c)
                out.push_back({folded, c});
        }
        std::sort(out.begin(), out.end());
        return out;
    }();
    return table;
}

} // namespace

std::vector<char32_t> caseVariants(char32_t c)
{
    const char32_t folded = QChar::toCaseFolded(c);
    std::vector<char32_t> out{folded};
    const auto &table = foldings();
    auto it = std::lower_bound(table.begin(), table.end(), Folding{folded, 0});
    for (; it != table.end() && it->folded == folded; ++it)
        out.push_back(it->original);
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace lumaril::text
