#include "RecordSearch.h"

#include "RecordScanner.h"
#include "VerseFile.h"
#include "WindowOperations.h"

namespace lumaril {

namespace {

void reportFailure(WindowOperations &ops, VerseFile &file, RecordScanner::Stop stop)
{
    QString reason;
    switch (stop) {
    case RecordScanner::Stop::NoMark:
        reason = QStringLiteral("it holds no \"#\" mark, so it has no verse records");
        break;
    case RecordScanner::Stop::Utf16:
        reason = QStringLiteral(
                "it is written in UTF-16, which this program cannot read; save it as UTF-8 "
                "or Windows-1252 text");
        break;
    default:
        reason = file.failureReason();
        break;
    }
    file.close();
    ops.hideBusyPanel();
    ops.showInformation(QStringLiteral("Cannot search the verse file \"%1\": %2 !")
                                .arg(file.fullPath(), reason),
                        QStringLiteral("Error !"));
}

} // namespace

ScanEnd scanRecords(WindowOperations &ops, VerseFile &file, const SearchTerm &term,
                    const std::function<bool(RecordScanner &)> &onMatch,
                    const std::function<void()> &onRestart)
{
    if (!file.open()) {
        reportFailure(ops, file, RecordScanner::Stop::ReadFailed);
        return ScanEnd::Failed;
    }
    RecordScanner scanner(file, term);
    bool started = scanner.start();
    while (started) {
        while (scanner.next()) {
            ops.setMatchFlag(scanner.currentMatches());
            if (ops.matchFlag() && !onMatch(scanner))
                return ScanEnd::Stopped;
        }
        if (scanner.stop() != RecordScanner::Stop::Restart)
            break;
        onRestart();
        started = scanner.restartAsWindows1252() && scanner.start();
    }
    if (scanner.stop() != RecordScanner::Stop::EndOfFile) {
        reportFailure(ops, file, scanner.stop());
        return ScanEnd::Failed;
    }
    return ScanEnd::EndOfFile;
}

} // namespace lumaril
