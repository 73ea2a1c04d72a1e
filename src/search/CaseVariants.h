#pragma once

#include <QtGlobal>

#include <vector>

namespace lumaril::text {

// Every code point whose simple case folding (QChar::toCaseFolded) is the same as c's, c
// among them, in code point order: "k" gives K, k and the Kelvin sign; "ß" gives ß and ẞ.
[[nodiscard]] std::vector<char32_t> caseVariants(char32_t c);

} // namespace lumaril::text
