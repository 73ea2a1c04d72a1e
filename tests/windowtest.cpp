#include "ControlTable.h"
#include "Messages.h"
#include "Form1.h"
#include "PhraseSearch.h"
#include "RepaintSpy.h"
#include "TestFiles.h"
#include "WidgetOperations.h"
#include "WindowDriving.h"

#include <QAction>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

using namespace lumaril;

namespace {

const QByteArray verses = "pre#001.001 In the name of Allah\r\n#001.002 Praise to Allah\r\n"
                          "#001.003 The Merciful\r\n#";

// The window as designed, written down here rather than taken from the program's own control
// and menu tables, so that a wrong figure there fails. Twips, and the pixels they make at 96
// dots per inch; fonts in points; colours as designed.
enum class Kind { Picture, Label, Box, Results, Button, Panel };

struct Designed
{
    const char *name;
    Kind kind;
    const char *container; // nullptr: the client area
    const char *caption;
    QRect twips;
    QRect pixels;
    double points;        // 0: none of its own
    bool bold;
    Qt::Alignment across; // labels: left or centred
    QColor text;          // invalid: the desktop's
    QColor background;    // invalid: transparent or the desktop's
    int tab;              // -1: takes no focus
    const char *toolTip;
    int maxLength;        // 0: none
};

const QColor navy(0x000080);
const QColor violetBlue(0x9188FF);
const QColor mediumBlue(0x8080FF);
constexpr auto L = Qt::AlignLeft;
constexpr auto C = Qt::AlignHCenter;

const Designed designed[] = {
    {"Image1", Kind::Picture, nullptr, "", {3960, 120, 3195, 615}, {264, 8, 213, 41}, 0, false, L, {}, {}, -1, nullptr, 0},
    {"Label2", Kind::Label, nullptr, "Lumaril !", {2760, 840, 6495, 375}, {184, 56, 433, 25}, 14.25, true, C, {}, {}, -1, nullptr, 0},
    {"Label3", Kind::Label, nullptr, "Made By Vessim !", {4560, 1320, 2175, 375}, {304, 88, 145, 25}, 12, true, C, navy, {}, -1, nullptr, 0},
    {"Label1", Kind::Label, nullptr, "Enter Text :", {360, 1920, 1455, 375}, {24, 128, 97, 25}, 12, true, L, {}, {}, -1, nullptr, 0},
    {"Text2", Kind::Box, nullptr, "", {1800, 1800, 3495, 470}, {120, 120, 233, 31}, 11.25, false, L, {}, {}, 0, nullptr, 0},
    {"Command1", Kind::Button, nullptr, "Search !", {5520, 1800, 2055, 495}, {368, 120, 137, 33}, 11.25, true, C, {}, {}, 1, "Search !", 0},
    {"Command2", Kind::Button, nullptr, "Exit", {7920, 1800, 1815, 495}, {528, 120, 121, 33}, 11.25, true, C, {}, {}, 2, "Exit !", 0},
    {"Label5", Kind::Label, nullptr, "Or", {3120, 2280, 375, 375}, {208, 152, 25, 25}, 12, true, L, {}, {}, -1, nullptr, 0},
    {"Label6", Kind::Label, nullptr, "Enter Surat", {1680, 2640, 1335, 375}, {112, 176, 89, 25}, 12, true, L, {}, {}, -1, nullptr, 0},
    {"Label7", Kind::Label, nullptr, "Enter Ayat ", {3720, 2640, 1335, 375}, {248, 176, 89, 25}, 12, true, L, {}, {}, -1, nullptr, 0},
    {"surat", Kind::Box, nullptr, "", {1680, 3000, 1215, 470}, {112, 200, 81, 31}, 11.25, false, L, {}, {}, 3, nullptr, 3},
    {"ayat", Kind::Box, nullptr, "", {3720, 3000, 1215, 470}, {248, 200, 81, 31}, 11.25, false, L, {}, {}, 4, nullptr, 3},
    {"Command3", Kind::Button, nullptr, "Show", {5520, 2980, 2055, 495}, {368, 199, 137, 33}, 11.25, true, C, {}, {}, 5, "Show", 0},
    {"Command4", Kind::Button, nullptr, "About", {7920, 2980, 1815, 495}, {528, 199, 121, 33}, 11.25, true, C, {}, {}, 6, "About This software !", 0},
    {"Label4", Kind::Label, nullptr, "Results :", {480, 3480, 2175, 375}, {32, 232, 145, 25}, 12, true, L, {}, {}, -1, nullptr, 0},
    {"Text1", Kind::Results, nullptr, "", {480, 3840, 10335, 4215}, {32, 256, 689, 281}, 11.25, false, L, {}, violetBlue, 7, nullptr, 0},
    {"wait", Kind::Panel, nullptr, "", {4080, 5040, 3135, 1215}, {272, 336, 209, 81}, 0, false, L, {}, mediumBlue, -1, nullptr, 0},
    {"Label8", Kind::Label, "wait", "Searching ...... Please Wait !", {240, 360, 2655, 615}, {16, 24, 177, 41}, 12, true, C, {}, {}, -1, nullptr, 0},
};

// Menu titles and items in menu-bar order, each as name=caption; items follow their title.
const QStringList designedMenus = {
    "file=File", "text=Search a Text", "search=Search Ayat !", "exit=Exit",
    "about=About", "software=About this software !", "email=My Email ID ", "website=My Website !",
};

const Designed &design(const char *name)
{
    for (const Designed &d : designed) {
        if (qstrcmp(d.name, name) == 0)
            return d;
    }
    qFatal("no control %s in the design", name);
}

QAction *item(const QWidget &window, const char *name)
{
    return control<QAction>(window, name);
}

// The colour on screen at a point of the window's client area, read back from what was
// actually flushed to the window, not from a fresh rendering.
QColor shownColour(Form1 &window, QPoint clientPoint)
{
    const QPoint p = window.centralWidget()->mapTo(&window, clientPoint);
    const QImage shot = window.screen()->grabWindow(window.winId()).toImage();
    return shot.pixelColor(p * shot.devicePixelRatio());
}

// Whether anything but the background colour shows in a rectangle of the client area.
bool showsText(Form1 &window, QRect clientRect, QColor background)
{
    const QImage shot = window.screen()->grabWindow(window.winId()).toImage();
    const QRect r(window.centralWidget()->mapTo(&window, clientRect.topLeft()), clientRect.size());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            if (shot.pixelColor(QPoint(x, y) * shot.devicePixelRatio()) != background)
                return true;
        }
    }
    return false;
}

