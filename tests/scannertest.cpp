#include "RecordScanner.h"
#include "SearchTerm.h"
#include "TestFiles.h"
#include "VerseFile.h"

#include <QRandomGenerator>
#include <QTest>

using lumaril::RecordScanner;
using lumaril::SearchTerm;
using lumaril::VerseFile;
using Stop = lumaril::RecordScanner::Stop;

Q_DECLARE_METATYPE(Stop)

class ScannerTest : public QObject
{
    Q_OBJECT

    struct Scan
    {
        QStringList records;
        QList<bool> matches;
        Stop stop = Stop::None;
    };

    static Scan scan(const QString &path, const QString &term = QString())
    {
        Scan out;
        const SearchTerm searchTerm(term);
        VerseFile file(path);
        if (!file.open()) {
            out.stop = Stop::ReadFailed;
            return out;
        }
        RecordScanner scanner(file, searchTerm);
        if (scanner.start()) {
            while (scanner.next()) {
                out.matches << scanner.currentMatches();
                out.records << scanner.currentText();
            }
        }
        out.stop = scanner.stop();
        return out;
    }

private slots:
    void layouts_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("records");
        QTest::addColumn<Stop>("stop");

        const auto eof = Stop::EndOfFile;
        QTest::newRow("preamble, two records, tail")
                << QByteArray("x#alpha#beta#\r\ngamma") << QStringList{"alpha", "beta"} << eof;
        QTest::newRow("adjacent marks give an empty record")
                << QByteArray("#a##b#") << QStringList{"a", "", "b"} << eof;
        QTest::newRow("mark first: empty preamble")
                << QByteArray("#first#") << QStringList{"first"} << eof;
        QTest::newRow("only mark is the first character")
                << QByteArray("#only a tail, never tested") << QStringList{} << eof;
        QTest::newRow("a lone mark") << QByteArray("#") << QStringList{} << eof;
        QTest::newRow("line breaks stay in the record")
                << QByteArray("pre\r\n#001.001 one\r\ntwo\r\n#tail")
                << QStringList{"001.001 one\r\ntwo\r\n"} << eof;
        QTest::newRow("blanks and tabs kept, nothing trimmed")
                << QByteArray("#  a\t #") << QStringList{"  a\t "} << eof;
        QTest::newRow("empty file") << QByteArray() << QStringList{} << Stop::NoMark;
        QTest::newRow("no mark at all")
                << QByteArray("just a preamble\r\n") << QStringList{} << Stop::NoMark;
        QTest::newRow("UTF-16 with BOM")
                << QByteArray("\xFF\xFE#\0a\0#\0", 8) << QStringList{} << Stop::Utf16;
        QTest::newRow("UTF-16 without BOM")
                << QByteArray("#\0a\0b\0c\0d\0e\0f\0g\0h\0#\0", 20) << QStringList{} << Stop::Utf16;
        QTest::newRow("NUL bytes and control characters inside a record")
                << QByteArray("#a\0b\x01\x7F" "c#", 8) << QStringList{QString::fromLatin1("a\0b\x01\x7F" "c", 6)}
                << eof;
    }

    void layouts()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, records);
        QFETCH(Stop, stop);
        TestFiles files;
        const Scan result = scan(files.write(bytes));
        QCOMPARE(result.records, records);
        QCOMPARE(result.stop, stop);
    }

    // Records and preambles larger than one read block must come out whole.
    void recordsAcrossBlocks()
    {
        const QByteArray preamble(300 * 1024, 'p');
        const QByteArray big(700 * 1024, 'b');
        const QByteArray bytes = preamble + "#small#" + big + "needle#" + "after#" + big;
        TestFiles files;
        const Scan result = scan(files.write(bytes), QStringLiteral("NEEDLE"));
        QCOMPARE(result.records.size(), 3);
        QCOMPARE(result.records[0], QStringLiteral("small"));
        QCOMPARE(result.records[1], QString::fromLatin1(big + "needle"));
        QCOMPARE(result.records[2], QStringLiteral("after"));
        QCOMPARE(result.matches, (QList<bool>{false, true, false}));
        QCOMPARE(result.stop, Stop::EndOfFile);
    }

    // The byte-level test must agree with the plain reference test on every record, also
    // where an occurrence of the term starts in one record and runs on into the next.
    void byteLevelAgreesWithReference()
    {
        const QStringList words{"the", "mercy", "Merciful", "man", "woman", "THE", "a", "",
                                "\r\n", "  ", "ab", "ba"};
        QRandomGenerator rng(1234);
        QByteArray bytes("preamble");
        for (int i = 0; i < 20000; ++i) {
            bytes += '#';
            const int n = rng.bounded(4);
            for (int w = 0; w < n; ++w)
                bytes += words[rng.bounded(words.size())].toLatin1();
        }
        bytes += '#';
        TestFiles files;
        const QString path = files.write(bytes);
        for (const QString term : {"the", "man", "ba", "mercy man", "a#b", "eMan", "ABA", " "}) {
            const Scan result = scan(path, term);
            const SearchTerm reference(term);
            QCOMPARE(result.records.size(), 20000);
            for (int i = 0; i < result.records.size(); ++i) {
                if (result.matches[i] != reference.isContainedIn(result.records[i]))
                    QFAIL(qPrintable(QStringLiteral("term \"%1\", record %2 \"%3\"")
                                             .arg(term).arg(i).arg(result.records[i])));
            }
        }
    }
};

QTEST_GUILESS_MAIN(ScannerTest)
#include "scannertest.moc"
