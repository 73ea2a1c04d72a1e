// Hostile verse files and inputs through the real window: what the user sees is one message
// box, the panel gone and the window ready for the next search.

#include "Form1.h"
#include "Hostile.h"
#include "WidgetOperations.h"
#include "WindowDriving.h"

#include <QClipboard>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace lumaril;

namespace {

// Types the text key by key, as a keyboard would, also characters that have no key of their
// own on it.
void type(QWidget *widget, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

QString shownResults(const Form1 &window)
{
    return control<QTextEdit>(window, "Text1")->toPlainText();
}

} // namespace

class HostileWindowTest : public QObject
{
    Q_OBJECT

    // Clicks a button of the shown window and returns the one message box it led to, as
    // "title | text"; fails the test if the box was not exactly one or the panel stayed.
    static QString click(Form1 &window, const char *button)
    {
        MessageCatcher catcher;
        control<QPushButton>(window, button)->click();
        if (control(window, "wait")->isVisible())
            return QStringLiteral("the busy panel is still shown");
        if (catcher.seen.size() != 1)
            return QStringLiteral("%1 message boxes").arg(catcher.seen.size());
        return catcher.seen[0].title + QStringLiteral(" | ") + catcher.seen[0].text;
    }

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void files_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("missing") << "missing" << "it does not exist" << "";
        QTest::newRow("folder") << "folder" << "it is a folder, not a file" << "";
        QTest::newRow("FIFO") << "fifo" << "it is not a regular file" << "";
        QTest::newRow("no mark") << "nomark" << "it holds no \"#\" mark" << "";
        QTest::newRow("UTF-16") << "utf16" << "it is written in UTF-16" << "";
        QTest::newRow("Windows-1252") << "windows1252" << "Results ! | 1 Results found !"
                                      << "\n\nthe verse, café\n\n";
        QTest::newRow("NUL and controls") << "controls" << "Results ! | 1 Results found !"
                                          << "\n\nthe \uFFFD\u0001verse\t\n\n";
        QTest::newRow("only empty records") << "emptyrecords" << "Sorry ! | No Results found !" << "";
    }

    void files()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QFETCH(QString, shown);
        TestFiles files;
        const QString path = files.path();
#ifndef Q_OS_UNIX
        if (kind == u"fifo")
            QSKIP("a FIFO needs POSIX facilities: Linux only");
#endif
        if (kind == u"windows1252")
            files.write("#the verse, caf\xE9\r\n#");
        else if (kind == u"controls")
            files.write(QByteArrayLiteral("#the \0\1verse\t\r\n#"));
        else if (kind == u"emptyrecords")
            files.write(QByteArray(1000, '#'));
        else
            QVERIFY(files.makeUnusable(kind));

        Form1 window(path);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const FileState before = FileState::of(path);
        const int descriptors = openDescriptorCount();
        control<QLineEdit>(window, "Text2")->setText(QStringLiteral("VERSE"));
        const QString box = click(window, "Command1");
        if (message.contains(u'|')) {
            QCOMPARE(box, message);
        } else {
            const QString start = verseFileError(path, message).chopped(2);
            QVERIFY2(box.startsWith(start) && box.endsWith(u" !"), qPrintable(box));
        }
        QCOMPARE(shownResults(window), shown);
        QCOMPARE(openDescriptorCount(), descriptors);
        QVERIFY(FileState::of(path) == before);

