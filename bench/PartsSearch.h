#pragma once

#include <QString>

// The phrase search's own parts put together the plainest way, for scale: the whole file read
// into one buffer, checked as UTF-8 once, its candidates found and confirmed by the search's
// matcher, and each record that holds the term found by looking for the marks around it and
// decoded, until the results would fill the box. It keeps no bound on memory and tells the
// window nothing, so what the real search takes beyond it is the price of its record scanner.
// Returns the final message the search would show, and sets resultsLength to the length of the
// results it would leave in the box.
QString partsSearch(const QString &path, const QString &query, qsizetype &resultsLength);
