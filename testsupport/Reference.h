#pragma once

// The comparison rule of TextRule.h written plainly, on decoded text, for the tests and the
// fuzzer to hold the byte-level search to. Its user links a search library of its own.

#include "TextRule.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <string>
#include <vector>

// Whether the record, already decoded, contains the term's letters (text::termLetters) under
// the rule. The empty record contains nothing; empty letters are in every other record.
inline bool referenceContains(const std::u32string &letters, QStringView record)
{
    using namespace lumaril::text;
    if (record.isEmpty())
        return false;
    if (letters.empty())
        return true;
    // The record read letter by letter: hamza then alef as one alef.
    std::vector<Reading> read;
    for (const char32_t c : inNfc(record).toUcs4()) {
        const Reading r = readingOf(c);
        if (r.letter == alef && !r.optional && !read.empty() && read.back().letter == hamza
            && !read.back().optional) {
            read.back().letter = alef;
        } else if (!r.ignored) {
            read.push_back(r);
        }
    }
    // Which counts of the term's letters a match may have read so far, ending here, and as it
    // stood one letter of the record earlier; none read is always possible.
    const std::size_t m = letters.size();
    std::vector<bool> now(m + 1), before(m + 1);
    now[0] = before[0] = true;
    for (std::size_t i = 0; i < read.size(); ++i) {
        std::vector<bool> next(m + 1);
        next[0] = true;
        for (std::size_t j = 0; j < m; ++j) {
            if (now[j] && letters[j] == read[i].letter)
                next[j + 1] = true;
            if (now[j] && read[i].optional)
                next[j] = true;
            // Waw or yeh, then a superscript alef: the two may read as one alef.
            const bool pair = read[i].optional && read[i].letter == alef && i > 0 && !read[i - 1].optional
                    && (read[i - 1].letter == 0x0648 || read[i - 1].letter == 0x064A);
            if (pair && before[j] && letters[j] == alef)
                next[j + 1] = true;
        }
        if (now[m] || next[m])
            return true;
        before = now;
        now = next;
    }
    return now[m];
}

// The same for a query as typed, which the search compiles into its letters just so.
inline bool referenceContains(const QString &query, const QString &record)
{
    return referenceContains(lumaril::text::termLetters(query), record);
}
