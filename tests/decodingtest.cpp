#include "PhraseSearch.h"
#include "Recorder.h"
#include "TestFiles.h"
#include "TextCoding.h"
#include "Utf8.h"
#include "VerseLookup.h"
#include "Windows1252Check.h"

#include <QStringDecoder>
#include <QTest>

#include <algorithm>
#include <memory>

#if (defined(__GNUC__) || defined(__clang__)) && (defined(__SSE2__) || defined(__ARM_NEON))
#include "ByteVector.h"
#include "Utf8Check.h"
#define LUMARIL_HAVE_VECTORS
#endif

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
    // Where the valid UTF-8 ends, and whether what follows could still become valid when the
    // bytes after it come in: a file is checked in blocks that may cut a character. The text
    // decoded from the bytes is the text Qt's decoder gives, U+FFFD and U+FEFF alike.
    void utf8Validation_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qsizetype>("validSize");
        QTest::addColumn<bool>("cutShort");
        const QByteArray ascii(100, 'a'); // long enough to be skipped in blocks
        QTest::newRow("ASCII") << ascii << qsizetype(100) << false;
        QTest::newRow("two, three and four bytes")
                << QByteArray("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80") << qsizetype(9) << false;
        QTest::newRow("the last code point") << QByteArray("\xF4\x8F\xBF\xBF") << qsizetype(4) << false;
        QTest::newRow("letters among ASCII")
                << ascii + "caf\xC3\xA9 \xE2\x82\xAC" + ascii << qsizetype(209) << false;
        QTest::newRow("BOM") << QByteArray("\xEF\xBB\xBF" "a") << qsizetype(4) << false;
        QTest::newRow("overlong slash") << QByteArray("\xC0\xAF") << qsizetype(0) << false;
        QTest::newRow("overlong three bytes") << QByteArray("\xE0\x80\xAF") << qsizetype(0) << false;
        QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << qsizetype(0) << false;
        QTest::newRow("past U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << qsizetype(0) << false;
        QTest::newRow("lone continuation") << ascii + "\x80" << qsizetype(100) << false;
        // E9 starts a three-byte character in UTF-8: at the very end it may yet become one.
        QTest::newRow("Windows-1252 e acute at the end") << QByteArray("caf\xE9") << qsizetype(3) << true;
        QTest::newRow("Windows-1252 after a long ASCII run")
                << ascii + "\xE9" + ascii << qsizetype(100) << false;
        QTest::newRow("lone continuation after ASCII longer than a step")
                << QByteArray(300, 'a') + "\x80" + ascii << qsizetype(300) << false;
        QTest::newRow("letters between ASCII longer than a step, then a lone continuation")
                << QByteArray(200, 'a') + "\xC3\xA9" + QByteArray(200, 'a') + "\x80" << qsizetype(402) << false;
        QTest::newRow("a lead byte, then ASCII longer than a step")
                << QByteArray(200, 'a') + "\xC3" + QByteArray(200, 'a') << qsizetype(200) << false;
        // A register's first byte is checked against the end of the register before it, not
        // against its own end, where a lead byte would make the lone continuation look whole.
        QTest::newRow("lone continuation, a lead byte 63 bytes on")
                << ascii + "\x80" + QByteArray(62, 'a') + "\xC3\xA9" + ascii << qsizetype(100) << false;
        QTest::newRow("a character cut by a mark") << QByteArray("\xC3#") << qsizetype(0) << false;
        QTest::newRow("cut after its first byte") << ascii + "\xE2" << qsizetype(100) << true;
        QTest::newRow("cut after its third byte")
                << QByteArray("ab\xF0\x9F\x98") << qsizetype(2) << true;
        QTest::newRow("cut, but overlong already") << QByteArray("\xE0\x80") << qsizetype(0) << false;
        QTest::newRow("cut, but past U+10FFFF already")
                << QByteArray("\xF4\x90") << qsizetype(0) << false;
        QTest::newRow("cut, but its second byte is wrong")
                << QByteArray("\xF0\x9F\x41") << qsizetype(0) << false;
    }

    // Each row also after every length of Cyrillic text up to three blocks of the checker
    // that goes 64 bytes a block, so that its sequence meets every place of a block.
    void utf8Validation()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(qsizetype, validSize);
        QFETCH(bool, cutShort);
        for (int length = 0; length <= 3 * 64; ++length) {
            const QByteArray before = QByteArray("\xD0\xB1").repeated(length / 2) + QByteArray(length % 2, 'a');
            const text::Utf8Check check = text::checkUtf8(before + bytes);
            if (check.validSize != before.size() + validSize || check.cutShort != cutShort)
                QFAIL(qPrintable(QStringLiteral("after %1 bytes: %2").arg(length).arg(check.validSize)));
#ifdef LUMARIL_HAVE_VECTORS
            // The check 16 bytes a register, which arm64 takes: it passes no invalid byte and
            // stops at none of valid text. Here its table lookup goes byte by byte.
            const QByteArray all = before + bytes;
            const qsizetype prefix = text::validUtf8Prefix<text::ByteVector<16>>(all.data(), all.size());
            if (prefix > check.validSize || (check.validSize == all.size() && prefix != all.size()))
                QFAIL(qPrintable(QStringLiteral("16 bytes a register, after %1 bytes: %2").arg(length).arg(prefix)));
#endif
            QStringDecoder reference(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom
                                             | QStringDecoder::Flag::Stateless);
            if (decodeUtf8(before + bytes) != QString(reference.decode(before + bytes)))
                QFAIL(qPrintable(QStringLiteral("decoded after %1 bytes").arg(length)));
        }
        QCOMPARE(isValidUtf8(bytes), validSize == bytes.size());
    }

    // Decoding reads no byte past those it is given: each length of text, in a block of
    // exactly that size, which the sanitized build checks. A sequence cut by the end is
    // U+FFFD, as Qt's decoder makes it, also where the text is known to be valid up to it (the
    // start of a record of a file checked whole, cut where the results box is full).
    void decodingStopsAtTheEnd()
    {
        // Mixed, and then runs of Chinese that a vector step decodes sixteen characters at a time.
        for (const QString &sample : {QStringLiteral("世人 он é").repeated(12) + QStringLiteral("𐍈"),
                                      QStringLiteral("他们说：“我们信道了。”").repeated(9) + u'x'
                                              + QStringLiteral("真主").repeated(20)}) {
            const QByteArray text = sample.toUtf8();
            for (qsizetype size = 0; size <= text.size(); ++size) {
                const auto exact = std::make_unique<char[]>(std::size_t(size));
                std::copy_n(text.constData(), size, exact.get());
                const QByteArrayView bytes(exact.get(), size);
                QStringDecoder reference(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
                const QString expected = reference.decode(bytes);
                QString checked;
                text::appendUtf8(checked, bytes, true);
                if (decodeUtf8(bytes) != expected || checked != expected
                    || isValidUtf8(bytes) != (expected.toUtf8() == bytes))
                    QFAIL(qPrintable(QStringLiteral("%1 bytes").arg(size)));
            }
        }
    }

    // Whether bytes that come in pieces of any size show Windows-1252 is what they show whole:
    // an invalid sequence with a mark after it, whichever piece either is in.
    void windows1252CheckInPieces()
    {
        const QList<QByteArray> files{"\xD0\xB1\xE2\x82\xAC#\xF0\x9F\x98\x80#", "caf\xE9#",
                                      "\xE2\x82#", "\xD0\xB1\xE9", "\xF0\x9F\x98\xC3\xA9 #",
                                      "\xC3#\xA9", "\xE9\xE9\xE9\xE9\xE9#"};
        for (const QByteArray &bytes : files) {
            Windows1252Check whole;
            const bool expected = whole.showsWindows1252(bytes.constData(), bytes.size());
            QCOMPARE(expected, bytes.indexOf('#') > text::checkUtf8(bytes).validSize);
            for (qsizetype piece = 1; piece <= 5; ++piece) {
                Windows1252Check check;
                bool windows1252 = false;
                for (qsizetype at = 0; at < bytes.size() && !windows1252; at += piece)
                    windows1252 = check.showsWindows1252(bytes.constData() + at, std::min(piece, bytes.size() - at));
                if (windows1252 != expected)
                    QFAIL(qPrintable(QStringLiteral("%1 in pieces of %2").arg(bytes.toHex()).arg(piece)));
            }
        }
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

    // The file is UTF-8 only when all its records are, however far apart the bytes that
    // decide it: the lookup and the search show a record the same way, and the search never
    // takes back what it has listed to list it again another way.
    void oneEncodingForTheWholeFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("record");
        QByteArray filler;
        for (int i = 0; i < 50000; ++i)
            filler += "#filler " + QByteArray::number(i) + "\r\n";
        const QByteArray first = "#001.001 caf\xC3\xA9\r\n";
        QTest::newRow("a lone E9 in the next record")
                << first + "#x\xE9#" << QStringLiteral("001.001 cafÃ©\r\n");
        QTest::newRow("a lone E9 many blocks later")
                << first + filler + "#x\xE9#" << QStringLiteral("001.001 cafÃ©\r\n");
        QTest::newRow("valid UTF-8 many blocks later")
                << first + filler + "#x\xC3\xA9#" << QStringLiteral("001.001 café\r\n");
        QTest::newRow("a lone E9 only after the last mark")
                << first + filler + "#x\xE9" << QStringLiteral("001.001 café\r\n");
        QTest::newRow("Windows-1252 first, valid UTF-8 later")
                << QByteArray("#001.001 caf\xE9\r\n#x\xC3\xA9#") << QStringLiteral("001.001 café\r\n");
        QTest::newRow("ASCII records first, then a lone E9")
                << "#001.000 plain\r\n" + filler + first + "#x\xE9#"
                << QStringLiteral("001.001 cafÃ©\r\n");
    }

    void oneEncodingForTheWholeFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, record);
        const QString shown = QStringLiteral("\r\n\r\n") + record + QStringLiteral("\r\n");
        TestFiles files;
        const QString path = files.write(bytes);

        Recorder searched;
        searched.query = QStringLiteral("001.001");
        Command1_Click(searched, path);
        QCOMPARE(searched.results, shown);
        QCOMPARE(searched.messages(), QStringList{"Results ! | 1 Results found !"});
        QCOMPARE(searched.log.count(QStringLiteral("set results (0)")), 1);

        Recorder looked;
        looked.surat = looked.ayat = QStringLiteral("1");
        Command3_Click(looked, path);
        QCOMPARE(looked.results, shown);
        QCOMPARE(looked.messages(), QStringList{"Found ! | Ayat Found !"});
    }
};

QTEST_GUILESS_MAIN(DecodingTest)
#include "decodingtest.moc"
