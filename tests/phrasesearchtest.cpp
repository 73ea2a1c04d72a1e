#include "PhraseSearch.h"
#include "RecordSearch.h"
#include "Recorder.h"
#include "TestFiles.h"
#include "VerseLookup.h"

#include <QTest>

#include <tuple>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

using lumaril::Command1_Click;
using lumaril::Command3_Click;

namespace {

const QByteArray threeVerses = "Test verses\r\n#001.001 In the name of Allah\r\n"
                               "#001.002 Praise is to Allah, Lord of the worlds\r\n"
                               "#001.003 The Merciful\r\n#";

QStringList search(const QString &path, const QString &query, Recorder &ops)
{
    ops.query = query;
    Command1_Click(ops, path);
    return ops.log;
}

} // namespace

class PhraseSearchTest : public QObject
{
    Q_OBJECT

private slots:
    void twoMatchesInOrder()
    {
        TestFiles files;
        const QString path = files.write(threeVerses);
        Recorder ops;
        const int descriptors = openDescriptorCount();
        int descriptorsDuringMessage = -2;
        ops.onInformation = [&] { descriptorsDuringMessage = openDescriptorCount(); };

        const QString a = QStringLiteral("001.001 In the name of Allah\r\n");
        const QString b = QStringLiteral("001.002 Praise is to Allah, Lord of the worlds\r\n");
        const QString first = "\r\n\r\n" + a + "\r\n";
        const QString both = "\r\n\r\n" + a + "\r\n\r\n" + b + "\r\n";
        QCOMPARE(search(path, QStringLiteral("allah"), ops),
                 (QStringList{"set results (0)", "show busy", "repaint",
                              QStringLiteral("set results (%1)").arg(first.size()), "repaint",
                              QStringLiteral("set results (%1)").arg(both.size()), "repaint",
                              "hide busy", "message Results ! | 2 Results found !"}));
        QCOMPARE(ops.results, both);
        // The last record did not match, so the flag is left off.
        QCOMPARE(ops.flag, false);
        // At the end of the file, the file is closed before the message is shown.
        QCOMPARE(descriptorsDuringMessage, descriptors);
    }

