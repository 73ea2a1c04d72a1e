#include "ByteMatcher.h"
#include "TextRule.h"
#include "RecordScanner.h"
#include "Reference.h"
#include "SearchTerm.h"
#include "TestFiles.h"
#include "TextCoding.h"
#include "Utf8.h"
#include "VerseFile.h"

#include <QRandomGenerator>
#include <QTest>

#include <array>
#include <memory>
#include <optional>
#include <tuple>

using lumaril::RecordScanner;
using lumaril::SearchTerm;
using lumaril::VerseFile;
using Stop = lumaril::RecordScanner::Stop;

Q_DECLARE_METATYPE(Stop)

class ScannerTest : public QObject
{
    Q_OBJECT

    // Every record of the file, and those the term is found in, from two scans that must end
    // alike.
    struct Scan
    {
        QStringList records;
        QStringList found;
        Stop stop = Stop::None;
    };

    static Scan scan(const QString &path, const QString &term = QString())
    {
        Scan out;
        const SearchTerm searchTerm(term);
        for (const bool matches : {false, true}) {
            VerseFile file(path);
            if (!file.open())
                return {{}, {}, Stop::ReadFailed};
            RecordScanner scanner(file, searchTerm);
            if (scanner.start()) {
                while (matches ? scanner.nextMatch() : scanner.nextRecord())
                    (matches ? out.found : out.records) << scanner.currentText();
            }
            out.stop = matches && scanner.stop() != out.stop ? Stop::None : scanner.stop();
        }
        return out;
    }