// What a command leaves for the user to see: the messages it showed, the results text, the
// state of "Search Ayat !", whether the window is still open, and whether it ended the
// program. The command runs inside the application's event loop, as it does in the program,
// so that ending the program ends that loop and nothing else.
struct Outcome
{
    QStringList messages;
    QString results;
    bool matchFlag = false;
    bool windowOpen = false;
    bool ended = false;

    bool operator==(const Outcome &) const = default;
};

QDebug operator<<(QDebug out, const Outcome &o)
{
    return out << o.messages << o.results << "match" << o.matchFlag << "open" << o.windowOpen
               << "ended" << o.ended;
}

char *toString(const Outcome &o)
{
    QString text;
    QDebug(&text) << o;
    return qstrdup(text.toUtf8().constData());
}

Outcome outcomeOf(Form1 &window, const std::function<void()> &command)
{
    MessageCatcher catcher;
    QTimer start;
    QTimer finish;
    QTimer guard;
    for (QTimer *timer : {&start, &finish, &guard})
        timer->setSingleShot(true);
    QObject::connect(&start, &QTimer::timeout, [&] {
        command();
        finish.start(0);
    });
    QObject::connect(&finish, &QTimer::timeout, [] { QCoreApplication::exit(2); });
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(3); });
    start.start(0);
    guard.start(20000);
    const int code = QApplication::exec();
    Outcome o;
    for (const auto &box : catcher.seen)
        o.messages << box.title + " | " + box.text;
    o.results = window.widgetOperations().resultsText();
    o.matchFlag = window.widgetOperations().matchFlag();
    o.windowOpen = window.isVisible();
    o.ended = code == 0;
    return o;
}

} // namespace

class WindowTest : public QObject
{
    Q_OBJECT

    TestFiles m_files;
    QString m_path;

private slots:
    void initTestCase()
    {
        m_path = m_files.write(verses);
        // Each test closes its own window; the application must outlive them all.
        QApplication::setQuitOnLastWindowClosed(false);
    }

    // Every control as designed: place, size, container, caption, font, colours, focus, tool
    // tip and limit; nothing on the window that the design has not got.
    void layoutIsTheDesigned()
    {
        Form1 window(m_path);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.windowTitle(), "Lumaril !" + QString(56, u' ') + "Made by Vessim.");
        QCOMPARE(window.centralWidget()->size(), QSize(800, 600));
        QCOMPARE(window.minimumSize(), window.maximumSize());
        // So the frame offers no maximise button, which would do nothing.
        QCOMPARE(window.windowFlags() & Qt::WindowMinMaxButtonsHint, Qt::WindowMinimizeButtonHint);
        QCOMPARE(window.centralWidget()->palette().color(QPalette::Window), QColor(0xC0C0FF));
        const QPalette desktop = QApplication::palette();

