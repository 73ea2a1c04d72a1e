#include "PartsSearch.h"

#include "BlockBuffer.h"
#include "ByteMatcher.h"
#include "PhraseSearch.h"
#include "SearchTerm.h"
#include "TextCoding.h"
#include "VerseFile.h"
#include "Windows1252Check.h"
#include "WindowOperations.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

QString partsSearch(const QString &path, const QString &query, qsizetype &resultsLength)
{
    using namespace lumaril;
    resultsLength = 0;
    VerseFile file(path);
    if (!file.open())
        return file.failureReason();
    // Read in the search's blocks into a buffer on a cache line, as the search reads. The file
    // is held whole, which the search never does, so a huge one is left to the search alone.
    constexpr qsizetype blockSize = verseBlockSize;
    constexpr qint64 largest = 256 * 1024 * 1024;
    if (file.size() > largest)
        return QStringLiteral("(not run: the parts hold the file whole, and it is over 256 MiB)");
    const qsizetype capacity = qsizetype(std::max<qint64>(file.size(), 0)) + blockSize;
    const auto storage = std::make_unique_for_overwrite<char[]>(std::size_t(capacity + 64));
    char *const data = storage.get() + (64 - quintptr(storage.get()) % 64) % 64;
    qsizetype size = 0;
    Windows1252Check check;
    bool windows1252 = false;
    for (qint64 n; size < capacity
                   && (n = file.read(data + size, std::min(blockSize, capacity - size))) > 0;) {
        windows1252 = windows1252 || check.showsWindows1252(data + size, qsizetype(n));
        size += qsizetype(n);
    }
    file.close();
    const char *const firstMark = static_cast<const char *>(std::memchr(data, '#', std::size_t(size)));
    const qsizetype begin = firstMark ? firstMark - data + 1 : size;
    // Records end at the last mark; with none after the first, there are none.
    const qsizetype last = begin < size ? text::lastMark(data + begin, size - begin) : -1;
    const qsizetype end = last < 0 ? begin : begin + last;

    const SearchTerm term(text::trimBlanks(query));
    ByteMatcher matcher(term.letters(), windows1252 ? TextEncoding::Windows1252 : TextEncoding::Utf8,
                        QByteArrayView(data + begin, std::min(end - begin, rareLetterSampleSize)));
    if (!matcher.canSkip())
        return QStringLiteral("(a term the candidate search cannot seek)");
    QString result;
    qsizetype count = 0;
    qint64 budget = std::numeric_limits<qint64>::max();
    for (qsizetype from = begin; from < end && result.size() < resultsLengthLimit;) {
        const qsizetype at = matcher.nextCandidate(data, from, end, size);
        if (at >= end)
            break;
        const ByteMatcher::Outcome found = matcher.confirms(data, size, at, budget, false);
        if (found == ByteMatcher::Outcome::NoMatch) {
            from = at + 1;
            continue;
        }
        // The record's start is the mark nearest before the candidate, looked for backwards.
        const qsizetype recordStart = text::lastMark(data + begin, at - begin) + begin + 1;
        const auto *const closing = static_cast<const char *>(std::memchr(data + at, '#', std::size_t(end + 1 - at)));
        const qsizetype recordEnd = closing - data;
        // Verified decoded, where its bytes alone cannot tell.
        if (found == ByteMatcher::Outcome::RecordNeeded
            && !matcher.contains(data + recordStart, recordEnd - recordStart, at - recordStart)) {
            from = recordEnd + 1;
            continue;
        }
        ++count;
        result += result.isEmpty() ? lineBreak + lineBreak : lineBreak;
        const QByteArrayView record(data + recordStart, recordEnd - recordStart);
        const qsizetype listedAt = result.size();
        if (windows1252)
            text::appendWindows1252(result, record);
        else
            text::appendUtf8(result, record, true);
        // As the search lists it: whole, unless longer than the limit on its own.
        if (result.size() - listedAt > resultsLengthLimit) {
            qsizetype keep = std::max(listedAt, resultsLengthLimit);
            if (keep > listedAt && result.at(keep).isLowSurrogate())
                --keep;
            result.truncate(keep);
        }
        result += lineBreak;
        from = recordEnd + 1;
    }
    resultsLength = result.size();
    if (result.size() >= resultsLengthLimit)
        return QStringLiteral("The result is too long !");
    return count ? QString::number(count) + QStringLiteral(" Results found !")
                 : QStringLiteral("No Results found !");
}