    // The records that the plain reference finds the term in.
    static QStringList holding(const QStringList &records, const QString &term)
    {
        const std::u32string letters = lumaril::text::termLetters(term);
        QStringList out;
        for (const QString &record : records) {
            if (referenceContains(letters, record))
                out << record;
        }
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
        // Only the records show UTF-16: a preamble or a tail of NULs says nothing about them.
        QTest::newRow("UTF-16 records after an 8-bit preamble")
                << QByteArray("Title\r\n#\0v\0e\0r\0s\0e\0 \0o\0n\0e\0#\0", 29) << QStringList{}
                << Stop::Utf16;
        QTest::newRow("UTF-16 records after a short 8-bit one")
                << "#" + QByteArray(99, 'a') + "#" + QByteArray("x\0", 2).repeated(2450) + "#"
                << QStringList{} << Stop::Utf16;
        // A first record longer than a block shows whether it is one only where it ends.
        QTest::newRow("UTF-16 first record longer than a block")
                << "#" + QByteArray("v\0", 2).repeated(50000) + "#" << QStringList{} << Stop::Utf16;
        QTest::newRow("NUL preamble before 8-bit records")
                << QByteArray(64, '\0') + "#caf\xE9 verse#" << QStringList{"café verse"} << eof;
        QTest::newRow("UTF-16 text only after the last mark")
                << "#verse#" + QByteArray("t\0", 2).repeated(2000) << QStringList{"verse"} << eof;
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

    // Records and preambles larger than one read block must come out whole, decoded as
    // what their first block showed them to be.
    void recordsAcrossBlocks()
    {
        const QByteArray preamble(300 * 1024, 'p');
        const QByteArray big = "caf\xC3\xA9" + QByteArray(700 * 1024, 'b');
        const QByteArray bytes = preamble + "#small#" + big + "needle#" + "after#" + preamble;
        TestFiles files;
        const Scan result = scan(files.write(bytes), QStringLiteral("NEEDLE"));
        QCOMPARE(result.records.size(), 3);
        QCOMPARE(result.records[0], QStringLiteral("small"));
        QCOMPARE(result.records[1], QString::fromUtf8(big + "needle"));
        QCOMPARE(result.records[2], QStringLiteral("after"));
        QCOMPARE(result.found, QStringList{result.records[1]});
        QCOMPARE(result.stop, Stop::EndOfFile);
    }

    // Records that straddle the places where one read ends and the next begins must come out
    // whole and be tested whole, also when the term itself straddles the place or lies just
    // before it. The record is longer than a block, so the buffer both moves and grows under
    // it.
    void termAcrossReads()
    {
        const QByteArray term = "MeRcY";
        TestFiles files;
        for (const qsizetype boundary : {64 * 1024, 128 * 1024 + 1, 256 * 1024 + 1}) {
            for (const qsizetype shift : {0, 1, 2, 3, 4, 5, 100, 2000, 4000}) {
                QByteArray record(boundary - shift - 1, 'x');
                record += term;
                record += QByteArray(300 * 1024 - record.size(), 'y');
                const Scan result = scan(files.write('#' + record + "#mercy#"), "mercy");
                QCOMPARE(result.records.size(), 2);
                QCOMPARE(result.records[0].size(), record.size());
                if (result.found.size() != 2)
                    QFAIL(qPrintable(
                            QStringLiteral("boundary %1, shift %2").arg(boundary).arg(shift)));
            }
        }
    }

    // The byte-level test must agree with the plain reference test on every record, also
    // where an occurrence of the term starts in one record and runs on into the next, and
    // every record must be decoded as stored.
    void byteLevelAgreesWithReference()
    {
        const QStringList words{"the", "mercy", "Merciful", "man", "woman", "THE", "a", "",
                                "\r\n", "  ", "ab", "ba", QStringLiteral("café"),
                                QStringLiteral("\u212Aing"), QStringLiteral("Ω")};
        QRandomGenerator rng(1234);
        QByteArray bytes("preamble");
        QStringList expected;
        for (int i = 0; i < 20000; ++i) {
            bytes += '#';
            QString record;
            const int n = rng.bounded(4);
            for (int w = 0; w < n; ++w)
                record += words[rng.bounded(words.size())];
            // Mostly ASCII records, as in the real file.
            if (rng.bounded(8) != 0 && std::any_of(record.cbegin(), record.cend(), [](QChar c) {
                    return c.unicode() >= 0x80;
                })) {
                record = QStringLiteral("plain");
            }
            bytes += record.toUtf8();
            expected << record;
        }
        bytes += '#';
        TestFiles files;
        const QString path = files.write(bytes);
        for (const QString term : {"the", "man", "ba", "mercy man", "a#b", "eMan", "ABA", " ",
                                   "CAFÉ", "king", "ω"}) {
            const Scan result = scan(path, term);
            QCOMPARE(result.records, expected);
            if (result.found != holding(expected, term))
                QFAIL(qPrintable(QStringLiteral("term \"%1\"").arg(term)));
        }
    }

    // The one encoding of a file is chosen on all its records, which the scanner reads in
    // blocks: characters cut by the end of a block, an invalid byte far from the first
    // non-ASCII record or only in the tail or the preamble, records of plain ASCII before any
    // other. Each record must come out as a plain decoding of the whole file gives it.
    void oneEncodingAcrossBlocks()
    {
        QRandomGenerator rng(77);
        const QList<QByteArray> text{"a", "verse ", "\r\n", "#", "\xC3\xA9", "\xE2\x82\xAC",
                                     "\xF0\x9F\x98\x80"};
        TestFiles files;
        for (int round = 0; round < 32; ++round) {
            QByteArray bytes = round % 5 == 0 ? "pre\xE9" "amble#" : "#";
            if (round % 3 == 1)
                bytes += QByteArray("#plain ASCII").repeated(rng.bounded(20000));
            // Now and then only characters of several bytes, so that blocks surely cut some.
            const qsizetype firstPiece = round % 4 == 3 ? 4 : 0;
            const qsizetype size = bytes.size() + 64 * 1024 * (1 + rng.bounded(4))
                    + rng.bounded(64 * 1024);
            while (bytes.size() < size)
                bytes += text[firstPiece + rng.bounded(text.size() - firstPiece)];
            const qsizetype place = rng.bounded(bytes.size());
            switch (round % 6) {
            case 1: // in a record, closed by the last mark
                bytes.insert(place, '\xE9');
                bytes += '#';
                break;
            case 2: // in the tail only
                bytes += "#tail \xE9";
                break;
            case 3: // a character cut by the end of the file
                bytes += "#\xE2\x82";
                break;
            default:
                bytes += '#';
            }
            const QString path = files.write(bytes);

            QList<QByteArray> records = bytes.split('#');
            records = records.mid(1, records.size() - 2);
            const bool utf8 = std::all_of(records.cbegin(), records.cend(), [](const QByteArray &r) {
                return isValidUtf8(r);
            });
            QStringList expected;
            for (const QByteArray &r : records)
                expected << (utf8 ? QString::fromUtf8(r) : lumaril::text::fromWindows1252(r));
            const Scan result = scan(path, QStringLiteral("verse"));
            QCOMPARE(result.stop, Stop::EndOfFile);
            if (result.records != expected) {
                qsizetype i = 0;
                while (i < expected.size() && result.records.value(i) == expected[i])
                    ++i;
                QFAIL(qPrintable(QStringLiteral("round %1 (%2 records, %3): record %4 differs")
                                         .arg(round)
                                         .arg(expected.size())
                                         .arg(utf8 ? "UTF-8" : "Windows-1252")
                                         .arg(i)));
            }
        }
    }

    // A file too large to keep while its encoding is chosen is read ahead in blocks, then
    // again from where the scan was: characters cut by those blocks, and a lone E9 only at
    // the end, must decide as for a small file, and no record may be lost or doubled.
    void oneEncodingBeyondWhatIsKept()
    {
        TestFiles files;
        for (const bool invalidAtTheEnd : {false, true}) {
            const QByteArray bytes = "#caf\xC3\xA9#" + QByteArray("plain record\r\n#").repeated(300000)
                    + QByteArray("\xE2\x82\xAC").repeated(70000)
                    + (invalidAtTheEnd ? "#x\xE9#" : "#x\xC3\xA9#") + "tail \xE9";
            QList<QByteArray> records = bytes.split('#');
            records = records.mid(1, records.size() - 2);
            QStringList expected;
            for (const QByteArray &r : records)
                expected << (invalidAtTheEnd ? lumaril::text::fromWindows1252(r) : QString::fromUtf8(r));
            const Scan result = scan(files.write(bytes), QStringLiteral("record"));
            QCOMPARE(result.stop, Stop::EndOfFile);
            QCOMPARE(result.records.size(), expected.size());
            QCOMPARE(result.records.first(), invalidAtTheEnd ? QStringLiteral("cafÃ©") : QStringLiteral("café"));
            QVERIFY(result.records == expected);
        }
    }
    // The case classes a byte-level matcher gets wrong first: variants of other byte lengths,
    // classes of three or four, letters that fold to ASCII, and Windows-1252's own letters.
    // Every variant is a record (alone, inside a word, doubled) and a term, and every test
    // must give what the plain test on the decoded record gives.
    void caseClassesAgreeWithReference_data()
    {
        QTest::addColumn<QStringList>("variants");
        QTest::addColumn<bool>("windows1252");
        QTest::newRow("Kelvin sign") << QStringList{"k", "K", "\u212A"} << false;
        QTest::newRow("long s") << QStringList{"s", "S", "\u017F", "ss"} << false;
        QTest::newRow("sharp s") << QStringList{"\u00DF", "\u1E9E", "ss", "SS"} << false;
        QTest::newRow("final sigma") << QStringList{"\u03C3", "\u03A3", "\u03C2"} << false;
        QTest::newRow("dotted and dotless i")
                << QStringList{"i", "I", "\u0130", "\u0131"} << false;
        QTest::newRow("Cyrillic U+1C80 forms")
                << QStringList{"\u0432", "\u0412", "\u1C80", "\u0442", "\u1C84", "\u1C85"} << false;
        QTest::newRow("theta, four forms")
                << QStringList{"\u03B8", "\u0398", "\u03D1", "\u03F4"} << false;
        QTest::newRow("Angstrom sign") << QStringList{"\u00E5", "\u00C5", "\u212B"} << false;
        QTest::newRow("outside the BMP") << QStringList{"\U00010400", "\U00010428"} << false;
        QTest::newRow("Windows-1252 S caron and Y diaeresis")
                << QStringList{"\u0161", "\u0160", "\u00FF", "\u0178"} << true;
        QTest::newRow("Windows-1252 micro sign and Greek mu")
                << QStringList{"\u00B5", "\u03BC", "\u039C", "\u00C5", "\u212B"} << true;
    }

    void caseClassesAgreeWithReference()
    {
        QFETCH(QStringList, variants);
        QFETCH(bool, windows1252);
        QByteArray bytes = windows1252 ? "#caf\xE9#" : "#";
        for (const QString &v : variants) {
            for (const QString &record : {v, "x" + v + "y", v + v}) {
                const auto encoded = windows1252 ? lumaril::text::toWindows1252(record)
                                                 : std::optional(record.toUtf8());
                if (encoded)
                    bytes += *encoded + '#';
            }
        }
        TestFiles files;
        const QString path = files.write(bytes);
        for (const QString &v : variants) {
            for (const QString &term : {v, v + "y", "x" + v, v + v}) {
                const Scan result = scan(path, term);
                QCOMPARE(result.stop, Stop::EndOfFile);
                if (result.found != holding(result.records, term))
                    QFAIL(qPrintable(QStringLiteral("term \"%1\"").arg(term)));
            }
        }
    }

    // The vector search for candidates finds what a look at each byte finds, wherever it
    // starts and ends against the registers, for each kind of rare letter, alone and in pairs (at
    // one distance, or at two across a character of two lengths), with
    // and without stopping at bytes outside ASCII.
    void candidatesAsByteByByte_data()
    {
        QTest::addColumn<QList<QStringList>>("characters");
        QTest::addColumn<QByteArray>("sample");
        QTest::addColumn<bool>("pair");
        QTest::addColumn<bool>("twoDistances");
        const QStringList a{"a", "A"}, b{"b", "B"}, s{"s", "S", "\u017F"};
        const QStringList sigma{"\u03C3", "\u03A3", "\u03C2"}, beta{"\u03B2", "\u0392", "\u03D0"};
        const QByteArray none;
        QTest::newRow("two cases") << QList<QStringList>{a} << none << false << false;
        QTest::newRow("three last bytes") << QList<QStringList>{s} << none << false << false;
        QTest::newRow("pair")
                << QList<QStringList>{a, b} << QByteArray("aaa bbb ").repeated(9) << true << false;
        QTest::newRow("pair of three last bytes each")
                << QList<QStringList>{sigma, beta} << QByteArray("\xCF\x83 ").repeated(9) << true
                << false;
        QTest::newRow("pair across s and the long s")
                << QList<QStringList>{a, s, b} << QByteArray("sss ").repeated(9) << true << true;
    }
    void candidatesAsByteByByte()
    {
        QFETCH(QList<QStringList>, characters);
        QFETCH(QByteArray, sample);
        QFETCH(bool, pair);
        QFETCH(bool, twoDistances);
        std::vector<lumaril::Variants> variants;
        for (const QStringList &forms : characters) {
            variants.emplace_back();
            for (const QString &form : forms)
                variants.back().push_back(lumaril::Variant::of(form.toUtf8()));
        }
        std::vector<const lumaril::Variants *> term;
        for (const lumaril::Variants &v : variants)
            term.push_back(&v);
        const lumaril::RareLetters choice = lumaril::chooseRareLetters(term, sample);
        QCOMPARE(choice.second.index >= 0, pair);
        QCOMPARE(choice.orOneByteLater, twoDistances);
        const auto holds = [](const lumaril::RareLetter &letter, char c) {
            return letter.holds(static_cast<unsigned char>(c));
        };
        QRandomGenerator rng(5);
        const QByteArray rare = "aAbBsS\xC5\xBF\xCF\x83\xCE\xA3\xCF\x82\xCE\xB2\xCE\x92\xCF\x90";
        QByteArray data(700, 'x');
        for (int round = 0; round < 20; ++round) {
            for (char &c : data)
                c = rng.bounded(3) == 0 ? rare[rng.bounded(rare.size())] : 'x';
            for (const bool orNonAscii : {false, true}) {
                for (qsizetype from = 0; from < 150; ++from) {
                    for (const qsizetype length : {0, 1, 63, 64, 129, 300, 700}) {
                        const qsizetype to = std::min(from + length, data.size());
                        qsizetype expected = from;
                        for (; expected < to; ++expected) {
                            const auto holdsAt = [&](const lumaril::RareLetter &letter, qsizetype at) {
                                return at >= data.size() || holds(letter, data[at]);
                            };
                            const qsizetype second = expected + choice.distance;
                            if ((orNonAscii && static_cast<unsigned char>(data[expected]) >= 0x80)
                                || (holds(choice.first, data[expected])
                                    && (!pair || holdsAt(choice.second, second)
                                        || (twoDistances && holdsAt(choice.second, second + 1))))) {
                                break;
                            }
                        }
                        if (choice.nextCandidate(data.constData(), from, to, data.size(), orNonAscii) != expected)
                            QFAIL(qPrintable(QStringLiteral("round %1, from %2 to %3").arg(round).arg(from).arg(to)));
                    }
                }
            }
        }
    }

    // The pair chosen is the one whose places together in the sample a plain count finds
    // fewest, wherever they fall against the 64-byte words the choice counts them in, before
    // or after the rarest character, in samples of any length, dense to sparse. Characters of
    // one byte and one form, so that a character's distance is its distance in the term.
    void pairHasFewestPlacesTogether()
    {
        QRandomGenerator rng(7);
        std::vector<lumaril::Variants> forms;
        for (const char c : QByteArray("012345"))
            forms.push_back({lumaril::Variant::of(QByteArray(1, c))});
        for (int round = 0; round < 400; ++round) {
            QByteArray sample(std::array{1, 5, 63, 64, 65, 130, 700, 4096}[round % 8], '5');
            for (char &c : sample)
                c = rng.bounded(std::array{2, 9, 60, 400}[round / 8 % 4]) == 0 ? char('0' + rng.bounded(5)) : c;
            QByteArray term(2 + rng.bounded(5), '0');
            std::vector<const lumaril::Variants *> variants;
            for (char &c : term) {
                c = char('0' + rng.bounded(6));
                variants.push_back(&forms[std::size_t(c - '0')]);
            }
            const auto together = [&](qsizetype first, qsizetype offset) {
                qsizetype places = 0;
                for (qsizetype p = std::max<qsizetype>(0, -offset);
                     p < sample.size() - std::max<qsizetype>(0, offset); ++p)
                    places += sample[p] == term[first] && sample[p + offset] == term[first + offset];
                return places;
            };
            qsizetype rarest = 0, first = 0, second = -1;
            for (qsizetype k = 1; k < term.size(); ++k)
                first = rarest = sample.count(term[k]) < sample.count(term[rarest]) ? k : rarest;
            std::tuple best{sample.count(term[rarest]), sample.size()};
            for (const qsizetype k : {1, 2, 3, 4, 5, -1, -2, -3, -4, -5}) {
                const qsizetype other = rarest + k;
                if (other >= 0 && other < term.size()
                    && std::tuple(together(rarest, k), sample.count(term[other])) < best) {
                    best = {together(rarest, k), sample.count(term[other])};
                    std::tie(first, second) = std::minmax(rarest, other);
                }
            }
            const lumaril::RareLetters choice = lumaril::chooseRareLetters(variants, sample);
            if (choice.first.index != first || choice.second.index != second)
                QFAIL(qPrintable(QStringLiteral("%1 in %2").arg(QString(term), QString(sample))));
        }
    }

    // As a search goes: a candidate refuted for want of the bytes after the end of a read
    // (the first ends 64 KB into the file, after "mer") is looked at again once they are read;
    // a long record with no candidate, passed rather than kept, is no match, unless a
    // candidate turns up later in it. Each match found says whether records were passed before
    // it.
    void longRecordsThroughThePass()
    {
        const QByteArray first = QByteArray(64 * 1024 - 4, 'x') + "mercy" + QByteArray(100, 'x');
        const QByteArray passed(300 * 1024, 'z');
        const QByteArray late = QByteArray(100 * 1024, 'z') + "Mercy";
        TestFiles files;
        VerseFile file(files.write('#' + first + '#' + passed + '#' + late + "#MERCY#"));
        QVERIFY(file.open());
        const SearchTerm term(QStringLiteral("mercy"));
        RecordScanner scanner(file, term);
        QList<bool> passedBefore;
        QList<qsizetype> sizes;
        QVERIFY(scanner.start());
        while (scanner.nextMatch()) {
            passedBefore << scanner.passedOverRecords();
            sizes << scanner.currentText().size();
        }
        QCOMPARE(scanner.stop(), Stop::EndOfFile);
        QVERIFY(!scanner.passedOverRecords());
        QCOMPARE(passedBefore, (QList<bool>{false, true, false}));
        QCOMPARE(sizes, (QList<qsizetype>{first.size(), late.size(), 5}));
    }

    // Confirming a candidate is bounded by the bytes searched, also where every byte is a
    // candidate that fails late: the first 4 KB of a file need not show which bytes are rare.
    // Comparing at each candidate made a 2 KB term over a 1 MB record take 1.6 s.
    void confirmingStaysLinear()
    {
        const QString term = QString(1023, u'q') + u'x' + QString(1024, u'q');
        const QByteArray sample(4096, 'x'); // q looks rare, so the q's are sought
        for (const QByteArray &tail : {QByteArray(), "x" + QByteArray(1024, 'q')}) {
            const QByteArray record = QByteArray(2 * 1024 * 1024, 'q') + tail;
            lumaril::ByteMatcher matcher(lumaril::text::termLetters(term), lumaril::TextEncoding::Utf8, sample);
            QCOMPARE(matcher.contains(record.constData(), record.size()), !tail.isEmpty());
            QVERIFY2(matcher.work() <= 4 * (record.size() + term.size()),
                     qPrintable(QStringLiteral("%1 bytes compared").arg(matcher.work())));
        }
    }
    // The same over many records shorter than the term: each costs a few times its own
    // length, not the term's. The first records make "x" look common, so q's are sought.
    void confirmingStaysLinearOverRecords()
    {
        const QString term = QString(1023, u'q') + u'x' + QString(1024, u'q');
        const QByteArray bytes = "#" + (QByteArray(1000, 'x') + "#").repeated(5)
                + (QByteArray(1023, 'q') + "y#").repeated(2048);
        TestFiles files;
        VerseFile file(files.write(bytes));
        QVERIFY(file.open());
        const SearchTerm searchTerm(term);
        RecordScanner scanner(file, searchTerm);
        QVERIFY(scanner.start());
        QVERIFY(!scanner.nextMatch());
        QCOMPARE(scanner.stop(), RecordScanner::Stop::EndOfFile);
        QVERIFY2(scanner.work() <= 4 * (bytes.size() + term.size()),
                 qPrintable(QStringLiteral("%1 bytes compared").arg(scanner.work())));
    }
    // Records too long to hold are passed, then read again in pieces to be tested and to be
    // shown: a match must be found wherever it lies against the pieces (about a megabyte each,
    // overlapping by the longest match), text is shown up to the length asked for and never
    // half a character, and a byte outside UTF-8 in such a record still makes the file
    // Windows-1252.
    void recordsTooLongToHold()
    {
        const QByteArray word = "\xD0\x9C\xD0\x98\xD0\x9B\xD0\x9E\xD0\xA1\xD0\xA2\xD1\x8C"; // МИЛОСТЬ
        const QByteArray filler = QByteArray("\xF0\x9F\x98\x80 ab ").repeated(5 * 1024 * 1024 / 8);
        QByteArray bytes = "#short#";
        QStringList expected;
        for (const qsizetype at : {qsizetype(0), qsizetype(1024 * 1024 - 16), qsizetype(1024 * 1024 - 3),
                                   qsizetype(2 * 1024 * 1024 - 200), qsizetype(-1)}) {
            QByteArray record = filler;
            if (at >= 0) {
                record.insert(at, word);
                expected << QString::fromUtf8(record);
            }
            bytes += record + '#';
        }
        TestFiles files;
        const QString path = files.write(bytes);
        const Scan result = scan(path, QStringLiteral("милость"));
        QCOMPARE(result.stop, Stop::EndOfFile);
        QVERIFY(result.found == expected);
        QCOMPARE(result.records.last(), QString::fromUtf8(filler));

        // The first long record starts with the word (seven code units), then an emoji (two).
        SearchTerm term(QStringLiteral("ab"));
        VerseFile file(path);
        QVERIFY(file.open());
        RecordScanner scanner(file, term);
        QVERIFY(scanner.start() && scanner.nextMatch() && scanner.passedOverRecords());
        QCOMPARE(scanner.currentText(8), QString::fromUtf8(word));
        QCOMPARE(scanner.currentText(9), QString::fromUtf8(word + "\xF0\x9F\x98\x80"));

        // The byte at the end of a record with no candidate, or at the start of one that has one.
        const QByteArray w(5 * 1024 * 1024, 'w');
        for (const QByteArray &first : {w + "\xE9", "caf\xE9" + w}) {
            const Scan decided = scan(files.write('#' + first + "#caf\xC3\xA9#"), QStringLiteral("CAF"));
            QCOMPARE(decided.records.last(), QStringLiteral("caf\u00C3\u00A9"));
            QCOMPARE(decided.found.size(), first.startsWith("caf") ? 2 : 1);
            QCOMPARE(decided.found.last(), decided.records.last());
        }
    }
};

QTEST_GUILESS_MAIN(ScannerTest)
#include "scannertest.moc"