        QStringList built;
        for (const QWidget *container : {window.centralWidget(), control(window, "wait")}) {
            for (const QWidget *w : container->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
                built << w->objectName();
        }
        QStringList names;
        for (const Designed &d : designed)
            names << QString::fromLatin1(d.name);
        built.sort();
        names.sort();
        QCOMPARE(built, names);

        for (const Designed &d : designed) {
            const QWidget *w = control(window, d.name);
            QCOMPARE(w->geometry(), d.pixels);
            QCOMPARE(w->parentWidget()->objectName(),
                     QString::fromLatin1(d.container ? d.container : "client"));
            if (d.points > 0) {
                const QFontInfo font(w->font());
                QCOMPARE(w->font().pointSizeF(), d.points);
                QCOMPARE(font.pixelSize(), qRound(d.points * 96 / 72));
                QCOMPARE(font.weight(), d.bold ? QFont::Bold : QFont::Normal);
#ifdef Q_OS_WIN
                QCOMPARE(font.family(), QStringLiteral("Arial"));
#else
                QCOMPARE(font.family(), QStringLiteral("Liberation Sans"));
#endif
                QVERIFY(!font.italic() && !w->font().underline() && !w->font().strikeOut());
            }
            const QString caption = QString::fromLatin1(d.caption);
            switch (d.kind) {
            case Kind::Picture:
                QCOMPARE(qobject_cast<const QLabel *>(w)->pixmap().size(), d.pixels.size());
                break;
            case Kind::Label: {
                auto *label = qobject_cast<const QLabel *>(w);
                QVERIFY(label);
                QCOMPARE(label->text(), caption);
                QCOMPARE(label->alignment() & Qt::AlignHorizontal_Mask, d.across);
                QCOMPARE(label->alignment() & Qt::AlignVertical_Mask, Qt::AlignTop);
                QVERIFY(label->wordWrap());
                QVERIFY(!label->autoFillBackground());
                QCOMPARE(label->palette().color(QPalette::WindowText).name(),
                         (d.text.isValid() ? d.text : desktop.color(QPalette::WindowText)).name());
                break;
            }
            case Kind::Button: {
                auto *button = qobject_cast<const QPushButton *>(w);
                QVERIFY(button);
                QCOMPARE(button->text(), caption);
                QVERIFY(!button->isDefault() && !button->autoDefault());
                break;
            }
            case Kind::Box: {
                auto *edit = qobject_cast<const QLineEdit *>(w);
                QVERIFY(edit);
                break;
            }
            case Kind::Results:
                QCOMPARE(w->palette().color(QPalette::Base).name(), d.background.name());
                break;
            case Kind::Panel:
                QVERIFY(qobject_cast<const QFrame *>(w));
                QCOMPARE(w->palette().color(QPalette::Window).name(), d.background.name());
                QVERIFY(w->autoFillBackground());
                QVERIFY(!w->isVisible());
                break;
            }
            QCOMPARE(w->toolTip(), QString::fromLatin1(d.toolTip ? d.toolTip : ""));
            QCOMPARE(w->focusPolicy() != Qt::NoFocus, d.tab >= 0);
        }
        // The window's icon is the program icon, all three of its images. (On Windows the
        // window class carries it, read back from the program file by tools/test-windows.)
#ifndef Q_OS_WIN
        const QList<QSize> iconSizes = window.windowIcon().availableSizes();
        QVERIFY2(iconSizes.contains(QSize(32, 32)) && iconSizes.contains(QSize(16, 16)),
                 "the window has not got the program icon");
#endif
        // The results box wraps lines and scrolls only up and down.
        const auto *results = control<QTextEdit>(window, "Text1");
        QCOMPARE(results->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(results->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(results->lineWrapMode(), QTextEdit::WidgetWidth);
        // The busy panel lies above the results box; the labels beneath the boxes they touch.
        const QObjectList stack = window.centralWidget()->children();
        QVERIFY(stack.indexOf(control(window, "wait")) > stack.indexOf(control(window, "Text1")));
        for (const char *label : {"Label1", "Label4", "Label6", "Label7"}) {
            for (const char *box : {"Text2", "Text1", "surat", "ayat"})
                QVERIFY(stack.indexOf(control(window, label)) < stack.indexOf(control(window, box)));
        }
    }

    // The program's control table holds the design's figures to the twip: a figure that is
    // off by less than a pixel shows only on displays of other densities.
    void controlTableIsTheDesign()
    {
        qsizetype rows = 0;
        for (const ControlRow &row : controlTable()) {
            const Designed &d = design(row.name);
            ++rows;
            QCOMPARE(QRect(row.left, row.top, row.width, row.height), d.twips);
            QCOMPARE(QString::fromLatin1(row.container ? row.container : ""),
                     QString::fromLatin1(d.container ? d.container : ""));
            QCOMPARE(QString::fromLatin1(row.caption), QString::fromLatin1(d.caption));
            QCOMPARE(row.pointSize, d.points);
            QCOMPARE(row.tabIndex >= 0 ? row.tabIndex : -1, d.tab);
            QCOMPARE(row.maxLength, d.maxLength);
            QCOMPARE(row.text.isValid() ? row.text.name() : QString(),
                     d.text.isValid() ? d.text.name() : QString());
            QCOMPARE(row.background.isValid() ? row.background.name() : QString(),
                     d.background.isValid() ? d.background.name() : QString());
            // The design's pixels are its twips at 15 to the pixel, rounded.
            QCOMPARE(QRect(twipsToPixels(row.left), twipsToPixels(row.top), twipsToPixels(row.width),
                           twipsToPixels(row.height)),
                     d.pixels);
        }
        QCOMPARE(rows, qsizetype(std::size(designed)));
        QCOMPARE(clientWidthTwips, 12000);
        QCOMPARE(clientHeightTwips, 9000);
        QStringList menus;
        for (const MenuRow &row : menuTable())
            menus << QString::fromLatin1(row.name) + "=" + QString::fromLatin1(row.caption);
        QCOMPARE(menus, designedMenus);
    }

    void menusAreTheDesigned()
    {
        Form1 window(m_path);
        QStringList built;
        for (QAction *title : window.menuBar()->actions()) {
            built << title->objectName() + "=" + title->text();
            for (QAction *a : title->menu()->actions()) {
                QVERIFY(!a->isSeparator());
                QVERIFY(a->shortcut().isEmpty());
                QVERIFY(a->isEnabled() && a->isVisible() && !a->isChecked());
                built << a->objectName() + "=" + a->text();
            }
        }
        QCOMPARE(built, designedMenus);
        QVERIFY(!built.join(QString()).contains(u'&'));
    }

    void startState()
    {
        Form1 window(m_path);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QVERIFY(!control(window, "wait")->isVisible());
        for (const char *box : {"Text2", "surat", "ayat"})
            QVERIFY(control<QLineEdit>(window, box)->text().isEmpty());
        QVERIFY(control<QTextEdit>(window, "Text1")->toPlainText().isEmpty());
        QCOMPARE(QApplication::focusWidget(), control(window, "Text2"));
        QVERIFY(item(window, "search")->isEnabled());

        // Tab walks the controls in the designed order and comes back round.
        QStringList order;
        QWidget *w = control(window, "Text2");
        for (int i = 0; i < 8; ++i) {
            order << w->objectName();
            w = w->nextInFocusChain();
            while (w->focusPolicy() == Qt::NoFocus || !w->isVisible() || w->parentWidget() == nullptr
                   || w->objectName().startsWith(u"qt_"))
                w = w->nextInFocusChain();
        }
        QCOMPARE(order, (QStringList{"Text2", "Command1", "Command2", "surat", "ayat", "Command3",
                                     "Command4", "Text1"}));
    }

    // Each menu item does exactly what its button does.
    void menuItemsDoWhatButtonsDo_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("menuItem");
        QTest::newRow("search") << "Command1" << "text";
        QTest::newRow("show") << "Command3" << "search";
        QTest::newRow("exit") << "Command2" << "exit";
        QTest::newRow("about") << "Command4" << "software";
    }

    void menuItemsDoWhatButtonsDo()
    {
        QFETCH(QString, button);
        QFETCH(QString, menuItem);
        const auto outcome = [&](const std::function<void(Form1 &)> &choose) {
            Form1 window(m_path);
            window.show();
            control<QLineEdit>(window, "surat")->setText("1");
            control<QLineEdit>(window, "ayat")->setText("2");
            return outcomeOf(window, [&] { choose(window); });
        };
        const Outcome byButton = outcome([&](Form1 &w) { control<QPushButton>(w, button.toLatin1())->click(); });
        const Outcome byItem = outcome([&](Form1 &w) { item(w, menuItem.toLatin1())->trigger(); });
        QVERIFY(!byButton.messages.isEmpty());
        QCOMPARE(byItem, byButton);
        if (menuItem == u"text")
            QCOMPARE(byButton.messages, QStringList{"Error ! | Please enter some text !"});
        if (menuItem == u"exit")
            QVERIFY(byButton.ended && !byButton.windowOpen);
    }

    void otherMenuItems()
    {
        Form1 window(m_path);
        window.show();
        const Outcome shown = outcomeOf(window, [&] {
            item(window, "email")->trigger();
            item(window, "website")->trigger();
            item(window, "file")->trigger();
            item(window, "about")->trigger();
        });
        QCOMPARE(shown.messages.size(), 2);
        QVERIFY(shown.messages[0].startsWith("My Email ID ! | "));
        QVERIFY(shown.messages[1].startsWith("My Website ! | "));
        QVERIFY(shown.windowOpen && !shown.ended);
    }

    // After a search whose last record did not match, "Search Ayat !" is greyed and cannot be
    // chosen, while "Show" still runs the lookup, which enables it again.
    void matchFlagGreysSearchAyat()
    {
        Form1 window(m_path);
        window.show();
        control<QLineEdit>(window, "Text2")->setText("allah");
        Outcome o = outcomeOf(window, [&] { control<QPushButton>(window, "Command1")->click(); });
        QCOMPARE(o.messages, QStringList{"Results ! | 2 Results found !"});
        QVERIFY(!item(window, "search")->isEnabled());

        control<QLineEdit>(window, "surat")->setText("1");
        control<QLineEdit>(window, "ayat")->setText("3");
        o = outcomeOf(window, [&] { item(window, "search")->trigger(); });
        QCOMPARE(o.messages, QStringList{});
        o = outcomeOf(window, [&] { control<QPushButton>(window, "Command3")->click(); });
        QCOMPARE(o.messages, QStringList{"Found ! | Ayat Found !"});
        QVERIFY(item(window, "search")->isEnabled());
    }

    void keysStartNothing()
    {
        Form1 window(m_path);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto *query = control<QLineEdit>(window, "Text2");
        const Outcome o = outcomeOf(window, [&] {
            QTest::keyClicks(query, "mercy");
            QTest::keyClick(query, Qt::Key_Return);
            QTest::keyClick(query, Qt::Key_Escape);
        });
        QCOMPARE(o.messages, QStringList{});
        QCOMPARE(o.results, QString());
        QVERIFY(o.windowOpen && !o.ended);
        QCOMPARE(query->text(), QStringLiteral("mercy"));
    }

    // The Surat and Ayat boxes refuse a fourth character, typed or pasted; the query box
    // takes any length; the results box takes no typing at all.
    void inputLimits()
    {
        Form1 window(m_path);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        for (const char *name : {"surat", "ayat"}) {
            auto *box = control<QLineEdit>(window, name);
            QTest::keyClicks(box, "1234");
            QCOMPARE(box->text(), QStringLiteral("123"));
            box->clear();
            putOnClipboard(QStringLiteral("98765"));
            box->paste();
            QCOMPARE(box->text(), QStringLiteral("987"));
            // Three characters as the user sees them: counted in UTF-16 units, the box kept
            // one emoji and half of the next.
            box->clear();
            putOnClipboard(QStringLiteral("😀😀😀😀 1\u0301🇺🇸"));
            box->paste();
            QCOMPARE(box->text(), QStringLiteral("😀😀😀"));
            box->setFocus();
            box->setText(QStringLiteral("🇺🇸1\u0301"));
            for (int i = 0; i < 2; ++i) {
                QInputMethodEvent typed; // how an emoji is typed
                typed.setCommitString(QStringLiteral("😀"));
                QApplication::sendEvent(box, &typed);
            }
            QCOMPARE(box->text(), QStringLiteral("🇺🇸1\u0301😀"));
        }
        auto *query = control<QLineEdit>(window, "Text2");
        const QString pasted(100000, u'x');
        putOnClipboard(pasted);
        query->paste();
        QCOMPARE(query->text(), pasted);

        auto *results = control<QTextEdit>(window, "Text1");
        window.widgetOperations().setResultsText("\r\n\r\nverse one\r\n");
        results->setFocus();
        QTest::keyClicks(results->viewport(), "typed");
        QTest::keyClick(results->viewport(), Qt::Key_Backspace);
        QCOMPARE(results->toPlainText(), QStringLiteral("\n\nverse one\n"));
        results->selectAll();
        putOnClipboard(QStringLiteral("\n\nverse one\n"), [&] { results->copy(); });
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("\n\nverse one\n"));
    }

