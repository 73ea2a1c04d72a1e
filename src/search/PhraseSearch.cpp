#include "PhraseSearch.h"

#include "RecordScanner.h"
#include "SearchTerm.h"
#include "TextCoding.h"
#include "VerseFile.h"
#include "WindowOperations.h"

#include <algorithm>

namespace lumaril {

void Command1_Click(WindowOperations &ops, const QString &verseFileName)
{
    ops.setResultsText(QString());
    // Read once, before the first repaint: the window may answer its window system while the
    // command runs, and what is searched for must be what was there when it was asked.
    const QString query = ops.queryText();
    if (query.isEmpty()) {
        ops.showInformation(QStringLiteral("Please enter some text !"), QStringLiteral("Error !"));
        return;
    }
    ops.showBusyPanel();
    ops.repaintNow();

    const SearchTerm term(text::trimBlanks(query));
    const QString twoLineBreaks = lineBreak + lineBreak;
    VerseFile file(verseFileName);
    qsizetype matchCount = 0;
    QString result;
    const auto listMatch = [&](RecordScanner &scanner) {
        ++matchCount;
        // The box shows the results and one more line break, which the next result's two
        // then begin with, so that the text is only ever appended to: a long search stays
        // linear.
        result += result.isEmpty() ? twoLineBreaks : lineBreak;
        // The box stops taking matches at its limit, so a record longer than what is left is
        // cut there: the search then stops as it would have, without decoding megabytes that
        // would never be shown.
        scanner.appendCurrentText(result, std::max<qsizetype>(0, resultsLengthLimit - result.size()));
        result += lineBreak;
        ops.setResultsText(result);
        ops.repaintNow();
        if (ops.resultsTextLength() < resultsLengthLimit)
            return true;
        ops.hideBusyPanel();
        ops.showInformation(QStringLiteral("The result is too long !"), QStringLiteral("Sorry !"));
        file.close();
        return false;
    };
    if (scanRecords(ops, file, term, listMatch) != ScanEnd::EndOfFile)
        return;
    file.close();
    ops.hideBusyPanel();
    if (matchCount != 0) {
        ops.showInformation(QString::number(matchCount) + QStringLiteral(" Results found !"),
                            QStringLiteral("Results !"));
    } else {
        ops.showInformation(QStringLiteral("No Results found !"), QStringLiteral("Sorry !"));
    }
}

} // namespace lumaril
