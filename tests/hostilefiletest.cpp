// Verse files no one should have to search: odd, broken, huge, unreadable, or changing under
// the search. Every search must end in a clear message or the right result, with the panel
// hidden, nothing left open, the file untouched and the next search working as usual.

#include "Hostile.h"
#include "PhraseSearch.h"
#include "TextCoding.h"
#include "VerseFile.h"
#include "VerseLookup.h"

#include <QProcess>
#include <QTest>

#include <cstdio>
#include <cstring>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace lumaril;

namespace {

// AddressSanitizer keeps freed memory aside on purpose, so the peak says nothing there.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool underAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool underAddressSanitizer = true;
#else
constexpr bool underAddressSanitizer = false;
#endif
#else
constexpr bool underAddressSanitizer = false;
#endif

const QString oneFound = QStringLiteral("Results ! | 1 Results found !");
const QString noneFound = QStringLiteral("Sorry ! | No Results found !");
const QString tooLong = QStringLiteral("Sorry ! | The result is too long !");
const QString ayatFound = QStringLiteral("Found ! | Ayat Found !");
const QString noMark = QStringLiteral("it holds no \"#\" mark, so it has no verse records");

QString listed(const QStringList &records)
{
    QString out;
    for (const QString &r : records)
        out += QStringLiteral("\r\n\r\n") + r;
    return records.isEmpty() ? out : out + QStringLiteral("\r\n");
}

// Changes the verse file from inside a search: just before its so many-th read of the file
// (counted by the calls to stayResponsive(), which come before each read), or just after it
// lists so many results.
class ChangingRecorder : public Recorder
{
public:
    int changeBeforeRead = -1;
    int changeAfterListing = -1;
    std::function<void()> change;

    void stayResponsive() override
    {
        if (++m_reads == changeBeforeRead)
            change();
    }
    void setResultsText(const QString &text) override
    {
        Recorder::setResultsText(text);
        if (!text.isEmpty() && ++m_listed == changeAfterListing)
            change();
    }

private:
    int m_reads = 0;
    int m_listed = 0;
};

// "filler 00001\r\n" records, enough to fill several read blocks.
QByteArray filler(int records)
{
    QByteArray out;
    out.reserve(records * 16);
    for (int i = 0; i < records; ++i)
        out += "#filler " + QByteArray::number(i).rightJustified(5, '0') + "\r\n";
    return out;
}

// Puts the file at from in place of the one at to, as a program saving a new version does. On
// Windows that takes MoveFileEx: its rename() refuses to replace a file.
bool replaceFile(const QString &from, const QString &to)
{
#ifdef Q_OS_WIN
    return ::MoveFileExW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(from).utf16()),
                         reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(to).utf16()),
                         MOVEFILE_REPLACE_EXISTING);
#else
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
#endif
}

void writeOrDie(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

} // namespace

class HostileFileTest : public QObject
{
    Q_OBJECT

    TestFiles m_files;
    QString m_good;

    // One search of the file as a hostile case: a phrase search for the query, or a lookup of
    // Surat and Ayat 1 when the query is null. Whatever the outcome, the search must end
    // cleanly and leave the file as it was, and a search of a good file must work after it;
    // *problem says what went wrong.
    Recorder search(const QString &path, const QString &query, QString *problem)
    {
        const FileState before = FileState::of(path);
        const int descriptors = openDescriptorCount();
        Recorder ops;
        ops.query = query;
        ops.surat = ops.ayat = QStringLiteral("1");
        query.isNull() ? Command3_Click(ops, path) : Command1_Click(ops, path);
        if (!endedCleanly(ops.log, descriptors, problem))
            return ops;
        if (!(FileState::of(path) == before)) {
            *problem = QStringLiteral("the file was changed");
            return ops;
        }
        Recorder next;
        next.query = QStringLiteral("good");
        Command1_Click(next, m_good);
        if (next.messages() != QStringList{oneFound})
            *problem = QStringLiteral("the next search failed: ") + next.log.join(u',');
        return ops;
    }

