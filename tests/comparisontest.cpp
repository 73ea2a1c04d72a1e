#include "RecordScanner.h"
#include "Reference.h"
#include "SearchTerm.h"
#include "TestFiles.h"
#include "TextCoding.h"
#include "TextRule.h"
#include "Utf8.h"
#include "VerseFile.h"

#include <QRandomGenerator>
#include <QTest>

using lumaril::RecordScanner;
using lumaril::SearchTerm;
using lumaril::VerseFile;

// The rule by which a term and a record are compared (TextRule.h), held both by the plain
// reference and by the search of a verse file's bytes.
class ComparisonTest : public QObject
{
    Q_OBJECT

    // The records in which the scanner finds the term, and its work.
    static QStringList scanFound(const QByteArray &bytes, const QString &term, qint64 *work = nullptr)
    {
        TestFiles files;
        VerseFile file(files.write(bytes));
        if (!file.open())
            return {};
        const SearchTerm searchTerm(term);
        RecordScanner scanner(file, searchTerm);
        QStringList found;
        if (scanner.start()) {
            while (scanner.nextMatch())
                found << scanner.currentText();
        }
        if (work)
            *work = scanner.work();
        return found;
    }

private slots:
    void rule_data()
    {
        QTest::addColumn<QString>("term");
        QTest::addColumn<QByteArray>("record"); // UTF-8, or Windows-1252 where it is no UTF-8
        QTest::addColumn<bool>("contains");
        const auto row = [](const char *name, const QString &term, const QString &record, bool contains) {
            QTest::newRow(name) << term << record.toUtf8() << contains;
        };
        // Canonical equivalence: a letter written whole or in parts.
        row("Bengali o typed whole, written in parts", u"তোমরা"_qs, u"হে \u09A4\u09C7\u09BEমরা"_qs, true);
        row("Bengali o typed in parts, written whole", u"\u09A4\u09C7\u09BEমরা"_qs, u"তোমরা"_qs, true);
        row("Latin e acute typed whole, written in parts", u"café"_qs, u"CAFE\u0301 noir"_qs, true);
        row("Latin e acute typed in parts, written whole", u"cafe\u0301"_qs, u"un café"_qs, true);
        row("an accent stays significant", u"ete"_qs, u"été"_qs, false);
        row("an accent stays significant when typed", u"été"_qs, u"ete"_qs, false);
        row("a letter joined by its accent is another letter", u"cafe"_qs, u"cafe\u0301"_qs, false);
        // Arabic script as it is typed.
        row("vowel marks ignored", u"الرحيم"_qs, u"ٱلرَّحِيمِ"_qs, true);
        row("Uthmani sukun ignored", u"ٱلرَّحْمَٰنِ"_qs, u"ٱلرَّحۡمَٰنِ"_qs, true);
        row("tatweel ignored", u"محمد"_qs, u"مـحـمـد"_qs, true);
        row("alef with madda reads as alef", u"امن"_qs, u"آمن"_qs, true);
        row("alef with hamza above reads as alef", u"اكبر"_qs, u"أكبر"_qs, true);
        row("alef with hamza below reads as alef", u"اسلام"_qs, u"إسلام"_qs, true);
        row("alef wasla reads as alef", u"الله"_qs, u"ٱللَّهِ"_qs, true);
        row("hamza on waw reads as hamza", u"مءمن"_qs, u"مُؤْمِنٌ"_qs, true);
        row("hamza on yeh reads as hamza", u"سءل"_qs, u"سُئِلَ"_qs, true);
        row("waw and combining hamza join into hamza on waw", u"مءمن"_qs, u"مو\u0654من"_qs, true);
        row("alef maksura reads as yeh", u"علي"_qs, u"عَلَى"_qs, true);
        row("Farsi yeh reads as yeh", u"علي"_qs, u"علی"_qs, true);
        row("teh marbuta reads as heh", u"رحمه"_qs, u"رَحْمَةٌ"_qs, true);
        row("Urdu heh goal reads as heh", u"اللہ"_qs, u"الله"_qs, true);
        row("keheh reads as kaf", u"كتاب"_qs, u"کتاب"_qs, true);
        row("hamza then alef reads as alef", u"امنوا"_qs, u"ءَامَنُوٓا"_qs, true);
        row("hamza then alef typed as alef with madda", u"آمنوا"_qs, u"ءَامَنُوٓا"_qs, true);
        row("a hamza alone stays a hamza", u"امنوا"_qs, u"ءمنوا"_qs, false);
        row("other letters stay apart", u"الرحيم"_qs, u"ٱلرَّحۡمَٰنِ"_qs, false);
        // The small letters of the Uthmani text.
        row("superscript alef skipped", u"الرحمن"_qs, u"ٱلرَّحۡمَٰنِ"_qs, true);
        row("superscript alef read as alef", u"الرحمان"_qs, u"ٱلرَّحۡمَٰنِ"_qs, true);
        row("waw and superscript alef read as alef", u"الصلاة"_qs, u"ٱلصَّلَوٰةَ"_qs, true);
        row("waw kept before a superscript alef", u"الصلوة"_qs, u"ٱلصَّلَوٰةَ"_qs, true);
        row("superscript alef after a letter not waw or yeh", u"لاذا"_qs, u"لہٰذا"_qs, false);
        row("Urdu superscript alef skipped", u"لهذا"_qs, u"لہٰذا"_qs, true);
        row("small waw read as waw", u"داوود"_qs, u"دَاوُۥدَ"_qs, true);
        row("small waw skipped", u"داود"_qs, u"دَاوُۥدَ"_qs, true);
        row("small yeh read as yeh", u"النبيين"_qs, u"ٱلنَّبِيِّۦنَ"_qs, true);
        row("small letters dropped from the term", u"الرحمٰن"_qs, u"الرحمن"_qs, true);
        row("a small letter is no other letter", u"الرحمون"_qs, u"ٱلرَّحۡمَٰنِ"_qs, false);
        // A term of marks only, as one of blanks, is in every record that is not empty.
        row("a term of marks only", u"\u064E\u0651"_qs, u"mercy"_qs, true);
        row("English as before", u"mercy"_qs, u"Most MERCIFUL, MERCY"_qs, true);
        row("English as before, no match", u"mercy"_qs, u"merc y"_qs, false);
        // Bytes that end as a letter's other form does (ſ is C5 BF) are no letter.
        row("a character ending as the long s is no s", u"s"_qs, u"a\uFEFFb"_qs, false);
        row("the long s is an s", u"s"_qs, u"a\u017Fb"_qs, true);
        // NFC puts the accent before the superscript alef, between it and the next letter.
        row("a superscript alef that NFC moves", u"\u0623\u09BE\u0623"_qs, u"\u0301\u0670\u09BE\u0671"_qs, false);
        QTest::newRow("Windows-1252 record, accent composed in the term")
                << u"cafe\u0301"_qs << QByteArray("un caf\xE9") << true;
        QTest::newRow("Windows-1252 record, accent significant")
                << u"ete"_qs << QByteArray("\xE9t\xE9") << false;
    }
    void rule()
    {
        QFETCH(QString, term);
        QFETCH(QByteArray, record);
        QFETCH(bool, contains);
        const bool utf8 = isValidUtf8(record);
        const QString text = utf8 ? QString::fromUtf8(record) : lumaril::text::fromWindows1252(record);
        QCOMPARE(referenceContains(term, text), contains);
        // Among records that hold none of its letters, so that the search passes over some;
        // a term with no letters is in them too.
        const QByteArray file = "#x#" + record + "#y#";
        const bool inAll = lumaril::text::termLetters(term).empty();
        QStringList expected;
        if (inAll)
            expected << QStringLiteral("x");
        if (contains)
            expected << text;
        if (inAll)
            expected << QStringLiteral("y");
        QCOMPARE(scanFound(file, term), expected);
    }

