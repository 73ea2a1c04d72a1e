#include "RecordSearch.h"

#include "RecordScanner.h"
#include "SearchTerm.h"
#include "VerseFile.h"
#include "WindowOperations.h"

#include <QFileInfo>

namespace lumaril {

namespace {

QString failureReason(const VerseFile &file, RecordScanner::Stop stop)
{
    switch (stop) {
    case RecordScanner::Stop::NoMark:
        return QStringLiteral("it holds no \"#\" mark, so it has no verse records");
    case RecordScanner::Stop::Utf16:
        return QStringLiteral(
                "it is written in UTF-16, which this program cannot read; save it as UTF-8 "
                "or Windows-1252 text");
    default:
        return file.failureReason();
    }
}

// Started from another folder, the program finds no verse file in it: the user is told where
// it looks and how to start it so that it finds the file, on a line below the problem.
QString howToFind(const VerseFile &file)
{
    if (!file.isMissing() || !file.isInCurrentFolder())
        return QString();
    const QString name = QFileInfo(file.fullPath()).fileName();
#ifdef Q_OS_WIN
    return QStringLiteral("\nLumaril reads %1 from the folder it is started in (the current folder): "
                          "double-click lumaril.exe beside %1, or start it in that folder !")
            .arg(name);
#else
    return QStringLiteral("\nLumaril reads %1 from the folder it is started in (the current folder): "
                          "go to the folder that holds %1 and start lumaril there !")
            .arg(name);
#endif
}

void reportFailure(WindowOperations &ops, VerseFile &file, RecordScanner::Stop stop)
{
    const QString reason = failureReason(file, stop);
    file.close();
    ops.hideBusyPanel();
    ops.showInformation(QStringLiteral("Cannot search the verse file \"%1\": %2 !%3")
                                .arg(file.fullPath(), reason, howToFind(file)),
                        QStringLiteral("Error !"));
}

} // namespace

ScanEnd scanRecords(WindowOperations &ops, VerseFile &file, const SearchTerm &term,
                    const std::function<bool(RecordScanner &)> &onMatch)
{
    if (!file.open()) {
        reportFailure(ops, file, RecordScanner::Stop::ReadFailed);
        return ScanEnd::Failed;
    }
    file.setBeforeRead([&ops] { ops.stayResponsive(); });
    RecordScanner scanner(file, term, [&ops] { ops.stayResponsive(); });
    if (scanner.start()) {
        for (;;) {
            const bool found = scanner.nextMatch();
            // The records passed over do not match: the flag is set once for all of them, as
            // the last of them would leave it.
            if (scanner.passedOverRecords())
                ops.setMatchFlag(false);
            if (!found)
                break;
            ops.setMatchFlag(true);
            if (ops.matchFlag() && !onMatch(scanner))
                return ScanEnd::Stopped;
        }
    }
    if (scanner.stop() != RecordScanner::Stop::EndOfFile) {
        reportFailure(ops, file, scanner.stop());
        return ScanEnd::Failed;
    }
    return ScanEnd::EndOfFile;
}

VerseFileCheck checkVerseFile(const QString &fileName)
{
    VerseFile file(fileName);
    VerseFileCheck check;
    check.fullPath = file.fullPath();
    if (!file.open()) {
        check.problem = file.failureReason();
        return check;
    }
    // The empty term: no candidates to seek, and a record is decoded only to see whether it
    // holds any text.
    const SearchTerm anything{QString()};
    RecordScanner scanner(file, anything);
    if (scanner.start()) {
        while (scanner.nextRecord()) {
            ++check.records;
            if (!scanner.currentText().trimmed().isEmpty())
                ++check.verses;
        }
    }
    if (scanner.stop() != RecordScanner::Stop::EndOfFile) {
        check.problem = failureReason(file, scanner.stop());
        check.records = 0;
        check.verses = 0;
    }
    return check;
}

} // namespace lumaril