        // Once the file is put right, the same window searches it.
        QFile::remove(path);
        QDir().rmdir(path);
        files.write("#the good verse\r\n#");
        QCOMPARE(click(window, "Command1"), QStringLiteral("Results ! | 1 Results found !"));
        QCOMPARE(shownResults(window), QStringLiteral("\n\nthe good verse\n\n"));
    }

    // A megabyte pasted into the query box is searched for whole.
    void megabytePastedQuery()
    {
        TestFiles files;
        const QByteArray verse = QByteArray("a long verse ").repeated(80 * 1024);
        const QString path = files.write("#short verse\r\n#" + verse + "#");
        Form1 window(path);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *query = control<QLineEdit>(window, "Text2");

        const QString missing = QString(verse.toUpper()).replace(u'V', u'W');
        putOnClipboard(missing);
        query->paste();
        QCOMPARE(query->text().size(), missing.size());
        QCOMPARE(click(window, "Command1"), QStringLiteral("Sorry ! | No Results found !"));
        QCOMPARE(shownResults(window), QString());

        query->clear();
        putOnClipboard(QString(verse.toUpper()));
        query->paste();
        QCOMPARE(click(window, "Command1"), QStringLiteral("Sorry ! | The result is too long !"));
        QCOMPARE(window.widgetOperations().resultsText(),
                 QStringLiteral("\r\n\r\n") + QString::fromLatin1(verse.left(65535 - 4)) + QStringLiteral("\r\n"));

        // And the window goes on as before.
        query->setText(QStringLiteral("  SHORT "));
        QCOMPARE(click(window, "Command1"), QStringLiteral("Results ! | 1 Results found !"));
    }

    // A verse that is one word of two million letters is shown up to the length stop and
    // wrapped at the box's width, where wrapping at blanks, searching the word's end afresh
    // for every line, froze the window for minutes (the suite's time limit fails that).
    // Ordinary words shown after it wrap at their blanks again.
    void hugeUnbrokenRecord()
    {
        TestFiles files;
        const QByteArray letters(2000000, 'a');
        const QByteArray words = QByteArray("words of a verse ").repeated(40);
        Form1 window(files.write('#' + letters + "#" + words + '#'));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *query = control<QLineEdit>(window, "Text2");
        query->setText(QStringLiteral("a"));
        QCOMPARE(click(window, "Command1"), QStringLiteral("Sorry ! | The result is too long !"));
        const QString record = QString::fromLatin1(letters.left(65535 - 4));
        QCOMPARE(window.widgetOperations().resultsText(), "\r\n\r\n" + record + "\r\n");
        QCOMPARE(shownResults(window), "\n\n" + record + "\n");

        const auto *box = control<QTextEdit>(window, "Text1");
        const QTextDocument *document = box->document();
        const qreal width = document->textWidth() - 2 * document->documentMargin();
        const qreal letter = QFontMetricsF(box->font()).horizontalAdvance(u'a');
        QTextLayout *layout = document->findBlockByNumber(2).layout();
        QVERIFY(layout->lineCount() > 500);
        for (int i = 0; i < layout->lineCount() - 1; i += 101) {
            const qreal used = layout->lineAt(i).naturalTextWidth();
            QVERIFY2(used <= width && used > width - letter, qPrintable(QString::number(i)));
        }

        query->setText(QStringLiteral("WORDS OF"));
        QCOMPARE(click(window, "Command1"), QStringLiteral("Results ! | 1 Results found !"));
        const QTextBlock verse = document->findBlockByNumber(2);
        QCOMPARE(verse.text(), QString::fromLatin1(words));
        layout = verse.layout();
        QVERIFY(layout->lineCount() > 2);
        for (int i = 0; i < layout->lineCount() - 1; ++i) {
            const QTextLine line = layout->lineAt(i);
            QCOMPARE(verse.text().at(line.textStart() + line.textLength() - 1), u' ');
        }
    }

    // Typed into the Surat box as a user would: the box keeps three characters, and what it
    // keeps is either looked up or refused with the message.
    void typedSurat_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<QString>("verse"); // empty: refused
        QTest::newRow("-5") << "-5" << "-5" << "-005.001 minus five";
        QTest::newRow("1.5") << "1.5" << "1.5" << "002.001 two";
        QTest::newRow(" 7") << " 7" << " 7" << "007.001 seven";
        QTest::newRow("+1") << "+1" << "+1" << "001.001 one";
        QTest::newRow("1e2 and more") << "1e2345" << "1e2" << "";
        QTest::newRow("four digits") << "1234" << "123" << "not found";
        QTest::newRow("&H1") << "&H1" << "&H1" << "";
        QTest::newRow("nothing") << "" << "" << "";
        QTest::newRow("letters") << "abcdef" << "abc" << "";
        QTest::newRow("1 2") << "1 2" << "1 2" << "";
        QTest::newRow("Arabic-Indic two") << "٢" << "٢" << "002.001 two";
        QTest::newRow("Bengali seven") << "০০৭" << "০০৭" << "007.001 seven";
        QTest::newRow("Arabic-Indic and ASCII") << "٢2" << "٢2" << "";
    }

    void typedSurat()
    {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QFETCH(QString, verse);
        TestFiles files;
        const QString path = files.write("#-005.001 minus five\r\n#002.001 two\r\n#007.001 seven\r\n"
                                         "#001.001 one\r\n#100.001 hundred\r\n#");
        Form1 window(path);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto *surat = control<QLineEdit>(window, "surat");
        type(surat, typed);
        QCOMPARE(surat->text(), kept);
        type(control<QLineEdit>(window, "ayat"), QStringLiteral("1"));
        const QString box = click(window, "Command3");
        if (verse.isEmpty()) {
            QCOMPARE(box, QStringLiteral("Error ! | Please enter correct Surat and Ayat number !"));
            QCOMPARE(shownResults(window), QString());
        } else if (verse == u"not found") {
            QCOMPARE(box, QStringLiteral("Sorry ! | Ayat not found !"));
            QCOMPARE(shownResults(window), QString());
        } else {
            QCOMPARE(box, QStringLiteral("Found ! | Ayat Found !"));
            QCOMPARE(shownResults(window), "\n\n" + verse + "\n\n");
        }
    }
};

QTEST_MAIN(HostileWindowTest)
#include "hostilewindowtest.moc"