    // Marks or optional letters between two letters cost one step each, however many: the
    // work on a long run of them stays within a few times the record's bytes.
    void longRunsBetweenTwoLetters_data()
    {
        QTest::addColumn<QString>("term");
        QTest::addColumn<QString>("run");
        QTest::addColumn<bool>("contains");
        const QString marks = QString(u"\u064E\u0651\u0650\u0652"_qs).repeated(128 * 1024);
        const QString alefs = QString(256 * 1024, QChar(0x0670)) + QString(256 * 1024, QChar(0x06E5));
        QTest::newRow("marks") << u"لم"_qs << marks << true;
        QTest::newRow("marks, then no match") << u"لن"_qs << marks << false;
        QTest::newRow("optional letters skipped") << u"لم"_qs << alefs << true;
        QTest::newRow("optional letters read") << u"لاوم"_qs << alefs << true;
    }
    void longRunsBetweenTwoLetters()
    {
        QFETCH(QString, term);
        QFETCH(QString, run);
        QFETCH(bool, contains);
        const QByteArray record = (u"ل"_qs + run + u"م"_qs).toUtf8();
        QCOMPARE(referenceContains(term, QString::fromUtf8(record)), contains);
        qint64 work = 0;
        QCOMPARE(scanFound("#" + record + "#", term, &work).size(), qsizetype(contains));
        QVERIFY2(work <= 4 * record.size(), qPrintable(QStringLiteral("%1 bytes of work").arg(work)));
    }

