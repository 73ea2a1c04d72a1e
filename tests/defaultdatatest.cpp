#include "PhraseSearch.h"
#include "RecordScanner.h"
#include "RecordSearch.h"
#include "Recorder.h"
#include "SearchTerm.h"
#include "VerseFile.h"
#include "VerseLookup.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

using namespace lumaril;

// The verse file the setup makes from the published translation.
class DefaultDataTest : public QObject
{
    Q_OBJECT

    const QString m_path = QStringLiteral(LUMARIL_SOURCE_DIR "/data/quran.txt");

private slots:
    void initTestCase()
    {
        if (!QFile::exists(m_path))
            QFAIL("data/quran.txt is missing: tools/setup makes it");
    }

    void everyVerseIsACompleteRecord()
    {
        VerseFile file(m_path);
        QVERIFY(file.open());
        const SearchTerm none(QStringLiteral("x"));
        RecordScanner scanner(file, none);
        QVERIFY(scanner.start());
        const QRegularExpression keyed(QStringLiteral("^(\\d{3})\\.(\\d{3}) \\S[^#]*\\r\\n$"));
        int records = 0;
        int chapter = 1;
        int verse = 0;
        while (scanner.nextRecord()) {
            const QString record = scanner.currentText();
            const auto m = keyed.match(record);
            QVERIFY2(m.hasMatch(), qPrintable(record));
            const int c = m.captured(1).toInt();
            const int v = m.captured(2).toInt();
            if (c == chapter + 1 && v == 1)
                chapter = c;
            else
                QCOMPARE(v, verse + 1);
            QCOMPARE(c, chapter);
            verse = v;
            ++records;
        }
        QCOMPARE(scanner.stop(), RecordScanner::Stop::EndOfFile);
        QCOMPARE(records, 6236);
        // What "lumaril --check-data" reports.
        QCOMPARE(checkVerseFile(m_path).records, records);
        QCOMPARE(chapter, 114);
        QCOMPARE(verse, 6);
    }

    void throneVerse()
    {
        Recorder ops;
        ops.surat = QStringLiteral("2");
        ops.ayat = QStringLiteral("255");
        Command3_Click(ops, m_path);
        QCOMPARE(ops.messages(), QStringList{"Found ! | Ayat Found !"});
        QVERIFY(ops.results.startsWith(QStringLiteral("\r\n\r\n002.255 Allah - there is no deity except Him")));
        ops.surat = QStringLiteral("114");
        ops.ayat = QStringLiteral("6");
        Command3_Click(ops, m_path);
        QVERIFY(ops.results.startsWith(QStringLiteral("\r\n\r\n114.006 ")));
        ops.ayat = QStringLiteral("7");
        Command3_Click(ops, m_path);
        QCOMPARE(ops.messages().last(), QStringLiteral("Sorry ! | Ayat not found !"));
    }

    // The count is checked against a count made here the simplest way: split on "#".
    void wordCountAgreesWithPlainCount()
    {
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QList<QByteArray> pieces = file.readAll().split('#');
        pieces.removeFirst(); // preamble
        pieces.removeLast();  // after the closing mark
        const auto expected = std::count_if(pieces.cbegin(), pieces.cend(), [](const QByteArray &r) {
            return r.toLower().contains("mercy");
        });
        QCOMPARE(expected, 143);

        Recorder ops;
        ops.query = QStringLiteral("Mercy");
        Command1_Click(ops, m_path);
        QCOMPARE(ops.messages(), QStringList{QStringLiteral("Results ! | %1 Results found !").arg(expected)});
        QCOMPARE(ops.log.count(QStringLiteral("repaint")), expected + 1);
    }

    void commonWordStopsAtTheLimit()
    {
        Recorder ops;
        ops.query = QStringLiteral("the");
        Command1_Click(ops, m_path);
        QCOMPARE(ops.messages(), QStringList{"Sorry ! | The result is too long !"});
        QCOMPARE(ops.log.count(QStringLiteral("repaint")), 266 + 1);
    }
};

QTEST_GUILESS_MAIN(DefaultDataTest)
#include "defaultdatatest.moc"