    // A phrase search for the query, or a lookup of 1:2 when it is null, without the checks
    // of the file that search() makes: the file changes on purpose.
    template<typename R>
    R changingSearch(const QString &path, const QString &query, R ops, QString *problem)
    {
        const int descriptors = openDescriptorCount();
        ops.query = query;
        ops.surat = QStringLiteral("1");
        ops.ayat = QStringLiteral("2");
        query.isNull() ? Command3_Click(ops, path) : Command1_Click(ops, path);
        endedCleanly(ops.log, descriptors, problem);
        return ops;
    }

private slots:
    void initTestCase() { m_good = m_files.write("#a good verse\r\n#", QStringLiteral("good.txt")); }

    void smallFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("results");

        QTest::newRow("only a mark") << QByteArray("#") << "a" << noneFound << "";
        QTest::newRow("the one mark is the last byte")
                << QByteArray("preamble mentions a verse#") << "verse" << noneFound << "";
        QTest::newRow("an empty record and a tail")
                << QByteArray("##tail") << " " << noneFound << "";
        QTest::newRow("NUL bytes in a record")
                << QByteArrayLiteral("#\0\0verse\0#") << "VERSE" << oneFound
                << listed({QString::fromLatin1("\0\0verse\0", 8)});
        QByteArray controls;
        for (char c = 1; c < 32; ++c)
            controls += c;
        controls += '\x7F';
        QTest::newRow("every control character")
                << QByteArray("#" + controls + "x#") << "X" << oneFound
                << listed({QString::fromLatin1(controls + "x")});
        QTest::newRow("lone CR and LF line breaks are kept")
                << QByteArray("#a\rb\nc\n\r#") << "b" << oneFound << listed({"a\rb\nc\n\r"});
        QTest::newRow("Windows-1252 only")
                << QByteArray("#caf\xE9 \x80 5#") << "CAFÉ" << oneFound << listed({"café € 5"});
        QTest::newRow("UTF-8 cut by a mark is Windows-1252")
                << QByteArray("#caf\xC3#\xA9#") << "CAF" << oneFound << listed({"cafÃ"});
        // What follows the last mark is never a record, so it cannot make the file
        // Windows-1252; nor can the preamble.
        QTest::newRow("UTF-8 cut by the end of the file")
                << QByteArray("#caf\xC3\xA9#\xC3") << "CAF" << oneFound << listed({"café"});
        QTest::newRow("Windows-1252 preamble, UTF-8 records")
                << QByteArray("pr\xE9" "face#caf\xC3\xA9#") << "CAFÉ" << oneFound << listed({"café"});
        // A byte order mark inside the file is the character U+FEFF like any other.
        QTest::newRow("byte order mark starting a record")
                << QByteArray("#\xEF\xBB\xBF" "verse#") << "verse" << oneFound
                << listed({QStringLiteral("\uFEFFverse")});
        QTest::newRow("byte order mark sought as a character")
                << QByteArray("#a\xEF\xBB\xBF" "verse#") << "A\uFEFFVERSE" << oneFound
                << listed({QStringLiteral("a\uFEFFverse")});
        QTest::newRow("UTF-16 big-endian")
                << QByteArrayLiteral("\xFE\xFF\0#\0v\0#") << "v"
                << "UTF-16" << "";
    }

    void smallFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, query);
        QFETCH(QString, message);
        QFETCH(QString, results);
        TestFiles files;
        const QString path = files.write(bytes);
        QString problem;
        const Recorder ops = search(path, query, &problem);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        if (message == u"UTF-16")
            QVERIFY(ops.messages().value(0).contains(QStringLiteral("it is written in UTF-16")));
        else
            QCOMPARE(ops.messages(), QStringList{message});
        QCOMPARE(ops.results, results);
    }

    // Letters of Windows-1252 and their other case find each other; the file is Windows-1252
    // because of the euro sign, which is no UTF-8.
    void windows1252CasePairs_data()
    {
        QTest::addColumn<uchar>("upper");
        QTest::addColumn<uchar>("lower");
        const auto add = [](uchar upper, uchar lower) {
            const QString name = QString(text::fromWindows1252(QByteArray(1, char(upper))))
                    + text::fromWindows1252(QByteArray(1, char(lower)));
            QTest::newRow(qPrintable(name)) << upper << lower;
        };
        add(0x8A, 0x9A);
        add(0x8C, 0x9C);
        add(0x8E, 0x9E);
        add(0x9F, 0xFF);
        for (int c = 0xC0; c <= 0xDE; ++c) {
            if (c != 0xD7)
                add(uchar(c), uchar(c + 0x20));
        }
    }

    void windows1252CasePairs()
    {
        QFETCH(uchar, upper);
        QFETCH(uchar, lower);
        const QByteArray u(1, char(upper));
        const QByteArray l(1, char(lower));
        TestFiles files;
        const QString path = files.write("#\x80 " + u + "#\x80 " + l + "#\x80 x#");
        for (const QByteArray &letter : {u, l}) {
            QString problem;
            const Recorder ops = search(path, text::fromWindows1252(letter), &problem);
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
            QCOMPARE(ops.messages(), QStringList{"Results ! | 2 Results found !"});
            QCOMPARE(ops.results, listed({text::fromWindows1252("\x80 " + u),
                                          text::fromWindows1252("\x80 " + l)}));
        }
    }

    // The letters without a partner in Windows-1252 still fold as Unicode says: the micro
    // sign is the Greek mu, and the sharp s stays itself (simple folding never makes it ss).
    void windows1252LettersWithoutPairs()
    {
        TestFiles files;
        const QString path = files.write("#\x80 \xB5#\x80 stra\xDF" "e#\x80 STRASSE#");
        const QList<std::pair<QString, QString>> cases{
                {QStringLiteral("\u039C"), listed({QStringLiteral("€ µ")})},
                {QStringLiteral("ß"), listed({QStringLiteral("€ straße")})},
                {QStringLiteral("\u1E9E"), listed({QStringLiteral("€ straße")})},
                {QStringLiteral("ss"), listed({QStringLiteral("€ STRASSE")})},
        };
        for (const auto &[query, results] : cases) {
            QString problem;
            QCOMPARE(search(path, query, &problem).results, results);
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
        }
    }

    // 200 MB of text never held whole: without a single mark (refused with the usual
    // message), as the tail after a verse (never tested), and as one record after it (tested
    // and listed, cut at the length stop), also as the verse looked up. Memory grew with the
    // file: 381 MB for a verse and 200 MB of tail.
    void hugeStretchWithoutMark_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QByteArray>("end");
        QTest::addColumn<QString>("found");
        QTest::addColumn<QString>("lookedUp");
        QTest::newRow("no mark") << QByteArray() << QByteArray() << QString() << QString();
        QTest::newRow("a verse, then a tail")
                << QByteArray("#001.001 a verse\r\n#") << QByteArray() << noneFound << ayatFound;
        QTest::newRow("a verse, then one huge record")
                << QByteArray("#001.001 a verse\r\n#") << QByteArray("#") << tooLong << ayatFound;
        QTest::newRow("one huge record, the verse looked up")
                << QByteArray("#") << QByteArray("#") << tooLong << ayatFound;
    }

    void hugeStretchWithoutMark()
    {
        QFETCH(QByteArray, head);
        QFETCH(QByteArray, end);
        QFETCH(QString, found);
        QFETCH(QString, lookedUp);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("quran.txt"));
        const QByteArray line = "001.001 In the name of Allah, with no record mark anywhere\r\n";
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QByteArray chunk;
            while (chunk.size() < (1 << 20))
                chunk += line;
            file.write(head);
            for (int i = 0; i < 200; ++i)
                QCOMPARE(file.write(chunk), chunk.size());
            file.write(end);
        }
        const bool measured = resetPeakMemory();
        const qint64 peakBefore = peakMemoryKiB();
        for (const QString &query : {QStringLiteral("allah"), QString()}) {
            QString problem;
            const Recorder ops = search(path, query, &problem);
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
            const QString expected = query.isNull() ? lookedUp : found;
            QCOMPARE(ops.messages(), QStringList{expected.isEmpty() ? verseFileError(path, noMark) : expected});
            if (expected == tooLong || head == "#")
                QCOMPARE(ops.results, listed({QString::fromLatin1(line.repeated(1200)).left(65535 - 4)}));
        }
        if (!measured || peakBefore < 0 || underAddressSanitizer)
            QSKIP("the peak memory of this process cannot be measured here");
        const qint64 growth = peakMemoryKiB() - peakBefore;
        qInfo("peak memory grew by %lld KiB", growth);
        QVERIFY2(growth < 16 * 1024, qPrintable(QStringLiteral("peak grew by %1 KiB").arg(growth)));
    }

    void millionsOfRecords()
    {
        TestFiles files;
        const QString empty = files.write(QByteArray(3'000'000, '#'), QStringLiteral("empty.txt"));
        QString problem;
        for (const QString &query : {QStringLiteral(" "), QStringLiteral("x"), QString()}) {
            const Recorder ops = search(empty, query, &problem);
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
            QCOMPARE(ops.messages(),
                     QStringList{query.isNull() ? "Sorry ! | Ayat not found !" : noneFound});
            QCOMPARE(ops.flag, false);
        }

        // Every one of two million records matches: the box stops at 65,535 characters,
        // after as many records of five characters each as it takes to pass it.
        const QString tiny = files.write(QByteArray("#x").repeated(2'000'000) + '#');
        const Recorder ops = search(tiny, QStringLiteral("X"), &problem);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        const int matches = (65535 - 2 + 4) / 5;
        QCOMPARE(ops.messages(), QStringList{tooLong});
        QCOMPARE(ops.results.size(), matches * 5 + 2);
        QCOMPARE(ops.log.count(QStringLiteral("repaint")), matches + 1);
    }

    // The default verses a hundred times over (about 90 MB): the counts are a hundred times
    // those of one copy, the lookup finds the first copy, and memory stays small.
    void hundredCopiesOfTheVerses()
    {
        QFile source(QStringLiteral(LUMARIL_SOURCE_DIR "/data/quran.txt"));
        if (!source.open(QIODevice::ReadOnly))
            QFAIL("data/quran.txt is missing: tools/setup makes it");
        const QByteArray one = source.readAll();
        // A rare word, in a short verse: a hundred of them stay below the length stop.
        const QByteArray word = "parchment";
        const QList<QByteArray> pieces = one.split('#');
        const auto inOne = std::count_if(pieces.cbegin() + 1, pieces.cend() - 1,
                                         [&](const QByteArray &r) { return r.toLower().contains(word); });
        QCOMPARE(inOne, 1);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("quran.txt"));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            for (int i = 0; i < 100; ++i)
                QCOMPARE(file.write(one), one.size());
        }
        const bool measured = resetPeakMemory();
        const qint64 peakBefore = peakMemoryKiB();

        QString problem;
        Recorder ops = search(path, QString::fromLatin1(word).toUpper(), &problem);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QCOMPARE(ops.messages(), QStringList{QStringLiteral("Results ! | %1 Results found !").arg(inOne * 100)});
        QCOMPARE(ops.results.count(QStringLiteral("052.003 In parchment spread open")), 100);

        ops = Recorder();
        ops.surat = QStringLiteral("114");
        ops.ayat = QStringLiteral("6");
        const int descriptors = openDescriptorCount();
        Command3_Click(ops, path);
        VERIFY_ENDED_CLEANLY(ops.log, descriptors);
        QCOMPARE(ops.results, listed({"114.006 From among the jinn and mankind\r\n"}));

        if (!measured || peakBefore < 0)
            QSKIP("the peak memory of this process cannot be measured here");
        const qint64 growth = peakMemoryKiB() - peakBefore;
        qInfo("peak memory grew by %lld KiB", growth);
        QVERIFY2(growth < 16 * 1024, qPrintable(QStringLiteral("peak grew by %1 KiB").arg(growth)));
    }

