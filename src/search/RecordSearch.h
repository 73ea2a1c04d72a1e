#pragma once

#include <QString>

#include <functional>

namespace lumaril {

class RecordScanner;
class SearchTerm;
class VerseFile;
class WindowOperations;

inline const QString defaultVerseFileName = QStringLiteral("quran.txt");

enum class ScanEnd {
    EndOfFile, // every complete record was tested; the file is still open
    Stopped,   // onMatch asked to stop
    Failed,    // the file could not be searched, and the user has been told why
};

// The record scan both searches run. Opens the file, skips its preamble and tests each
// complete record against the term; the outcome is written into the match flag and the value
// read back decides. onMatch runs for every record the flag passes, with the scanner on it,
// and returns false to stop the scan. When the file turns out to be Windows-1252 after UTF-8
// was already decoded, onRestart runs and the scan starts again from the top.
//
// A failure (the file missing, unreadable, not a regular file, without any "#", UTF-16) ends
// in one information message titled "Error !" naming the file by its full path, after the
// file has been closed and the busy panel hidden, so that the next search starts afresh.
[[nodiscard]] ScanEnd scanRecords(WindowOperations &ops, VerseFile &file, const SearchTerm &term,
                                  const std::function<bool(RecordScanner &)> &onMatch,
                                  const std::function<void()> &onRestart);

} // namespace lumaril
