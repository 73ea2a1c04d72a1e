#include "PhraseSearch.h"
#include "Recorder.h"
#include "TestFiles.h"
#include "TextCoding.h"

#include <QTest>

using namespace lumaril;

class DecodingTest : public QObject
{
    Q_OBJECT

    static Recorder search(const QByteArray &bytes, const QString &query)
    {
        TestFiles files;
        Recorder ops;
        ops.query = query;
        Command1_Click(ops, files.write(bytes));
        return ops;
    }

private slots:
    void utf8Validation_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("valid");
        QTest::newRow("ASCII") << QByteArray("plain") << true;
        QTest::newRow("two, three and four bytes") << QByteArray("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80") << true;
        QTest::newRow("BOM") << QByteArray("\xEF\xBB\xBF" "a") << true;
        QTest::newRow("overlong slash") << QByteArray("\xC0\xAF") << false;
        QTest::newRow("overlong three bytes") << QByteArray("\xE0\x80\xAF") << false;
        QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << false;
        QTest::newRow("past U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << false;
        QTest::newRow("cut short") << QByteArray("\xE2\x82") << false;
        QTest::newRow("lone continuation") << QByteArray("a\x80") << false;
        QTest::newRow("Windows-1252 e acute") << QByteArray("caf\xE9") << false;
    }

    void utf8Validation()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, valid);
        QCOMPARE(text::isValidUtf8(bytes), valid);
    }

    void windows1252RoundTrip()
    {
        QByteArray all(256, 0);
        for (int i = 0; i < 256; ++i)
            all[i] = char(i);
        const QString decoded = text::fromWindows1252(all);
        QCOMPARE(decoded.size(), 256);
        QCOMPARE(decoded[0x80], QChar(0x20AC));
        QCOMPARE(decoded[0x9F], QChar(0x0178));
        QCOMPARE(decoded[0xE9], QChar(0x00E9));
        QCOMPARE(text::toWindows1252(decoded).value_or(QByteArray()), all);
        QVERIFY(!text::toWindows1252(QStringLiteral("\u0391")).has_value());
    }

    // Letters fold under Unicode simple case folding in either encoding, and the record is
    // shown decoded the way it was read.
    void caseFolding_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("results");
        QTest::newRow("UTF-8 e acute")
                << QByteArray("#caf\xC3\xA9#CAF\xC3\x89#cafe#") << QStringLiteral("CAFÉ")
                << QStringLiteral("\r\n\r\ncafé\r\n\r\nCAFÉ\r\n");
        QTest::newRow("UTF-8 with BOM")
                << QByteArray("\xEF\xBB\xBF#\xC3\xA9t\xC3\xA9#") << QStringLiteral("ÉT")
                << QStringLiteral("\r\n\r\nété\r\n");
        QTest::newRow("Windows-1252 e acute")
                << QByteArray("#caf\xE9#CAF\xC9#cafe#") << QStringLiteral("café")
                << QStringLiteral("\r\n\r\ncafé\r\n\r\nCAFÉ\r\n");
        QTest::newRow("ASCII query, Windows-1252 records")
                << QByteArray("#caf\xE9 MERCY#") << QStringLiteral("mercy")
                << QStringLiteral("\r\n\r\ncafé MERCY\r\n");
        QTest::newRow("Kelvin sign folds to k")
                << QByteArray("#\xE2\x84\xAA" "ing#king#") << QStringLiteral("KING")
                << QStringLiteral("\r\n\r\n\u212Aing\r\n\r\nking\r\n");
        QTest::newRow("Greek outside Windows-1252")
                << QByteArray("#\xCE\xA3\xCE\x9F\xCE\xA6\xCE\x99\xCE\x91#sofia#")
                << QStringLiteral("σοφια") << QStringLiteral("\r\n\r\nΣΟΦΙΑ\r\n");
        QTest::newRow("NUL inside a record is kept")
                << QByteArray("#a\0b#", 5) << QStringLiteral("a")
                << QStringLiteral("\r\n\r\na") + QChar(0) + QStringLiteral("b\r\n");
    }

    void caseFolding()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, query);
        QFETCH(QString, results);
        QCOMPARE(search(bytes, query).results, results);
    }

    // Valid UTF-8 first, an invalid byte later: the whole file is Windows-1252, so what was
    // listed as UTF-8 is cleared and listed again.
    void invalidUtf8LaterMeansWindows1252()
    {
        const Recorder ops = search(QByteArray("#caf\xC3\xA9#x\xE9#"), QStringLiteral("caf"));
        QCOMPARE(ops.results, QStringLiteral("\r\n\r\ncafÃ©\r\n"));
        QCOMPARE(ops.messages(), QStringList{"Results ! | 1 Results found !"});
        QVERIFY(ops.log.count(QStringLiteral("set results (0)")) == 2);
    }
};

QTEST_GUILESS_MAIN(DecodingTest)
#include "decodingtest.moc"
