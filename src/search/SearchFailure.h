#pragma once

#include "RecordScanner.h"

namespace lumaril {

class VerseFile;
class WindowOperations;

// Tells the user why the verse file could not be searched: one information message titled
// "Error !" naming the file by its full path. The file is closed and the busy panel hidden
// first, so the program is ready for the next search when the message closes.
void reportVerseFileFailure(WindowOperations &ops, VerseFile &file, RecordScanner::Stop stop);

inline const QString defaultVerseFileName = QStringLiteral("quran.txt");

} // namespace lumaril
