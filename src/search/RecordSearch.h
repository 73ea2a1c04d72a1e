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
// and returns false to stop the scan. The records between two matches are passed over
// together, with the flag set off once for all of them: the window shows only the flag's last
// state, which is what the last record's test leaves.
//
// A failure (the file missing, unreadable, not a regular file, without any "#", UTF-16) ends
// in one information message titled "Error !" naming the file by its full path, after the
// file has been closed and the busy panel hidden, so that the next search starts afresh. A
// file missing from the current folder also has the message say how to start the program so
// that it finds the file.
[[nodiscard]] ScanEnd scanRecords(WindowOperations &ops, VerseFile &file, const SearchTerm &term,
                                  const std::function<bool(RecordScanner &)> &onMatch);

// What a look at a verse file found without searching it: how many records it holds, or why
// it cannot be searched, in the words a search's message would use.
struct VerseFileCheck
{
    QString fullPath;
    QString problem; // empty when the file can be searched
    qint64 records = 0;
    qint64 verses = 0; // the records holding more than blanks and line breaks
};

// Reads the file as a search does, from its first byte to its last, and counts its records
// and its verses: "##" makes a record, but not a verse.
[[nodiscard]] VerseFileCheck checkVerseFile(const QString &fileName = defaultVerseFileName);

} // namespace lumaril