#ifdef Q_OS_UNIX
    // A file its user may not read. Root reads every file, so as root the searches run in a
    // child process of this test that has dropped to the user nobody.
    void unreadableFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("quran.txt"));
        writeOrDie(path, "#a verse#");
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0), 0);
        const QString expected = verseFileError(path, QStringLiteral("you are not allowed to read it"));

        if (::geteuid() != 0) {
            for (const QString &query : {QStringLiteral("verse"), QString()}) {
                QString problem;
                const Recorder ops = search(path, query, &problem);
                QVERIFY2(problem.isEmpty(), qPrintable(problem));
                QCOMPARE(ops.messages(), QStringList{expected});
            }
            return;
        }
        const QStringList dropped{"--reuid=65534", "--regid=65534", "--clear-groups", "--"};
        if (QProcess::execute(QStringLiteral("setpriv"), dropped + QStringList{"true"}) != 0)
            QSKIP("running as root, and setpriv cannot drop to the user nobody here");
        QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
        QProcess child;
        child.start(QStringLiteral("setpriv"),
                    dropped + QStringList{QCoreApplication::applicationFilePath(),
                                          QStringLiteral("--search-as-child"), path});
        QVERIFY(child.waitForFinished(60000));
        if (child.exitCode() == 126 || child.exitCode() == 127)
            QSKIP("running as root, and the user nobody cannot run this test program");
        const QString out = QString::fromUtf8(child.readAllStandardOutput());
        QCOMPARE(child.exitCode(), 0);
        QCOMPARE(out, QStringLiteral("phrase: clean, message %1\nlookup: clean, message %1\n")
                              .arg(expected));
    }