    // The search of bytes gives what the reference gives, record for record, on text made of
    // the pieces the rule treats apart: Arabic letters, their shapes, marks, small letters,
    // hamza, letters in parts, and the words they make.
    void bytesAgreeWithReference()
    {
        const QStringList pieces{u"ل"_qs, u"ا"_qs, u"ٱ"_qs, u"أ"_qs, u"ء"_qs, u"ؤ"_qs, u"\u0654"_qs,
                                 u"و"_qs, u"ي"_qs, u"ى"_qs, u"ة"_qs, u"ه"_qs, u"ہ"_qs, u"\u064E"_qs,
                                 u"\u0651"_qs, u"\u0670"_qs, u"\u06E5"_qs, u"ـ"_qs, u"\u09C7"_qs,
                                 u"\u09BE"_qs, u"ো"_qs, u"ত"_qs, u"e"_qs, u"\u0301"_qs, u"é"_qs,
                                 u" "_qs, u"ٱلصَّلَوٰةَ"_qs, u"ٱلرَّحۡمَٰنِ"_qs, u"ءَامَنُوٓا"_qs};
        QRandomGenerator rng(27);
        const auto draw = [&](int most) {
            QString out;
            for (int n = rng.bounded(most) + 1; n > 0; --n)
                out += pieces[rng.bounded(pieces.size())];
            return out;
        };
        QStringList records;
        for (int i = 0; i < 3000; ++i)
            records << draw(12);
        const QByteArray file = "#" + records.join(u'#').toUtf8() + "#";
        for (int t = 0; t < 60; ++t) {
            const QString term = draw(3);
            const std::u32string letters = lumaril::text::termLetters(term);
            QStringList expected;
            for (const QString &record : records) {
                if (referenceContains(letters, record))
                    expected << record;
            }
            if (scanFound(file, term) != expected)
                QFAIL(qPrintable(QStringLiteral("term %1").arg(term)));
        }
    }

    // Records too long to hold are verified a block at a time: a letter written in parts, or
    // an accent that joins a letter, reads the same wherever the end of a block cuts it.
    void recordsTooLongToHold_data()
    {
        QTest::addColumn<QString>("term");
        QTest::addColumn<QString>("parts");
        QTest::addColumn<bool>("contains");
        QTest::newRow("Bengali o in parts") << u"তো"_qs << u"ত\u09C7\u09BE"_qs << true;
        QTest::newRow("e and its accent, typed whole") << u"xé"_qs << u"e\u0301"_qs << true;
        QTest::newRow("e and its accent are no e") << u"xe"_qs << u"e\u0301"_qs << false;
        QTest::newRow("marks between two letters") << u"لم"_qs << u"ل\u064E\u0651م"_qs << true;
    }
    void recordsTooLongToHold()
    {
        QFETCH(QString, term);
        QFETCH(QString, parts);
        QFETCH(bool, contains);
        // Blocks are read from the record's start, as large as the scanner's; the record is
        // longer than any held.
        constexpr qsizetype block = 96 * 1024;
        for (qsizetype shift = -6; shift <= 3; ++shift) {
            const QString record = QString(block + shift, u'x') + parts + QString(5 * 1024 * 1024, u'x');
            QCOMPARE(scanFound("#" + record.toUtf8() + "#", term).size(), qsizetype(contains));
        }
    }
};

QTEST_GUILESS_MAIN(ComparisonTest)
#include "comparisontest.moc"
