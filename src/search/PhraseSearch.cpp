#include "PhraseSearch.h"

#include "RecordScanner.h"
#include "SearchTerm.h"
#include "TextCoding.h"
#include "VerseFile.h"
#include "WindowOperations.h"

#include <algorithm>

namespace lumaril {

namespace {

// Written in place: appending a string costs more than the two characters it adds, and a long
// search adds them thousands of times.
void appendLineBreaks(QString &out, qsizetype count)
{
    const qsizetype at = out.size();
    out.resize(at + count * lineBreak.size());
    for (QChar *p = out.data() + at; count > 0; --count, p += lineBreak.size())
        std::copy_n(lineBreak.constData(), lineBreak.size(), p);
}

} // namespace

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
    VerseFile file(verseFileName);
    qsizetype matchCount = 0;
    QString result;
    const auto listMatch = [&](RecordScanner &scanner) {
        ++matchCount;
        // The box shows the results and one more line break, which the next result's two
        // then begin with, so that the text is only ever appended to: a long search stays
        // linear.
        appendLineBreaks(result, result.isEmpty() ? 2 : 1);
        // Each listed record is shown whole, and the search stops once the box is full. Only a
        // record longer than the box's limit on its own is cut, where the box reaches the limit
        // (never inside a character), so that megabytes never shown are never decoded.
        const qsizetype at = result.size();
        scanner.appendCurrentText(result, resultsLengthLimit + 2);
        if (result.size() - at > resultsLengthLimit) {
            qsizetype keep = std::max(at, resultsLengthLimit);
            if (keep > at && result.at(keep).isLowSurrogate())
                --keep;
            result.truncate(keep);
        }
        appendLineBreaks(result, 1);
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