#else
    void unreadableFile()
    {
        QSKIP("takes POSIX file modes and setpriv: Linux only");
    }
#endif

    // Each search reads the file anew: what happened to it since the last search is seen.
    void changedBetweenSearches_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("results");
        QTest::newRow("replaced by renaming") << "rename" << oneFound << listed({"new verse"});
        QTest::newRow("deleted") << "delete" << "does not exist" << "";
        QTest::newRow("truncated") << "truncate" << "no mark" << "";
        QTest::newRow("replaced by a folder") << "folder" << "a folder" << "";
    }

    void changedBetweenSearches()
    {
        QFETCH(QString, change);
        QFETCH(QString, message);
        QFETCH(QString, results);
        TestFiles files;
        const QString path = files.write("#old verse#");
        QString problem;
        QCOMPARE(search(path, QStringLiteral("verse"), &problem).results, listed({"old verse"}));
        if (change == u"rename")
            QVERIFY(replaceFile(files.write("#new verse#", "new"), path));
        else if (change == u"delete")
            QVERIFY(QFile::remove(path));
        else if (change == u"truncate")
            QVERIFY(QFile::resize(path, 0));
        else if (change == u"folder")
            QVERIFY(QFile::remove(path) && QDir().mkdir(path));

        const Recorder ops = search(path, QStringLiteral("verse"), &problem);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        if (message == u"does not exist")
            QCOMPARE(ops.messages(), QStringList{verseFileError(path, QStringLiteral("it does not exist"))});
        else if (message == u"no mark")
            QCOMPARE(ops.messages(), QStringList{verseFileError(path, noMark)});
        else if (message == u"a folder")
            QCOMPARE(ops.messages(), QStringList{verseFileError(path, QStringLiteral("it is a folder, not a file"))});
        else
            QCOMPARE(ops.messages(), QStringList{message});
        QCOMPARE(ops.results, results);
    }

    // A change while the search reads: the search goes on with what it has open, or ends
    // with what could still be read, and the next search sees the file as it is now.
    void changedDuringSearch_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("lookup");
        QTest::addColumn<QString>("during");
        QTest::addColumn<QString>("next");
        // The first matching verse comes first, the other after several read blocks.
        const QString both = listed({"001.001 first match\r\n", "001.002 last match\r\n"});
        const QString first = listed({"001.001 first match\r\n"});
        QTest::newRow("renamed over") << "rename" << false << both << "new";
        QTest::newRow("deleted") << "delete" << false << both << "missing";
        QTest::newRow("truncated to nothing") << "truncate" << false << first << "no mark";
        QTest::newRow("cut in the middle") << "cut" << false << first << "first";
        QTest::newRow("grown") << "grow" << false
                               << listed({"001.001 first match\r\n", "001.002 last match\r\n",
                                          "001.003 added match\r\n"})
                               << "grown";
        QTest::newRow("lookup, renamed over")
                << "rename" << true << listed({"001.002 last match\r\n"}) << "new";
        QTest::newRow("lookup, cut before the verse") << "cut" << true << "" << "first";
    }

    void changedDuringSearch()
    {
        QFETCH(QString, change);
        QFETCH(bool, lookup);
        QFETCH(QString, during);
        QFETCH(QString, next);
        TestFiles files;
        const QByteArray text = "#001.001 first match\r\n" + filler(40000) + "#001.002 last match\r\n#";
        const QString path = files.write(text);
        const QString newPath = files.write("#001.001 new match\r\n#", "new");
        ChangingRecorder ops;
        // Both just after the rest of the first read block is passed over.
        ops.changeBeforeRead = 2;
        bool replaceAfterSearch = false;
        ops.change = [&] {
            if (change == u"rename") {
#ifdef Q_OS_WIN
                // Windows (and Wine) may refuse to replace a file another program has open:
                // then the program saving the new version is told so, and can save it once
                // the search has ended. Either way the search reads the old file to its end.
                replaceAfterSearch = !replaceFile(newPath, path);
#else
                QVERIFY(replaceFile(newPath, path));
#endif
            } else if (change == u"delete")
                QVERIFY(QFile::remove(path));
            else if (change == u"truncate")
                QVERIFY(QFile::resize(path, 0));
            else if (change == u"cut")
                QVERIFY(QFile::resize(path, 100 * 1024));
            else if (change == u"grow") {
                QFile file(path);
                QVERIFY(file.open(QIODevice::Append));
                file.write("001.003 added match\r\n#");
            }
        };
        QString problem;
        const Recorder &done = changingSearch(path, lookup ? QString() : QStringLiteral("MATCH"), ops, &problem);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QCOMPARE(done.results, during);
        if (lookup && during.isEmpty())
            QCOMPARE(done.messages(), QStringList{"Sorry ! | Ayat not found !"});
        if (replaceAfterSearch) {
            qInfo("the file could not be replaced during the search; it is replaced now");
            QVERIFY(replaceFile(newPath, path));
        }

        const Recorder after = search(path, QStringLiteral("match"), &problem);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        if (next == u"new")
            QCOMPARE(after.results, listed({"001.001 new match\r\n"}));
        else if (next == u"missing")
            QCOMPARE(after.messages(), QStringList{verseFileError(path, QStringLiteral("it does not exist"))});
        else if (next == u"no mark")
            QCOMPARE(after.messages(), QStringList{verseFileError(path, noMark)});
        else if (next == u"first")
            QCOMPARE(after.results, listed({"001.001 first match\r\n"}));
        else
            QCOMPARE(after.results, during);
    }

    // Another program keeps the file open and goes on writing to it: the search reads what
    // is there, on Windows as elsewhere.
    void heldOpenForWriting()
    {
        TestFiles files;
        const QString path = files.write("#first verse\r\n#");
        QFile writer(path);
        QVERIFY(writer.open(QIODevice::WriteOnly | QIODevice::Append));
        QVERIFY(writer.write("second verse\r\n#") > 0);
        QVERIFY(writer.flush());
        QString problem;
        const Recorder ops = search(path, QStringLiteral("VERSE"), &problem);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QCOMPARE(ops.results, listed({"first verse\r\n", "second verse\r\n"}));
    }

    // Folders and files whose names are not in the system's code page.
    void pathOutsideTheCodePage()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("Qur\u02BE\u0101n \u0627\u0644\u0642\u0631\u0622\u0646 \u4E2D"));
        QVERIFY(QDir().mkdir(folder));
        const QString path = folder + QStringLiteral("/quran.txt");
        writeOrDie(path, "#a verse\r\n#");
        QString problem;
        Recorder ops = search(path, QStringLiteral("verse"), &problem);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QCOMPARE(ops.messages(), QStringList{oneFound});

        QVERIFY(QFile::remove(path));
        ops = search(path, QStringLiteral("verse"), &problem);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QCOMPARE(ops.messages(), QStringList{verseFileError(path, QStringLiteral("it does not exist"))});
    }

    // The system's own words for a failure end up inside "...: <reason> !".
    void systemTextsFitTheMessage_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("reason");
        QTest::newRow("full stop and CR LF") << "The device is not ready.\r\n" << "the device is not ready";
        QTest::newRow("two lines") << "The file cannot be accessed.\r\nTry again. \r\n"
                                   << "the file cannot be accessed. Try again";
        QTest::newRow("capitals kept") << "UNC paths are not supported." << "UNC paths are not supported";
        QTest::newRow("one letter") << "X." << "x";
        QTest::newRow("already fits") << "input/output error" << "input/output error";
        QTest::newRow("nothing left") << " . \r\n" << "system error 21";
    }

    void systemTextsFitTheMessage()
    {
        QFETCH(QString, text);
        QFETCH(QString, reason);
        QCOMPARE(plainReason(text, 21), reason);
    }

