// Queries and Surat/Ayat texts no one should type: huge, blank, full of pattern characters,
// outside Windows-1252, in scripts with their own case rules. Each search must end in the
// right result or a clear message.

#include "Hostile.h"
#include "LookupReference.h"
#include "PhraseSearch.h"
#include "VerseLookup.h"

#include <QTest>

#include <cmath>
#include <numeric>
#include <set>

using namespace lumaril;

namespace {

// The records of the UTF-8 file, in order.
const QStringList utf8Records{
        QStringLiteral("ΣΟΦΙΑ wisdom"),
        QStringLiteral("σοφιας"),
        QStringLiteral("МИР peace"),
        QStringLiteral("straße"),
        QStringLiteral("STRASSE"),
        QStringLiteral("\u1E9E capital"),
        QStringLiteral("\U00010400 Deseret"),
        QStringLiteral("a+b (c) [d] ^e$ f.g \\h *i? {j} |k|"),
        QStringLiteral("tab\there"),
        QStringLiteral("emoji \U0001F600"),
        QStringLiteral("\u0130stanbul"),
        QStringLiteral("\u01C5 title"),
        QStringLiteral("\u13E3\u13B3\u13A9 Cherokee"),
};

// One Windows-1252 record: café € µ Ÿ.
const QByteArray windows1252File = "#caf\xE9 \x80 \xB5 \x9F#";

QByteArray utf8File()
{
    QByteArray out = "preamble";
    for (const QString &r : utf8Records)
        out += '#' + r.toUtf8();
    return out + '#';
}

QString listed(const QStringList &records)
{
    QString out;
    for (const QString &r : records)
        out += QStringLiteral("\r\n\r\n") + r;
    return records.isEmpty() ? out : out + QStringLiteral("\r\n");
}

QString expectedMessage(qsizetype count)
{
    return count ? QStringLiteral("Results ! | %1 Results found !").arg(count)
                 : QStringLiteral("Sorry ! | No Results found !");
}

} // namespace

class HostileQueryTest : public QObject
{
    Q_OBJECT

    TestFiles m_files;
    QString m_utf8;
    QString m_windows1252;

    Recorder search(const QString &path, const QString &query)
    {
        Recorder ops;
        ops.query = query;
        const int descriptors = openDescriptorCount();
        Command1_Click(ops, path);
        QString why;
        if (!endedCleanly(ops.log, descriptors, &why))
            ops.log << QStringLiteral("NOT CLEAN: ") + why;
        return ops;
    }

#define VERIFY_CLEAN(ops) QVERIFY2(!(ops).log.last().startsWith(u"NOT CLEAN"), qPrintable((ops).log.last()))

private slots:
    void initTestCase()
    {
        m_utf8 = m_files.write(utf8File(), QStringLiteral("utf8.txt"));
        m_windows1252 = m_files.write(windows1252File, QStringLiteral("windows1252.txt"));
    }

