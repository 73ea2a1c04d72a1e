#pragma once

#include "RecordSearch.h"

namespace lumaril {

class WindowOperations;

// The results box stops taking matches once it holds this many characters.
inline constexpr qsizetype resultsLengthLimit = 65535;

// The phrase search, run by "Search !" and by "Search a Text".
//
// Lists every record of the verse file that contains the query (blanks trimmed from both
// ends, tabs kept; case ignored, see SearchTerm) in the results box, each after two line
// breaks, as it is found, and repaints after each match; then reports the count ("N Results
// found !") or "No Results found !". An empty query box is refused before the file is opened.
// Stops with "The result is too long !" once the results box reaches resultsLengthLimit.
// Every record test writes its outcome into the match flag and goes by the value read back,
// so the flag ends as the last test left it.
void Command1_Click(WindowOperations &ops, const QString &verseFileName = defaultVerseFileName);

} // namespace lumaril