#ifdef Q_OS_WIN
    // Failures only Windows has, in the words of the other failures.
    void windowsFailures()
    {
        TestFiles files;
        const QString path = files.write("#a verse#");
        // A writer that lets no one else read the file, as some editors and copy tools do.
        const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
        HANDLE exclusive = ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr);
        QVERIFY(exclusive != INVALID_HANDLE_VALUE);
        QString problem;
        const Recorder held = search(path, QStringLiteral("verse"), &problem);
        ::CloseHandle(exclusive);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QCOMPARE(held.messages(), QStringList{verseFileError(
                path, QStringLiteral("another program has it open and lets no one else read it"))});

        // No file name may hold "?": the reason is Windows' own text, fitted into the message.
        VerseFile invalid(files.path(QStringLiteral("qu?ran.txt")));
        QVERIFY(!invalid.open());
        const QString reason = invalid.failureReason();
        QVERIFY2(!reason.isEmpty() && reason.at(0).isLower() && !reason.endsWith(u'.')
                         && !reason.contains(u'\n') && !reason.contains(u'\r'),
                 qPrintable(reason));

        // A device is not a verse file.
        VerseFile device(QStringLiteral("NUL"));
        QVERIFY(!device.open());
        QCOMPARE(device.failureReason(), QStringLiteral("it is not a regular file (it is a pipe or a device)"));
    }
