// Measures the phrase search and the verse lookup on a verse file against the least any
// search must spend: reading the whole file. Also times grep on the same file for scale.
// Usage: lumaril-bench [FILE [QUERY...]]   (default: quran.txt in the working folder)
//
// With queries, each is searched for on FILE, one row each, and the worst ratio comes last;
// without, the standard rows below.
//
// Each search is timed in turn with a read of the file, run for run, and its ratio is to the
// median of those reads: a machine busy with other work then slows both alike.
//
// The searches choose the file's encoding at its first record with a byte outside ASCII, by
// reading and checking the rest of the file then; a file of plain ASCII never needs it. So the
// searches are also timed on a copy whose first record holds one UTF-8 character, where the
// choice checks the whole file before the first record is tested; their worst ratio is given
// on its own line.
//
// With LUMARIL_BENCH_PARTS set, each query's row is followed by one for the search's parts put
// together the plainest way (PartsSearch.h), for scale; it counts for no worst ratio.

#include "BlockBuffer.h"
#include "Median.h"
#include "PartsSearch.h"
#include "PhraseSearch.h"
#include "Recorder.h"
#include "VerseLookup.h"
#include "WindowOperations.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

double micros(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1000.0;
}

double medianMicros(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    times.reserve(runs);
    for (int i = 0; i < runs; ++i)
        times.push_back(micros(work));
    return median(std::move(times));
}

// The medians of work and of plain reading, timed in turn run for run, so that other work on
// the machine slows both alike and their ratio holds still.
std::pair<double, double> pairedMedians(int runs, const std::function<void()> &work,
                                        const std::function<void()> &reading)
{
    std::vector<double> workTimes, readTimes;
    for (int i = 0; i < runs; ++i) {
        readTimes.push_back(micros(reading));
        workTimes.push_back(micros(work));
    }
    return {median(std::move(workTimes)), median(std::move(readTimes))};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString path = args.size() > 1 ? args[1] : QStringLiteral("quran.txt");
    const QStringList queries = args.mid(2);
    if (!QFileInfo(path).isFile()) {
        std::fprintf(stderr, "lumaril-bench: %s is not a file\n", qPrintable(path));
        return 1;
    }
    const int runs = queries.isEmpty() ? 301 : 21;
    const QByteArray encoded = QFile::encodeName(path);
    // The search's own block size, and the block starts on a cache line, as the search's buffer
    // does: a reference read slower than it need be would flatter every ratio.
    constexpr qsizetype blockSize = lumaril::verseBlockSize;
    std::vector<char> storage(blockSize + 64);
    char *const block = storage.data() + (64 - quintptr(storage.data()) % 64) % 64;
    const auto readWholeFile = [&] {
#ifdef Q_OS_UNIX
        const int fd = ::open(encoded.constData(), O_RDONLY);
        while (::read(fd, block, blockSize) > 0) {
        }
        ::close(fd);
#else
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        while (f.read(block, blockSize) > 0) {
        }
#endif
    };
    const double readMedian = medianMicros(runs, readWholeFile);

    std::printf("verse file: %s (%lld bytes), median of %d runs\n\n", qPrintable(path),
                static_cast<long long>(QFileInfo(path).size()), runs);
    std::printf("%-30s %12s %8s  %s\n", "what", "median us", "x read", "outcome");
    std::printf("%-30s %12.1f %8.2f\n", "read the whole file", readMedian, 1.0);

    double worst = 0;
    double worstUtf8 = 0;
    auto report = [&](const char *label, const std::function<void(Recorder &)> &search) {
        Recorder window(Recorder::Mode::Quiet);
        const auto [t, read] = pairedMedians(runs, [&] { search(window); }, readWholeFile);
        double &worstHere = std::strncmp(label, "utf-8", 5) == 0 ? worstUtf8 : worst;
        worstHere = std::max(worstHere, t / read);
        std::printf("%-30s %12.1f %8.2f  %s\n", label, t, t / read, qPrintable(window.lastPrompt));
        return window;
    };
    const auto searches = [&](const QString &file, const char *prefix) {
        for (const char *query : {"mercy", "the", "Allah", "xyzzy"}) {
            const QByteArray label = QByteArray(prefix) + "search \"" + query + "\"";
            report(label.constData(), [&](Recorder &w) {
                w.query = QString::fromLatin1(query);
                lumaril::Command1_Click(w, file);
            });
        }
        report((QByteArray(prefix) + "lookup 002.255").constData(), [&](Recorder &w) {
            w.surat = QStringLiteral("2");
            w.ayat = QStringLiteral("255");
            lumaril::Command3_Click(w, file);
        });
    };
    if (!queries.isEmpty()) {
        const bool parts = qEnvironmentVariableIsSet("LUMARIL_BENCH_PARTS");
        for (const QString &query : queries) {
            // A long crafted query is named by its start and length.
            const QString shown = query.size() <= 24
                    ? query
                    : query.left(12) + QStringLiteral("... (%1 chars)").arg(query.size());
            const QByteArray label = "search \"" + shown.toUtf8() + '"';
            const Recorder searched = report(label.constData(), [&](Recorder &w) {
                w.query = query;
                lumaril::Command1_Click(w, path);
            });
            if (parts) {
                QString outcome;
                qsizetype length = 0;
                const auto [t, read] = pairedMedians(
                        runs, [&] { outcome = partsSearch(path, query, length); }, readWholeFile);
                const bool same = outcome == searched.lastPrompt && length == searched.resultsTextLength();
                std::printf("%-30s %12.1f %8.2f  %s%s\n", ("parts \"" + shown.toUtf8() + '"').constData(),
                            t, t / read, qPrintable(outcome), same ? "" : "   (differs from the search)");
            }
        }
        std::printf("\nworst ratio to reading the file: %.2f\n", worst);
        return 0;
    }
    searches(path, "");

    QTemporaryDir dir;
    QFile original(path);
    QFile copy(dir.filePath(QStringLiteral("quran.txt")));
    QByteArray bytes;
    if (original.open(QIODevice::ReadOnly))
        bytes = original.readAll();
    const qsizetype firstRecord = bytes.indexOf('#') + 1;
    if (firstRecord > 0 && copy.open(QIODevice::WriteOnly)) {
        // A right single quotation mark, U+2019, starts the first record.
        bytes.insert(firstRecord, "\xE2\x80\x99");
        copy.write(bytes);
        copy.close();
        std::printf("utf-8: the same with one U+2019 in the first record\n");
        searches(copy.fileName(), "utf-8: ");
    }

    const QString grep = QStandardPaths::findExecutable(QStringLiteral("grep"));
    if (!grep.isEmpty()) {
        QString count;
        const double t = medianMicros(51, [&] {
            QProcess p;
            p.start(grep, {QStringLiteral("-i"), QStringLiteral("-F"), QStringLiteral("-c"),
                           QStringLiteral("mercy"), path});
            p.waitForFinished();
            count = QString::fromLatin1(p.readAllStandardOutput()).trimmed();
        });
        std::printf("%-30s %12.1f %8.2f  %s lines (whole process)\n", "grep -i -F -c mercy", t,
                    t / readMedian, qPrintable(count));
    }
    std::printf("\nworst ratio to reading the file: %.2f\n", worst);
    std::printf("worst ratio on the UTF-8 copy:   %.2f\n", worstUtf8);

    return 0;
}