    // Return or Enter on the focused button presses it, as Space does; in a box it does
    // nothing, and Esc closes nothing: the window has no default or cancel button.
    void enterPressesTheFocusedButton_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("Return on Search !") << "Command1" << int(Qt::Key_Return) << QStringList{"Error !"};
        QTest::newRow("Enter on About") << "Command4" << int(Qt::Key_Enter) << QStringList{"About !"};
        QTest::newRow("Return on Show") << "Command3" << int(Qt::Key_Return) << QStringList{"Error !"};
        QTest::newRow("Return on Exit") << "Command2" << int(Qt::Key_Return) << QStringList{"Thanks !"};
        QTest::newRow("Return in the query box") << "Text2" << int(Qt::Key_Return) << QStringList{};
        QTest::newRow("Enter in the Ayat box") << "ayat" << int(Qt::Key_Enter) << QStringList{};
        QTest::newRow("Return in the results") << "Text1" << int(Qt::Key_Return) << QStringList{};
        QTest::newRow("Esc on a button") << "Command4" << int(Qt::Key_Escape) << QStringList{};
    }

    void enterPressesTheFocusedButton()
    {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(QStringList, titles);
        Form1 window(m_path);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QWidget *target = control(window, focus.toLatin1());
        target->setFocus();
        QCOMPARE(QApplication::focusWidget(), target);
        MessageCatcher catcher;
        int exitCode = -1;
        if (focus == u"Command2") {
            // Exit ends the program: it has to run inside the application's event loop. The
            // guard lives only as long as this test: left running, it would end the event
            // loops of the tests after it.
            QTimer guard;
            guard.setSingleShot(true);
            QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
            guard.start(5000);
            QTimer::singleShot(0, target, [&] { QTest::keyClick(target, Qt::Key(key)); });
            exitCode = QApplication::exec();
        } else {
            QTest::keyClick(target, Qt::Key(key));
        }
        QStringList seen;
        for (const auto &box : catcher.seen)
            seen << box.title;
        QCOMPARE(seen, titles);
        QCOMPARE(window.isVisible(), focus != u"Command2");
        if (focus == u"Command2")
            QCOMPARE(exitCode, 0);
        // A key held down does not press the button again and again.
        if (!titles.isEmpty() && focus != u"Command2") {
            QKeyEvent held(QEvent::KeyPress, key, Qt::NoModifier, QString(), true);
            QApplication::sendEvent(target, &held);
            QCOMPARE(catcher.seen.size(), titles.size());
        }
    }

    // F10 and a lone Alt put the keyboard on the menu bar, with "File" drawn highlighted;
    // the arrows move along it, Return opens a menu, Esc leaves and gives the focus back.
    void keyboardReachesTheMenuBar_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("F10") << int(Qt::Key_F10);
        QTest::newRow("lone Alt") << int(Qt::Key_Alt);
    }

    void keyboardReachesTheMenuBar()
    {
        QFETCH(int, key);
        Form1 window(m_path);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QMenuBar *bar = window.menuBar();
        QWidget *query = control(window, "Text2");
        QCOMPARE(QApplication::focusWidget(), query);
        const QRect fileTitle = bar->actionGeometry(item(window, "file"));
        const QImage before = bar->grab(fileTitle).toImage();

        if (key == Qt::Key_Alt) {
            QTest::keyPress(query, Qt::Key_Alt, Qt::AltModifier);
            QTest::keyRelease(query, Qt::Key_Alt);
        } else {
            QTest::keyClick(query, Qt::Key_F10);
        }
        QCOMPARE(QApplication::focusWidget(), bar);
        QCOMPARE(bar->activeAction(), item(window, "file"));
        QVERIFY2(bar->grab(fileTitle).toImage() != before, "\"File\" is not drawn highlighted");
        QTest::keyClick(bar, Qt::Key_Right);
        QCOMPARE(bar->activeAction(), item(window, "about"));
        QTest::keyClick(bar, Qt::Key_Left);
        QCOMPARE(bar->activeAction(), item(window, "file"));
        QTest::keyClick(bar, Qt::Key_Return);
        QMenu *menu = item(window, "file")->menu();
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(menu->activeAction(), item(window, "text"));
        QTest::keyClick(menu, Qt::Key_Escape);
        QTRY_VERIFY(!menu->isVisible());
        QTest::keyClick(bar, Qt::Key_Escape);
        QCOMPARE(bar->activeAction(), nullptr);
        QCOMPARE(QApplication::focusWidget(), query);
        QVERIFY(bar->grab(fileTitle).toImage() == before);
        // Pressed again, the key gives the keyboard back too.
        if (key == Qt::Key_F10) {
            QTest::keyClick(query, Qt::Key_F10);
            QCOMPARE(QApplication::focusWidget(), bar);
            QTest::keyClick(bar, Qt::Key_F10);
            QCOMPARE(QApplication::focusWidget(), query);
        }
    }

    // A single-line box keeps what is put into it up to the first line break, however it
    // comes in; what stood after the cursor stays. Before, the break was kept and shown as a
    // blank, so "mercy" and a line break searched for a text no verse holds.
    void lineBreaksNeverEnterABox_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("put");
        QTest::addColumn<QString>("after");
        QTest::newRow("Ctrl+V, CR LF") << "Text2" << "" << 0 << "keys" << "mercy\r\n" << "mercy";
        QTest::newRow("menu paste, LF") << "surat" << "" << 0 << "menu" << " 2\n" << " 2";
        QTest::newRow("three lines") << "surat" << "" << 0 << "keys" << "7\n8\n9" << "7";
        QTest::newRow("limit and break") << "ayat" << "" << 0 << "menu" << "12345\n6" << "123";
        QTest::newRow("break first") << "ayat" << "12" << 2 << "keys" << "\r\n3" << "12";
        QTest::newRow("into the middle") << "Text2" << "sayanything" << 3 << "keys" << " mercy\nx "
                                         << "say mercyanything";
        QTest::newRow("middle click") << "Text2" << "" << 0 << "middle" << "mercy\nmore" << "mercy";
        QTest::newRow("input method") << "surat" << "" << 0 << "input method" << "1\n2" << "1";
        QTest::newRow("paragraph separator") << "Text2" << "" << 0 << "keys"
                                             << QStringLiteral("mercy\u2029more") << "mercy";
        QTest::newRow("set by the program") << "Text2" << "" << 0 << "set" << "a\nb" << "a";
        QTest::newRow("no break, tab kept") << "Text2" << "" << 0 << "keys" << "a\tb" << "a\tb";
    }

    void lineBreaksNeverEnterABox()
    {
        QFETCH(QString, box);
        QFETCH(QString, before);
        QFETCH(int, cursor);
        QFETCH(QString, how);
        QFETCH(QString, put);
        QFETCH(QString, after);
        Form1 window(m_path);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto *edit = control<QLineEdit>(window, box.toLatin1());
        edit->setFocus();
        edit->setText(before);
        edit->setCursorPosition(cursor);
        if (how == u"keys") {
            putOnClipboard(put);
            QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        } else if (how == u"menu") {
            // What the box's context menu item "Paste" runs.
            putOnClipboard(put);
            edit->paste();
        } else if (how == u"middle") {
            if (!QApplication::clipboard()->supportsSelection())
                QSKIP("this platform has no selection to paste with the middle button");
            QApplication::clipboard()->setText(put, QClipboard::Selection);
            QTest::mouseClick(edit, Qt::MiddleButton, {}, QPoint(5, edit->height() / 2));
        } else if (how == u"input method") {
            QInputMethodEvent commit;
            commit.setCommitString(put);
            QApplication::sendEvent(edit, &commit);
        } else {
            edit->setText(put);
        }
        QCOMPARE(edit->text(), after);
        QCOMPARE(edit->displayText(), after);
    }

    // The searches get what the boxes show.
    void pastedLineBreakSearches()
    {
        Form1 window(m_path);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        MessageCatcher catcher;
        const auto pasteInto = [&](const char *name, const QString &text) {
            auto *edit = control<QLineEdit>(window, name);
            edit->setFocus();
            putOnClipboard(text);
            QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        };
        pasteInto("Text2", "allah\r\n");
        control<QPushButton>(window, "Command1")->click();
        pasteInto("surat", " 1\n");
        pasteInto("ayat", "2\r\n");
        control<QPushButton>(window, "Command3")->click();
        QCOMPARE(catcher.seen.size(), 2);
        QCOMPARE(catcher.seen[0].text, QStringLiteral("2 Results found !"));
        QCOMPARE(catcher.seen[1].text, QStringLiteral("Ayat Found !"));
    }

    // The panel is on the screen while a search that lasts holds the thread, over the middle
    // of the results box; when the search ends, before its message, the screen shows the panel
    // gone and the results in its place, although repaints during the search are paced. The
    // search is slowed as a slow disk would slow it.
    void busyPanelIsPaintedDuringSearch()
    {
        if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR"))
            QSKIP("the offscreen platform's screen grab is not scaled; checked at scale 1");
        TestFiles files;
        QByteArray slow = "#";
        while (slow.size() < 400 * 1024)
            slow += "verse " + QByteArray(200, 'x') + "\r\n#";
        slow += "001.001 In the name of Allah\r\n#";
        Form1 window(files.write(slow));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QColor panel(0x8080FF);
        const QColor results(0x9188FF);
        const QPoint insidePanel(272 + 6, 336 + 6);
        QCOMPARE(shownColour(window, insidePanel), results);

        RepaintSpy spy(window.widgetOperations());
        QList<QColor> during;
        spy.betweenReads = [&] {
            QTest::qSleep(40);
            during << shownColour(window, insidePanel);
        };
        control<QLineEdit>(window, "Text2")->setText("allah");
        Command1_Click(spy, files.path());
        QCOMPARE(spy.messages, QStringList{"Results ! | 1 Results found !"});
        QVERIFY2(during.size() > 3, "the search ended too soon to be seen");
        QCOMPARE(during.last(), panel);
        QCOMPARE(shownColour(window, insidePanel), results);
        QVERIFY(showsText(window, QRect(40, 262, 220, 60), results));
    }

    // Commands never nest: one asked for while a search runs (pressed through the
    // accessibility interface, which reaches a button whatever the window is doing; the AT-SPI
    // check presses them during a message) runs after it, in turn, with one message box at a
    // time; a close request during the search closes the window after the search's message,
    // with the farewell, and drops what was asked after it. Before, the second command ran
    // inside the first one's message box, and the close request was lost.
    void commandsWaitTheirTurn_data()
    {
        QTest::addColumn<QStringList>("asked");
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("About, then Show") << QStringList{"Command4", "Command3"}
                                          << QStringList{"Results !", "About !", "Error !"};
        QTest::newRow("close, then a command") << QStringList{"close", "Command4"}
                                               << QStringList{"Results !", "Thanks !"};
    }

    void commandsWaitTheirTurn()
    {
        QFETCH(QStringList, asked);
        QFETCH(QStringList, titles);
        Form1 window(m_path);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const auto ask = [&] {
            for (const QString &what : asked) {
                if (what == u"close")
                    window.close();
                else
                    control<QPushButton>(window, what.toLatin1())->click();
            }
        };
        MessageCatcher catcher;
        int mostBoxes = 0;
        catcher.inspect = [&](QMessageBox &) {
            int boxes = 0;
            for (QWidget *top : QApplication::topLevelWidgets())
                boxes += qobject_cast<QMessageBox *>(top) && top->isVisible();
            mostBoxes = std::max(mostBoxes, boxes);
        };
        // Asked from within the search, at the first moment it lets the window system in.
        QTimer::singleShot(0, &window, ask);
        control<QLineEdit>(window, "Text2")->setText("allah");
        control<QPushButton>(window, "Command1")->click();
        QStringList seen;
        for (const auto &box : std::as_const(catcher.seen))
            seen << box.title;
        QCOMPARE(seen, titles);
        QCOMPARE(mostBoxes, 1);
        QCOMPARE(window.isVisible(), !asked.contains("close"));
    }

    // The busy panel is outlined as the desktop outlines a group of controls: an etched line
    // in two shades of the desktop's own, not a flat black line.
    void busyPanelHasAnEtchedOutline()
    {
        Form1 window(m_path);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.widgetOperations().showBusyPanel();
        QWidget *panel = control(window, "wait");
        const QImage drawn = panel->grab().toImage();
        const qreal ratio = drawn.devicePixelRatio();
        const auto at = [&](int x, int y) { return QColor(drawn.pixel(QPoint(x, y) * ratio)).name(); };
        const int w = panel->width();
        const int h = panel->height();
        const QString inside = QColor(0x8080FF).name();
        QCOMPARE(at(w / 2, h - 4), inside);
        const QString dark = panel->palette().color(QPalette::Dark).name();
        const QString light = panel->palette().color(QPalette::Light).name();
        QVERIFY(dark != QColor(Qt::black).name() && light != inside && dark != light);
        // Left and top: the dark shade outside the light one; right and bottom the other way.
        QCOMPARE(at(0, h / 2), dark);
        QCOMPARE(at(1, h / 2), light);
        QCOMPARE(at(w / 2, 0), dark);
        QCOMPARE(at(w / 2, 1), light);
        QCOMPARE(at(w - 2, h / 2), dark);
        QCOMPARE(at(w - 1, h / 2), light);
        QCOMPARE(at(w / 2, h - 1), light);
    }

    // What the box holds after a real search, and the real message box that ends it.
    void searchThroughTheRealWindow()
    {
        Form1 window(m_path);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        MessageCatcher catcher;
        control<QLineEdit>(window, "Text2")->setText("  ALLAH ");
        control<QPushButton>(window, "Command1")->click();

        const QString expected = "\r\n\r\n001.001 In the name of Allah\r\n"
                                 "\r\n\r\n001.002 Praise to Allah\r\n\r\n";
        QCOMPARE(window.widgetOperations().resultsText(), expected);
        QCOMPARE(window.widgetOperations().resultsTextLength(), expected.size());
        QCOMPARE(control<QTextEdit>(window, "Text1")->toPlainText(),
                 WidgetOperations::displayText(expected));
        QCOMPARE(catcher.seen.size(), 1);
        const auto &box = catcher.seen.first();
        QCOMPARE(box.icon, QMessageBox::Information);
        QCOMPARE(box.title, QStringLiteral("Results !"));
        QCOMPARE(box.text, QStringLiteral("2 Results found !"));
        QCOMPARE(box.buttons, QStringList{"OK"});
        QVERIFY(box.modal);
        QVERIFY(!control(window, "wait")->isVisible());
    }

    // Appending only the new part shows exactly what setting the whole text would.
    void appendingShowsTheSameAsReplacing()
    {
        Form1 window(m_path);
        WidgetOperations &ops = window.widgetOperations();
        const auto *box = control<QTextEdit>(window, "Text1");
        QString text;
        for (const QString piece : {"\r\n\r\na\r\n", "\r\n\r\nb\r", "\n\r\n\r\nc\r\n"}) {
            text.chop(text.endsWith("\r\n") ? 2 : 0);
            text += piece;
            ops.setResultsText(text);
            QCOMPARE(ops.resultsText(), text);
            QCOMPARE(box->toPlainText(), WidgetOperations::displayText(text));
        }
        ops.setResultsText(QString());
        QCOMPARE(box->toPlainText(), QString());
        QCOMPARE(ops.resultsTextLength(), 0);
    }

    void aboutThroughTheRealWindow()
    {
        Form1 window(m_path);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        MessageCatcher catcher;
        control<QPushButton>(window, "Command4")->click();
        QCOMPARE(catcher.seen.size(), 1);
        QCOMPARE(catcher.seen[0].title, QStringLiteral("About !"));
        QCOMPARE(catcher.seen[0].icon, QMessageBox::Information);
        // Shown on three lines.
        QCOMPARE(catcher.seen[0].text.count(u'\n'), 2);
        QVERIFY(catcher.seen[0].text.endsWith(QStringLiteral("\nMade by Vessim Orlek !")));
    }

    // A message box shows its title whole beside the title bar's buttons, and each line of its
    // prompt on one line unless the line is wider than two thirds of the screen; then it wraps,
    // a path anywhere, all within the box (run also on 800x600, 1280x1024 and 1920x1080). Qt's own
    // sizing left "Fo... !" of "Found !" and wrapped lines at half the screen. However wide,
    // the box stands where Qt puts any message box, centred over the window: widened after
    // Qt had placed it, a short box hung 42 pixels to the right.
    void messageBoxesShowWhatTheySay_data()
    {
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<QString>("title");
        const int screen = QGuiApplication::primaryScreen()->availableGeometry().width();
        const QFontMetrics metrics(QApplication::font("QMessageBoxLabel"));
        const auto lineOf = [&](double share) {
            QString line = QStringLiteral("mercy");
            while (metrics.horizontalAdvance(line + QStringLiteral(" mercy")) < share * screen)
                line += QStringLiteral(" mercy");
            return line;
        };
        QTest::newRow("Found !") << "Ayat Found !" << "Found !";
        QTest::newRow("Error !") << "Please enter some text !" << "Error !";
        QTest::newRow("About !") << aboutPrompt() << "About !";
        QTest::newRow("three fifths of the screen") << lineOf(0.6) << "Sorry !";
        QTest::newRow("two lines, one long") << "a\r\n" + lineOf(0.62) << "Results !";
        QTest::newRow("wider than the screen") << lineOf(1.5) << "Sorry !";
        QTest::newRow("long title") << "!" << "A title much longer than what it says !";
        QTest::newRow("a path of 300 characters")
                << "The verse file /home/" + QString(283, u'x') + "/quran.txt cannot be read !\r\nStart lumaril in the folder that holds quran.txt !"
                << "Error !";
    }

    void messageBoxesShowWhatTheySay()
    {
        QFETCH(QString, prompt);
        QFETCH(QString, title);
        Form1 window(m_path);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        MessageCatcher catcher;
        const int screen = window.screen()->availableGeometry().width();
        QSize size;
        QSize frame;
        QPoint centre;
        int shownLines = 0;
        int shortLines = 0;
        int longLines = 0;
        // The window manager (and Wine's part in it) may still move a box just shown.
        const auto settled = [](QMessageBox &box) {
            QTest::qWait(150);
            return box.geometry().center();
        };
        catcher.inspect = [&](QMessageBox &box) {
            centre = settled(box);
            size = box.size();
            frame = box.frameGeometry().size();
            const auto *label = box.findChild<QLabel *>(QStringLiteral("prompt"));
            QVERIFY(label && label->isVisible());
            QCOMPARE(QString(label->text()).remove(QChar(0x200B)), box.text());
            const QFontMetrics metrics(label->font());
            const QRect needed = metrics.boundingRect(QRect(0, 0, label->contentsRect().width(), 100000),
                                                      Qt::TextWordWrap, label->text());
            QVERIFY2(needed.width() <= label->contentsRect().width() && needed.height() <= label->contentsRect().height(), "the prompt is cut");
            QVERIFY(box.rect().contains(label->geometry()));
            if (const QRect room = box.screen()->availableGeometry(); room.contains(window.frameGeometry()))
                QVERIFY(room.contains(box.frameGeometry()));
            shownLines = qRound(double(needed.height()) / metrics.lineSpacing());
            for (const QString &line : label->text().split(u'\n'))
                ++(metrics.horizontalAdvance(line) < label->contentsRect().width() ? shortLines : longLines);
        };
        window.widgetOperations().showInformation(prompt, title);
        QCOMPARE(catcher.seen.size(), 1);
        QPoint plainCentre;
        catcher.inspect = [&](QMessageBox &box) { plainCentre = settled(box); };
        QMessageBox plain(QMessageBox::Information, title, QStringLiteral("!"), QMessageBox::Ok, &window);
        plain.exec();
        QCOMPARE(catcher.seen.size(), 2);
        // Where the screen leaves room for the box and the window, frames and all: Qt moves a
        // box that would cross its edge, and a window larger than the screen (at scale 2) has
        // no centre to keep to.
        const QPoint off = centre - plainCentre;
        const QRect centred(plainCentre - QPoint(frame.width(), frame.height()) / 2, frame);
        const QRect room = window.screen()->availableGeometry();
        if (room.contains(centred) && room.contains(window.frameGeometry())) {
            QVERIFY2(std::abs(off.x()) <= 2 && std::abs(off.y()) <= 2,
                     qPrintable(QStringLiteral("%1, %2 pixels off centre").arg(off.x()).arg(off.y())));
        }

        QFont titleFont = QFontDatabase::systemFont(QFontDatabase::TitleFont);
        titleFont.setBold(true);
        // Room for the title in the bold title font, and for an icon and three buttons, as far
        // as the screen allows.
        const int titleRoom = std::min(QFontMetrics(titleFont).horizontalAdvance(title) + 120, screen);
        QVERIFY2(size.width() >= titleRoom, qPrintable(QStringLiteral("%1 pixels wide").arg(size.width())));
        QVERIFY(size.width() <= screen);
        // Each short line on one line of its own; a long one on two or more.
        if (longLines == 0)
            QCOMPARE(shownLines, shortLines);
        else
            QVERIFY(shownLines >= shortLines + 2 * longLines);
    }

    // However the window closes, the farewell comes once.
    void farewellOnce_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Exit button") << "Command2";
        QTest::newRow("Exit menu item") << "exit";
        QTest::newRow("title bar") << "close";
    }

    void farewellOnce()
    {
        QFETCH(QString, how);
        Form1 window(m_path);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const Outcome o = outcomeOf(window, [&] {
            if (how == u"Command2")
                control<QPushButton>(window, "Command2")->click();
            else if (how == u"exit")
                item(window, "exit")->trigger();
            else
                window.close();
            window.close();
        });
        QVERIFY(!o.windowOpen);
        QCOMPARE(o.messages, QStringList{"Thanks ! | Thanks for using my software ! "});
        // Exit ends the program; closing the window leaves that to the last window going.
        QCOMPARE(o.ended, how != u"close");
    }

    // Every caption fits its control at the design's fonts: nothing is cut off. Run also with
    // QT_SCALE_FACTOR 1.5 and 2, where the whole window must scale together.
    void captionsFitAndWindowScales()
    {
        Form1 window(m_path);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const qreal factor = qEnvironmentVariableIsSet("QT_SCALE_FACTOR")
                ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble()
                : 1.0;
        QCOMPARE(window.devicePixelRatio(), factor);
        // Drawn at the scale, the panel covers exactly the design's rectangle.
        window.widgetOperations().showBusyPanel();
        const QImage drawn = window.centralWidget()->grab().toImage();
        QCOMPARE(drawn.size(), QSize(800, 600) * factor);
        const auto at = [&](int x, int y) { return drawn.pixelColor(QPointF(x, y).toPoint() * factor); };
        // Inside its two-pixel outline.
        QCOMPARE(at(272 + 3, 336 + 3), QColor(0x8080FF));
        QCOMPARE(at(272 + 209 - 4, 336 + 81 - 4), QColor(0x8080FF));
        QCOMPARE(at(272 + 209 + 2, 336 + 2), QColor(0x9188FF));
        QCOMPARE(at(272 + 2, 336 + 81 + 2), QColor(0x9188FF));
        window.widgetOperations().hideBusyPanel();

        for (const Designed &d : designed) {
            if (d.kind != Kind::Label && d.kind != Kind::Button)
                continue;
            const QWidget *w = control(window, d.name);
            const QFontMetrics metrics(w->font());
            const QString caption = QString::fromLatin1(d.caption);
            if (d.kind == Kind::Label) {
                const QRect needed = metrics.boundingRect(QRect(0, 0, w->width(), 1000),
                                                          Qt::TextWordWrap | d.across, caption);
                QVERIFY2(needed.width() <= w->width() && needed.height() <= w->height(), d.name);
            } else {
                QVERIFY2(metrics.horizontalAdvance(caption) + 8 <= w->width()
                                 && metrics.height() + 4 <= w->height(),
                         d.name);
            }
        }
        // The busy message takes its two lines.
        const auto *busy = control<QLabel>(window, "Label8");
        const QFontMetrics busyMetrics(busy->font());
        const int height = busyMetrics.boundingRect(QRect(0, 0, busy->width(), 1000),
                                                    Qt::TextWordWrap, busy->text()).height();
        QVERIFY(height > busyMetrics.lineSpacing() && height <= 2 * busyMetrics.lineSpacing() + 1);
    }

    void accessibleNames()
    {
        Form1 window(m_path);
        QCOMPARE(control(window, "Text2")->accessibleName(), QStringLiteral("Enter Text :"));
        QCOMPARE(control(window, "surat")->accessibleName(), QStringLiteral("Enter Surat"));
        QCOMPARE(control(window, "ayat")->accessibleName(), QStringLiteral("Enter Ayat "));
        QCOMPARE(control(window, "Text1")->accessibleName(), QStringLiteral("Results :"));
        QCOMPARE(control(window, "Command4")->accessibleDescription(), QStringLiteral("About This software !"));
    }
};

QTEST_MAIN(WindowTest)
#include "windowtest.moc"