    void outcomes_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("flag");
        QTest::newRow("one match") << "merciful" << "Results ! | 1 Results found !" << true;
        QTest::newRow("capitals find the same") << "MERCIFUL" << "Results ! | 1 Results found !" << true;
        QTest::newRow("blanks around are trimmed") << "  lord  " << "Results ! | 1 Results found !" << false;
        QTest::newRow("inside a longer word") << "NAM" << "Results ! | 1 Results found !" << false;
        QTest::newRow("inside a verse key") << "1.00" << "Results ! | 3 Results found !" << true;
        QTest::newRow("no match") << "xyzzy" << "Sorry ! | No Results found !" << false;
        QTest::newRow("a tab is not trimmed") << "\tAllah" << "Sorry ! | No Results found !" << false;
        QTest::newRow("# never matches") << "Allah#" << "Sorry ! | No Results found !" << false;
        QTest::newRow("never across records") << "Allah\r\n#001" << "Sorry ! | No Results found !" << false;
        QTest::newRow("regex characters are literal") << ".*" << "Sorry ! | No Results found !" << false;
        QTest::newRow("blanks only match every record") << "   " << "Results ! | 3 Results found !" << true;
    }

    void outcomes()
    {
        QFETCH(QString, query);
        QFETCH(QString, message);
        QFETCH(bool, flag);
        TestFiles files;
        Recorder ops;
        search(files.write(threeVerses), query, ops);
        QCOMPARE(ops.messages(), QStringList{message});
        QCOMPARE(ops.flag, flag);
        if (message.contains(QStringLiteral("No Results")))
            QCOMPARE(ops.results, QString());
    }

    void emptyQueryOpensNothing()
    {
        Recorder ops;
        ops.results = QStringLiteral("old results");
        // The file does not exist: had it been opened, an error would say so.
        QCOMPARE(search(QStringLiteral("/nonexistent/quran.txt"), QString(), ops),
                 (QStringList{"set results (0)", "message Error ! | Please enter some text !"}));
        QCOMPARE(ops.results, QString());
    }

    void emptyRecordsMatchNothing()
    {
        TestFiles files;
        Recorder ops;
        search(files.write("##a##"), QStringLiteral(" "), ops);
        QCOMPARE(ops.messages(), QStringList{"Results ! | 1 Results found !"});
        QCOMPARE(ops.flag, false);
    }

    void noCompleteRecordLeavesFlag()
    {
        TestFiles files;
        Recorder ops;
        ops.flag = false;
        search(files.write("#tail only"), QStringLiteral("tail"), ops);
        QCOMPARE(ops.messages(), QStringList{"Sorry ! | No Results found !"});
        QCOMPARE(ops.flag, false);
        ops.flag = true;
        search(files.path(), QStringLiteral("tail"), ops);
        QCOMPARE(ops.flag, true);
    }

    // Records that cannot hold the term are passed over together, up to a read block at a
    // time: what is listed and the flag left must be as if each had been tested. A UTF-8
    // letter may fold to ASCII, and the first record outside ASCII decides the encoding.
    void recordsPassedOverTogether()
    {
        const QByteArray run = QByteArray("#001.001 a plain verse\r\n").repeated(20000);
        TestFiles files;
        const QString utf8 = files.write(run + "#merry#mercy#\xE2\x84\xAAing#caf\xC3\xA9#" + run + "#");
        const QString windows1252 = files.write(run + "#caf\xE9#" + run + "#caf\xC3\xA9 two#", "1252");
        const QList<std::tuple<QString, QString, QString>> rows{
                {utf8, "mercy", "mercy"}, {utf8, "king", "\u212Aing"}, {utf8, "CAF\u00C9", "caf\u00E9"},
                {windows1252, "two", "caf\u00C3\u00A9 two"}};
        for (const auto &[path, query, found] : rows) {
            Recorder ops;
            search(path, query, ops);
            QCOMPARE(ops.results, "\r\n\r\n" + found + "\r\n");
            QCOMPARE(ops.flag, path == windows1252);
        }
    }

    // A verse longer than the box's limit on its own is cut where the box reaches the limit,
    // never inside a character of two code units, held or too long to hold.
    void longVerseCutAtTheStop()
    {
        TestFiles files;
        for (const qsizetype emojis : {qsizetype(40000), qsizetype(1'500'000)}) {
            const QString path = files.write("#" + QByteArray("\xF0\x9F\x98\x80").repeated(emojis) + "#");
            Recorder ops;
            search(path, QStringLiteral("\U0001F600"), ops);
            QCOMPARE(ops.messages(), QStringList{"Sorry ! | The result is too long !"});
            // Two line breaks, then as many whole emojis as fit in 65,535 code units.
            QCOMPARE(ops.results, "\r\n\r\n" + QStringLiteral("\U0001F600").repeated((65535 - 4) / 2) + "\r\n");
        }
    }

    // The stop comes once the box reaches 65,535 characters: panel hidden and message shown
    // while the file is still open, then the file closed.
    void lengthStop()
    {
        QByteArray bytes;
        for (int i = 0; i < 2000; ++i)
            bytes += "#" + QByteArray(60, 'v') + "\r\n";
        bytes += "#";
        TestFiles files;
        const QString path = files.write(bytes);
        Recorder ops;
        const int descriptors = openDescriptorCount();
        int descriptorsDuringMessage = -2;
        ops.onInformation = [&] { descriptorsDuringMessage = openDescriptorCount(); };
        search(path, QStringLiteral("   "), ops);

        // Each match adds 4 + 62 characters, the one that takes the box to 65,535 among them:
        // the last verse listed is shown whole, never cut in mid-word.
        const int matches = (65535 - 2 + 65) / 66;
        QCOMPARE(ops.results.size(), matches * 66 + 2);
        QVERIFY(ops.results.endsWith("\r\n\r\n" + QString(60, u'v') + "\r\n\r\n"));
        QCOMPARE(ops.log.count(QStringLiteral("repaint")), matches + 1);
        QCOMPARE(ops.log.mid(ops.log.size() - 2),
                 (QStringList{"hide busy", "message Sorry ! | The result is too long !"}));
        QCOMPARE(ops.flag, true);
        if (descriptors >= 0)
            QCOMPARE(descriptorsDuringMessage, descriptors + 1);
        QCOMPARE(openDescriptorCount(), descriptors);
    }

    // A verse file that cannot be searched ends in one "Error !" message naming its full
    // path, with the panel hidden and nothing left open; the next search works again. The
    // check that "--check-data" makes gives the same reason.
    void unusableFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << "missing" << "it does not exist";
        QTest::newRow("folder") << "folder" << "it is a folder, not a file";
        QTest::newRow("no mark") << "nomark" << "it holds no \"#\" mark";
        QTest::newRow("empty") << "empty" << "it holds no \"#\" mark";
        QTest::newRow("UTF-16") << "utf16" << "it is written in UTF-16";
        QTest::newRow("FIFO") << "fifo" << "it is not a regular file";
        QTest::newRow("symbolic link loop") << "loop" << "its name leads into a loop of symbolic links";
    }

    void unusableFile()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        TestFiles files;
        const QString path = files.path();
