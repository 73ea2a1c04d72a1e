#include "SearchFailure.h"

#include "VerseFile.h"
#include "WindowOperations.h"

namespace lumaril {

void reportVerseFileFailure(WindowOperations &ops, VerseFile &file, RecordScanner::Stop stop)
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

} // namespace lumaril