    // Which records of the UTF-8 file each query finds, under simple case folding; the
    // characters of patterns are only themselves.
    void queries_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QList<int>>("found");
        QTest::newRow("Greek small finds capitals") << "σοφια" << QList<int>{0, 1};
        QTest::newRow("final sigma folds to sigma") << "ΣΟΦΙΑΣ" << QList<int>{1};
        QTest::newRow("Cyrillic in mixed case") << "мИр" << QList<int>{2};
        QTest::newRow("sharp s is not SS") << "ß" << QList<int>{3, 5};
        QTest::newRow("capital sharp s is sharp s") << "\u1E9E" << QList<int>{3, 5};
        QTest::newRow("SS is not sharp s") << "SS" << QList<int>{4};
        QTest::newRow("Deseret, beyond 16 bits") << "\U00010428" << QList<int>{6};
        QTest::newRow("dotted capital I stays itself") << "istanbul" << QList<int>{};
        QTest::newRow("dotted capital I finds itself") << "\u0130STANBUL" << QList<int>{10};
        QTest::newRow("title-case digraph, small") << "\u01C6" << QList<int>{11};
        QTest::newRow("title-case digraph, capital") << "\u01C4" << QList<int>{11};
        QTest::newRow("Cherokee small finds capitals") << "\uABB3\uAB83\uAB79" << QList<int>{12};
        QTest::newRow("emoji") << "\U0001F600" << QList<int>{9};
        QTest::newRow("Arabic, in no record") << "الله" << QList<int>{};
        QTest::newRow("replacement character") << "\uFFFD" << QList<int>{};
        for (const char *pattern : {"a+b", "(c)", "[d]", "^e$", "f.g", "\\h", "*i?", "{j}", "|k|",
                                    ".", "$", "+"})
            QTest::newRow(pattern) << QString::fromLatin1(pattern) << QList<int>{7};
        QTest::newRow(".*") << ".*" << QList<int>{};
        QTest::newRow("\\d") << "\\d" << QList<int>{};
        QTest::newRow("[a-z]") << "[a-z]" << QList<int>{};
        QTest::newRow("a tab") << "\t" << QList<int>{8};
        QTest::newRow("two tabs") << "\t\t" << QList<int>{};
        QTest::newRow("blanks around a tab") << "  \t  " << QList<int>{8};
        QTest::newRow("a mark") << "#" << QList<int>{};
        QTest::newRow("blanks around a mark") << " # " << QList<int>{};
        QList<int> all(utf8Records.size());
        std::iota(all.begin(), all.end(), 0);
        QTest::newRow("only blanks") << "      " << all;
    }

    void queries()
    {
        QFETCH(QString, query);
        QFETCH(QList<int>, found);
        const Recorder ops = search(m_utf8, query);
        VERIFY_CLEAN(ops);
        QStringList expected;
        for (int i : found)
            expected << utf8Records[i];
        QCOMPARE(ops.messages(), QStringList{expectedMessage(found.size())});
        QCOMPARE(ops.results, listed(expected));
    }

    // Letters outside Windows-1252 cannot be in a Windows-1252 file, except as the letters
    // they fold with.
    void queriesInWindows1252_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("found");
        QTest::newRow("Greek omega") << "Ω" << false;
        QTest::newRow("Cyrillic") << "ЁЖ" << false;
        QTest::newRow("CJK") << "漢字" << false;
        QTest::newRow("euro sign") << "€" << true;
        QTest::newRow("y diaeresis finds its capital") << "ÿ" << true;
        QTest::newRow("Greek mu finds the micro sign") << "\u03BC" << true;
        QTest::newRow("E acute, capital") << "CAFÉ" << true;
    }

    void queriesInWindows1252()
    {
        QFETCH(QString, query);
        QFETCH(bool, found);
        const Recorder ops = search(m_windows1252, query);
        VERIFY_CLEAN(ops);
        QCOMPARE(ops.messages(), QStringList{expectedMessage(found ? 1 : 0)});
        QCOMPARE(ops.results, found ? listed({"café € µ Ÿ"}) : QString());
    }

    // A megabyte pasted into the query box.
    void megabyteQueries()
    {
        const QString blanks(512 * 1024, u' ');
        const QString letters(1024 * 1024, u'q');
        Recorder ops = search(m_utf8, letters);
        VERIFY_CLEAN(ops);
        QCOMPARE(ops.messages(), QStringList{expectedMessage(0)});
        ops = search(m_utf8, blanks + QStringLiteral("WISDOM") + blanks);
        VERIFY_CLEAN(ops);
        QCOMPARE(ops.results, listed({utf8Records[0]}));
        ops = search(m_utf8, blanks + blanks);
        VERIFY_CLEAN(ops);
        QCOMPARE(ops.messages(), QStringList{expectedMessage(utf8Records.size())});

        // It finds a verse as long as itself, which is far past the length stop, and lists it
        // cut at the stop.
        TestFiles files;
        const QString path = files.write("#" + QByteArray(1024 * 1024, 'Q') + "#");
        ops = search(path, letters);
        VERIFY_CLEAN(ops);
        QCOMPARE(ops.messages(), QStringList{"Sorry ! | The result is too long !"});
        QCOMPARE(ops.results, listed({letters.toUpper().left(65535 - 4)}));
    }

    // What the Surat box may hold, within its three characters, and the key it gives.
    void lookupTexts_data()
    {
        QTest::addColumn<QString>("surat");
        QTest::addColumn<QString>("key"); // empty: refused
        QTest::newRow("-5") << "-5" << "-005.001";
        QTest::newRow("1.5") << "1.5" << "002.001";
        QTest::newRow(" 7") << " 7" << "007.001";
        QTest::newRow("+1") << "+1" << "001.001";
        QTest::newRow("1e2") << "1e2" << "";
        QTest::newRow("-.4") << "-.4" << "000.001";
        QTest::newRow("&H1") << "&H1" << "";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("letters") << "abc" << "";
        QTest::newRow("1 2") << "1 2" << "";
        QTest::newRow("Arabic-Indic three") << "٣" << "003.001";
        QTest::newRow("fullwidth one") << "１" << "001.001";
        QTest::newRow("two scripts") << "٣3" << "";
        QTest::newRow("e1") << "e1" << "";
        QTest::newRow("tab") << "1\t" << "";
    }

    void lookupTexts()
    {
        QFETCH(QString, surat);
        QFETCH(QString, key);
        TestFiles files;
        const QString path = files.write("#" + key.toLatin1() + " the verse\r\n#");
        Recorder ops;
        ops.surat = surat;
        ops.ayat = QStringLiteral("1");
        const int descriptors = openDescriptorCount();
        Command3_Click(ops, path);
        VERIFY_ENDED_CLEANLY(ops.log, descriptors);
        if (key.isEmpty()) {
            QCOMPARE(ops.log, (QStringList{"set results (0)",
                                           "message Error ! | Please enter correct Surat and Ayat number !"}));
        } else {
            QCOMPARE(ops.messages(), QStringList{"Found ! | Ayat Found !"});
            QCOMPARE(ops.results, listed({key + " the verse\r\n"}));
        }
    }

    // Every text of up to three characters from an alphabet of digits, signs, points,
    // exponents, blanks, tabs and other scripts' digits: the lookup refuses exactly the texts
    // that are no number, and finds the verse of the key that number gives.
    void everyShortLookupText()
    {
        const QString alphabet = QStringLiteral("015+-.eE &Hx,\t٣９");
        QStringList texts{QString()};
        for (qsizetype from = 0, length = 1; length <= 3; ++length) {
            const qsizetype to = texts.size();
            for (qsizetype i = from; i < to; ++i) {
                for (QChar c : alphabet)
                    texts << texts[i] + c;
            }
            from = to;
        }
        QCOMPARE(texts.size(), 1 + 16 + 16 * 16 + 16 * 16 * 16);

        std::set<QString> keys;
        for (const QString &t : texts) {
            if (const auto part = keyPartFor(t))
                keys.insert(*part + QStringLiteral(".001"));
        }
        QStringList records;
        QByteArray bytes;
        for (const QString &k : keys) {
            records << k + QStringLiteral(" verse\r\n");
            bytes += '#' + records.last().toLatin1();
        }
        TestFiles files;
        const QString path = files.write(bytes + '#');

        int accepted = 0;
        for (const QString &text : texts) {
            const auto part = keyPartFor(text);
            const QString where = QStringLiteral("Surat \"%1\"").arg(text);
            QVERIFY2(readNumber(text).has_value() == part.has_value(), qPrintable(where));
            const auto key = referenceKey(text, QStringLiteral("1"));
            QVERIFY2(key == (part ? std::optional(*part + QStringLiteral(".001")) : std::nullopt),
                     qPrintable(where + QStringLiteral(" gives the key ") + key.value_or("none")));

            Recorder ops;
            ops.surat = text;
            ops.ayat = QStringLiteral("1");
            Command3_Click(ops, path);
            if (!part) {
                QVERIFY2(ops.messages() == QStringList{"Error ! | Please enter correct Surat and Ayat number !"}
                                 && !ops.log.contains(QStringLiteral("show busy")),
                         qPrintable(where));
                continue;
            }
            ++accepted;
            // The first record holding the key, which may be another key's that contains it.
            const auto first = std::find_if(records.cbegin(), records.cend(), [&](const QString &r) {
                return r.contains(*key);
            });
            QVERIFY2(ops.messages() == QStringList{"Found ! | Ayat Found !"}
                             && ops.results == listed({*first}),
                     qPrintable(where + QStringLiteral(": ") + ops.log.join(u',')));
        }
        // Both outcomes were tried, and plenty of each.
        qInfo("%d of %lld texts are numbers", accepted, texts.size());
        QVERIFY(accepted > 100 && accepted < texts.size() - 1000);
    }
};

QTEST_GUILESS_MAIN(HostileQueryTest)
#include "hostilequerytest.moc"