#endif

    // The file changes around the moment its encoding is chosen, at its first record with a
    // byte outside ASCII. The choice made holds for the whole search, which never takes back
    // what it has listed; the next search chooses afresh on the file as it is then.
    void changedAroundTheEncodingChoice_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("changeAfterListing");
        QTest::addColumn<QString>("during");
        QTest::addColumn<QString>("next");
        const QString e = QStringLiteral("\u00E9");
        const QString mojibake = QStringLiteral("\u00C3\u00A9");
        QTest::newRow("a lone E9 added after the choice")
                << "append" << 2
                << listed({"001.001 match\r\n", "caf" + e + " match\r\n", "last match\r\n",
                           "caf\uFFFD added match\r\n"})
                << listed({"001.001 match\r\n", "caf" + mojibake + " match\r\n",
                           "last match\r\n", "caf" + e + " added match\r\n"});
        QTest::newRow("a lone E9 added before the choice")
                << "append" << 1
                << listed({"001.001 match\r\n", "caf" + mojibake + " match\r\n",
                           "last match\r\n", "caf" + e + " added match\r\n"})
                << "same";
        QTest::newRow("cut before the choice reads on")
                << "cut" << 1 << listed({"001.001 match\r\n", "caf" + e + " match\r\n"}) << "same";
    }

    void changedAroundTheEncodingChoice()
    {
        QFETCH(QString, change);
        QFETCH(int, changeAfterListing);
        QFETCH(QString, during);
        QFETCH(QString, next);
        TestFiles files;
        const QString path = files.write("#001.001 match\r\n#caf\xC3\xA9 match\r\n" + filler(40000)
                                         + "#last match\r\n#");
        ChangingRecorder ops;
        ops.changeAfterListing = changeAfterListing;
        ops.change = [&] {
            if (change == u"cut") {
                QVERIFY(QFile::resize(path, 100 * 1024));
                return;
            }
            QFile file(path);
            QVERIFY(file.open(QIODevice::Append));
            file.write("caf\xE9 added match\r\n#");
        };
        QString problem;
        const Recorder &done = changingSearch(path, QStringLiteral("MATCH"), ops, &problem);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QCOMPARE(done.results, during);
        QCOMPARE(done.log.count(QStringLiteral("set results (0)")), 1);

        const Recorder after = search(path, QStringLiteral("match"), &problem);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QCOMPARE(after.results, next == u"same" ? during : next);
    }
};

// As root, unreadableFile() runs this in a child process without root's rights: both
// searches of the file, each reported as "clean" or what went wrong, then its one message.
static int searchAsChild(const char *path)
{
    const QString file = QFile::decodeName(path);
    for (const bool lookup : {false, true}) {
        Recorder ops;
        ops.query = ops.surat = ops.ayat = QStringLiteral("1");
        const int descriptors = openDescriptorCount();
        lookup ? Command3_Click(ops, file) : Command1_Click(ops, file);
        QString why;
        const bool clean = endedCleanly(ops.log, descriptors, &why);
        std::printf("%s: %s, message %s\n", lookup ? "lookup" : "phrase",
                    clean ? "clean" : qPrintable(why), qPrintable(ops.messages().join(u'/')));
    }
    return 0;
}

int main(int argc, char *argv[])
{
    if (argc == 3 && std::strcmp(argv[1], "--search-as-child") == 0)
        return searchAsChild(argv[2]);
    QCoreApplication app(argc, argv);
    HostileFileTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "hostilefiletest.moc"
