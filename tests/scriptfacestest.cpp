#include "ControlTable.h"
#include "FontCheck.h"
#include "Form1.h"
#include "ScriptFaces.h"
#include "TestFiles.h"
#include "WidgetOperations.h"
#include "WindowDriving.h"

#include <QFontInfo>
#include <QLineEdit>
#include <QTextEdit>

using namespace lumaril;
using Face = ScriptFaces::Face;

Q_DECLARE_METATYPE(ScriptFaces::Face)

namespace {

const QString english = QStringLiteral("002.255 Allah! There is no god but He, the Living.");
const QString arabic = QStringLiteral("002.255 ٱللَّهُ لَآ إِلَٰهَ إِلَّا هُوَ ٱلۡحَيُّ ٱلۡقَيُّومُۚ");
const QString urdu = QStringLiteral("002.255 اللہ، جس کے سوا کوئی معبود نہیں، زندہ جاوید ہستی");
const QString bengali = QStringLiteral("002.255 আল্লাহ ছাড়া অন্য কোন উপাস্য নেই");
const QString chinese = QStringLiteral("002.255 真主，除他外，绝无应受崇拜的；他是永生不灭的");

// Types the text a key at a time, as with a keyboard of its script.
void type(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
    }
}

} // namespace

// Which face a text is drawn in, and that the window's boxes take it; and the check that every
// verse of every text of the package is drawn whole in it.
class ScriptFacesTest : public QObject
{
    Q_OBJECT

private slots:
    void faceFollowsTheScript_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Face>("face");
        QTest::newRow("English") << english << Face::Window;
        QTest::newRow("Arabic") << arabic << Face::Arabic;
        QTest::newRow("Urdu") << urdu << Face::Urdu;
        QTest::newRow("Bengali") << bengali << Face::Bengali;
        QTest::newRow("Chinese") << chinese << Face::Chinese;
        QTest::newRow("no letters") << QStringLiteral("\r\n\r\n002.255 \r\n") << Face::Window;
        // The Bengali text holds a few stray characters of other scripts.
        QTest::newRow("Bengali, a stray Arabic mark") << QStringLiteral("পরিশ্রۦম করে") << Face::Bengali;
        QTest::newRow("an Urdu letter past the look")
                << QString(ScriptFaces::lookLength, u'\u0627') + u'\u06C1' << Face::Arabic;
    }

    void faceFollowsTheScript()
    {
        QFETCH(QString, text);
        QFETCH(Face, face);
        QCOMPARE(ScriptFaces::faceFor(text), face);
    }

    // Each text as the results box is given it: set anew, then, when there is a second one,
    // extended by it as a search does.
    void resultsBoxTakesTheFace_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("then");
        QTest::addColumn<Face>("face");
        QTest::newRow("English") << english << QString() << Face::Window;
        QTest::newRow("Arabic") << arabic << QString() << Face::Arabic;
        QTest::newRow("English after Arabic") << arabic << english << Face::Window;
        // 2:1 of the Urdu text is three letters that Arabic writes too.
        QTest::newRow("Urdu after letters alone")
                << QStringLiteral("002.001 الم\r\n") << QStringLiteral("002.001 الم\r\n") + urdu
                << Face::Urdu;
        QTest::newRow("Chinese") << chinese << QString() << Face::Chinese;
    }

    void resultsBoxTakesTheFace()
    {
        QFETCH(QString, first);
        QFETCH(QString, then);
        QFETCH(Face, face);
        Form1 window;
        auto *box = control<QTextEdit>(window, "Text1");
        const QFont windowFont = box->font();
        window.widgetOperations().setResultsText(first);
        if (!then.isEmpty())
            window.widgetOperations().setResultsText(then);
        QCOMPARE(box->toPlainText(), WidgetOperations::displayText(then.isEmpty() ? first : then));
        if (face == Face::Window)
            QCOMPARE(box->font(), windowFont);
        else
            QCOMPARE(box->font().families().first(), ScriptFaces::family(face));
    }

    void queryBoxTakesTheFaceAsTheUserTypes()
    {
        Form1 window;
        auto *query = control<QLineEdit>(window, "Text2");
        const QFont windowFont = query->font();
        type(query, QStringLiteral("اللہ"));
        QCOMPARE(query->font().families().first(), ScriptFaces::family(Face::Urdu));
        query->selectAll();
        QTest::keyClicks(query, QStringLiteral("mercy"));
        QCOMPARE(query->font(), windowFont);
    }

    // Would show on the screen as a box, or as a word in pieces, its letters unjoined.
    void checkFindsFaults_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QString>("fault");
        QTest::newRow("a character no font has")
                << QStringLiteral("\r\n001.001 a\u0378b\r\n") << QStringLiteral("U+0378");
        // The Urdu face has no reh with a small v.
        QTest::newRow("a word from two faces")
                << QStringLiteral("001.001 کہ بڒکہ\r\n") << QStringLiteral("the word بڒکہ is drawn in pieces");
    }

    void checkFindsFaults()
    {
        QFETCH(QString, record);
        QFETCH(QString, fault);
        FontCheck check;
        check.addVerse(english);
        check.addVerse(record);
        QCOMPARE(check.verses(), 2);
        QCOMPARE(check.faultyVerses(), 1);
        QCOMPARE(check.faults().size(), 1);
        QVERIFY2(check.faults().first().startsWith(u"001.001: ") && check.faults().first().contains(fault),
                 qPrintable(check.faults().first()));
    }

    void everyVerseIsDrawnWhole_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<Face>("face");
        const QString data = QStringLiteral(LUMARIL_SOURCE_DIR "/data/");
        QTest::newRow("en") << data + QStringLiteral("quran.txt") << Face::Window;
        const std::pair<const char *, Face> texts[] = {
            {"ar", Face::Arabic}, {"bn", Face::Bengali}, {"es", Face::Window}, {"fr", Face::Window},
            {"id", Face::Window}, {"ru", Face::Window}, {"sv", Face::Window}, {"tr", Face::Window},
            {"ur", Face::Urdu}, {"zh", Face::Chinese}};
        for (const auto &[code, face] : texts)
            QTest::newRow(code) << data + QLatin1String(code) + QStringLiteral("/quran.txt") << face;
    }

    void everyVerseIsDrawnWhole()
    {
        QFETCH(QString, path);
        QFETCH(Face, face);
        if (!QFile::exists(path))
            QFAIL(qPrintable(path + QStringLiteral(" is missing: tools/setup makes it")));
        FontCheck check;
        const QString problem = checkVerseFonts(path, check);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QVERIFY2(check.faultyVerses() == 0, qPrintable(check.faults().join(u'\n')));
        QCOMPARE(check.verses(), 6236);
        // Most glyphs come from the text's face, not from a fallback.
        const QString family = face == Face::Window ? QFontInfo(QFont(QStringLiteral("Arial"))).family()
                                                    : ScriptFaces::family(face);
        QCOMPARE(check.families().first(), family);
    }
};

QTEST_MAIN(ScriptFacesTest)
#include "scriptfacestest.moc"
