#include "PhraseSearch.h"

#include "RecordScanner.h"
#include "SearchTerm.h"
#include "TextCoding.h"
#include "VerseFile.h"
#include "WindowOperations.h"

namespace lumaril {

void Command1_Click(WindowOperations &ops, const QString &verseFileName)
{
    ops.setResultsText(QString());
    if (ops.queryText().isEmpty()) {
        ops.showInformation(QStringLiteral("Please enter some text !"), QStringLiteral("Error !"));
        return;
    }
    ops.showBusyPanel();
    ops.repaintNow();

    const SearchTerm term(text::trimBlanks(ops.queryText()));
    VerseFile file(verseFileName);
    if (!file.open()) {
        reportVerseFileFailure(ops, file, RecordScanner::Stop::ReadFailed);
        return;
    }
    RecordScanner scanner(file, term);
    qsizetype matchCount = 0;
    QString result;
    bool started = scanner.start();
    while (started) {
        while (scanner.next()) {
            ops.setMatchFlag(scanner.currentMatches());
            if (!ops.matchFlag())
                continue;
            ++matchCount;
            result += lineBreak;
            result += lineBreak;
            result += scanner.currentText();
            // The box shows the result and one more line break. Appending it and taking it off
            // again, rather than building a new string, keeps a long search linear.
            result += lineBreak;
            ops.setResultsText(result);
            result.chop(lineBreak.size());
            ops.repaintNow();
            if (ops.resultsTextLength() >= resultsLengthLimit) {
                ops.hideBusyPanel();
                ops.showInformation(QStringLiteral("The result is too long !"),
                                    QStringLiteral("Sorry !"));
                file.close();
                return;
            }
        }
        if (scanner.stop() != RecordScanner::Stop::Restart)
            break;
        // Records already listed were decoded as UTF-8; list them again as Windows-1252.
        matchCount = 0;
        result.clear();
        ops.setResultsText(QString());
        started = scanner.restartAsWindows1252() && scanner.start();
    }
    if (scanner.stop() != RecordScanner::Stop::EndOfFile) {
        reportVerseFileFailure(ops, file, scanner.stop());
        return;
    }
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
