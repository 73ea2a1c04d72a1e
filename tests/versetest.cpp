#include "Recorder.h"
#include "TestFiles.h"
#include "VerseLookup.h"

#include <QTest>

using lumaril::Command3_Click;

class VerseLookupTest : public QObject
{
    Q_OBJECT

    static void lookup(Recorder &ops, const QString &path, const QString &surat, const QString &ayat)
    {
        ops.surat = surat;
        ops.ayat = ayat;
        Command3_Click(ops, path);
    }

private slots:
    // Accepting a text and formatting it read it the same way, so what is accepted always
    // gives a key. Fractions round half away from zero; signs are kept.
    void numbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("formatted"); // empty: not a number

        QTest::newRow("1") << "1" << "001";
        QTest::newRow("255") << "255" << "255";
        QTest::newRow("leading zeros") << "007" << "007";
        QTest::newRow("blanks around") << " 2 " << "002";
        QTest::newRow("minus") << "-5" << "-005";
        QTest::newRow("plus") << "+1" << "001";
        QTest::newRow("half rounds up") << "1.5" << "002";
        QTest::newRow("half of two and a half") << "2.5" << "003";
        QTest::newRow("below half") << "1.4" << "001";
        QTest::newRow("negative half") << "-.5" << "-001";
        QTest::newRow("negative rounds to zero") << "-.4" << "000";
        QTest::newRow("leading point") << ".5" << "001";
        QTest::newRow("trailing point") << "5." << "005";
        QTest::newRow("more than three digits") << "12000" << "12000";
        QTest::newRow("huge") << QString("1") + QString(20, u'0') << QString("1") + QString(20, u'0');
        QTest::newRow("empty") << "" << "";
        QTest::newRow("blanks only") << "   " << "";
        QTest::newRow("letters") << "abc" << "";
        QTest::newRow("hexadecimal") << "&H1" << "";
        QTest::newRow("tab before") << "\t7" << "";
        QTest::newRow("sign alone") << "-" << "";
        QTest::newRow("point alone") << "." << "";
        // Before, "1e0" was found as 001.001.
        QTest::newRow("exponent") << "1e0" << "";
        QTest::newRow("thousands separator") << "1,0" << "";
        QTest::newRow("two signs") << "+-1" << "";
        QTest::newRow("infinite") << QString(400, u'9') << "";
        // Too small for a double is not too large: it is simply zero.
        QTest::newRow("below the smallest double") << "0." + QString(400, u'0') + "1" << "000";
        QTest::newRow("negative, below the smallest double") << "-0." + QString(400, u'0') + "1" << "000";
        // A reader types the digits of their own script.
        QTest::newRow("Arabic-Indic digits") << "٢٥٥" << "255";
        QTest::newRow("Extended Arabic-Indic digits") << "۲۵۵" << "255";
        QTest::newRow("Bengali digits") << "২১" << "021";
        QTest::newRow("Devanagari digits, signed") << "-१" << "-001";
        QTest::newRow("Arabic-Indic fraction") << "١.٥" << "002";
        QTest::newRow("digits beyond the BMP") << "𝟐" << "002";
        QTest::newRow("two scripts in one number") << "2٥" << "";
        QTest::newRow("two scripts around the point") << "١.5" << "";
        QTest::newRow("a digit that is not decimal") << "²" << "";
    }

    void numbers()
    {
        QFETCH(QString, text);
        QFETCH(QString, formatted);
        const auto number = lumaril::readNumber(text);
        QCOMPARE(number.has_value(), !formatted.isEmpty());
        if (number)
            QCOMPARE(lumaril::formatThreeDigits(*number), formatted);
        const auto key = lumaril::referenceKey(text, QStringLiteral("6"));
        QCOMPARE(key.value_or(QString()), formatted.isEmpty() ? QString() : formatted + ".006");
    }

    void found()
    {
        TestFiles files;
        const QString path = files.write("pre 002.255#002.254 x\r\n#002.255 Allah\r\n#002.255 later\r\n#");
        Recorder ops;
        ops.flag = false;
        const int descriptors = openDescriptorCount();
        int descriptorsDuringMessage = -2;
        ops.onInformation = [&] { descriptorsDuringMessage = openDescriptorCount(); };
        lookup(ops, path, QStringLiteral(" 2 "), QStringLiteral("255"));

        const QString shown = QStringLiteral("\r\n\r\n002.255 Allah\r\n\r\n");
        QCOMPARE(ops.results, shown);
        QCOMPARE(ops.log, (QStringList{"set results (0)", "show busy", "repaint",
                                       QStringLiteral("set results (%1)").arg(shown.size()),
                                       "repaint", "hide busy", "message Found ! | Ayat Found !"}));
        QCOMPARE(ops.flag, true);
        // The file is closed only after the message.
        if (descriptors >= 0)
            QCOMPARE(descriptorsDuringMessage, descriptors + 1);
        QCOMPARE(openDescriptorCount(), descriptors);
    }

    void firstRecordHoldingTheKeyWins()
    {
        TestFiles files;
        const QString path = files.write("#see 1001.0012 and 003.004#003.004 own#");
        Recorder ops;
        lookup(ops, path, QStringLiteral("1"), QStringLiteral("1"));
        QCOMPARE(ops.results, QStringLiteral("\r\n\r\nsee 1001.0012 and 003.004\r\n"));
        lookup(ops, path, QStringLiteral("3"), QStringLiteral("4"));
        QCOMPARE(ops.results, QStringLiteral("\r\n\r\nsee 1001.0012 and 003.004\r\n"));
        lookup(ops, path, QStringLiteral("-5"), QStringLiteral("1"));
        QCOMPARE(ops.messages().last(), QStringLiteral("Sorry ! | Ayat not found !"));
    }

    void notFound()
    {
        TestFiles files;
        Recorder ops;
        lookup(ops, files.write("#001.001 a\r\n#001.002 b\r\n#"), QStringLiteral("115"), QStringLiteral("1"));
        QCOMPARE(ops.log, (QStringList{"set results (0)", "show busy", "repaint", "hide busy",
                                       "message Sorry ! | Ayat not found !"}));
        QCOMPARE(ops.results, QString());
        QCOMPARE(ops.flag, false);
    }

    void badNumbers_data()
    {
        QTest::addColumn<QString>("surat");
        QTest::addColumn<QString>("ayat");
        QTest::newRow("empty surat") << "" << "1";
        QTest::newRow("letters in surat") << "abc" << "1";
        QTest::newRow("empty ayat") << "1" << "";
        QTest::newRow("both wrong") << "x" << "y";
    }

    void badNumbers()
    {
        QFETCH(QString, surat);
        QFETCH(QString, ayat);
        Recorder ops;
        ops.results = QStringLiteral("old");
        lookup(ops, QStringLiteral("/nonexistent/quran.txt"), surat, ayat);
        QCOMPARE(ops.log, (QStringList{"set results (0)",
                                       "message Error ! | Please enter correct Surat and Ayat number !"}));
        QCOMPARE(ops.results, QString());
    }
};

QTEST_GUILESS_MAIN(VerseLookupTest)
#include "versetest.moc"