#ifndef Q_OS_UNIX
        if (kind == u"fifo" || kind == u"loop")
            QSKIP("a FIFO or a loop of symbolic links needs POSIX facilities: Linux only");
#endif
        QVERIFY(files.makeUnusable(kind));
        const int descriptors = openDescriptorCount();
        // The reasons here are the start of what the message says.
        const QString expectedStart = verseFileError(path, reason).chopped(2);
        for (const bool lookup : {false, true}) {
            Recorder ops;
            ops.query = QStringLiteral("a");
            ops.surat = ops.ayat = QStringLiteral("1");
            lookup ? Command3_Click(ops, path) : Command1_Click(ops, path);
            QCOMPARE(ops.log.mid(0, 3), (QStringList{"set results (0)", "show busy", "repaint"}));
            QCOMPARE(ops.log.size(), 5);
            QCOMPARE(ops.log[3], QStringLiteral("hide busy"));
            const QString message = ops.messages().value(0);
            QVERIFY2(message.startsWith(expectedStart) && message.endsWith(QStringLiteral(" !")),
                     qPrintable(message));
            QCOMPARE(openDescriptorCount(), descriptors);
        }
        const lumaril::VerseFileCheck check = lumaril::checkVerseFile(path);
        QCOMPARE(check.fullPath, QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
        QVERIFY2(check.problem.startsWith(reason), qPrintable(check.problem));
        QCOMPARE(check.records, 0);
        QCOMPARE(openDescriptorCount(), descriptors);
        // The program goes on: once the file is fixed, the next search finds it.
        QFile::remove(path);
        QDir().rmdir(path);
        files.write("#a##b#tail");
        Recorder ops;
        search(path, QStringLiteral("a"), ops);
        QCOMPARE(ops.messages(), QStringList{"Results ! | 1 Results found !"});
        QCOMPARE(lumaril::checkVerseFile(path).problem, QString());
        QCOMPARE(lumaril::checkVerseFile(path).records, 3);
    }

    // Started from another folder, the program finds no verse file there; the message says
    // where it looked and how to start the program so that it finds the file.
    void missingFromCurrentFolder()
    {
        TestFiles files;
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(QFileInfo(files.path()).absolutePath()));
        Recorder ops;
        search(QStringLiteral("quran.txt"), QStringLiteral("a"), ops);
        QDir::setCurrent(before);
#ifdef Q_OS_WIN
        const QString how = QStringLiteral("double-click lumaril.exe beside quran.txt, or start it in that folder !");
#else
        const QString how = QStringLiteral("go to the folder that holds quran.txt and start lumaril there !");
#endif
        QCOMPARE(ops.messages(),
                 QStringList{verseFileError(files.path(), QStringLiteral("it does not exist"))
                             + QStringLiteral("\nLumaril reads quran.txt from the folder it is "
                                              "started in (the current folder): ")
                             + how});
    }
};

QTEST_GUILESS_MAIN(PhraseSearchTest)
#include "phrasesearchtest.moc"
