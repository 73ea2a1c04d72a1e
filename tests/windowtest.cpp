#include "ControlTable.h"
#include "Form1.h"
#include "TestFiles.h"
#include "WidgetOperations.h"
#include "WindowDriving.h"

#include <QAction>
#include <QClipboard>
#include <QFontInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

using namespace lumaril;

namespace {

const QByteArray verses = "pre#001.001 In the name of Allah\r\n#001.002 Praise to Allah\r\n"
                          "#001.003 The Merciful\r\n#";

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

    // Every row of the design table against the widget built from it.
    void layoutMatchesTable()
    {
        Form1 window(m_path);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.windowTitle(), "Lumaril !" + QString(56, u' ') + "Made by Vessim.");
        QCOMPARE(window.centralWidget()->size(), QSize(800, 600));
        QCOMPARE(window.minimumSize(), window.maximumSize());
        QCOMPARE(window.centralWidget()->palette().color(QPalette::Window), QColor(0xC0C0FF));

        for (const ControlRow &row : controlTable()) {
            const QWidget *w = control(window, row.name);
            const QString name = QString::fromLatin1(row.name);
            QCOMPARE(w->geometry(), QRect(twipsToPixels(row.left), twipsToPixels(row.top),
                                          twipsToPixels(row.width), twipsToPixels(row.height)));
            QCOMPARE(w->parentWidget()->objectName(),
                     row.container ? QString::fromLatin1(row.container) : QStringLiteral("client"));
            if (row.pointSize > 0) {
                const QFontInfo font(w->font());
                QCOMPARE(font.pixelSize(), qRound(row.pointSize * 96 / 72));
                QCOMPARE(font.weight(), row.bold ? QFont::Bold : QFont::Normal);
#ifdef Q_OS_WIN
                QCOMPARE(font.family(), QStringLiteral("Arial"));
#else
                QCOMPARE(font.family(), QStringLiteral("Liberation Sans"));
#endif
                QVERIFY(!font.italic() && !w->font().underline() && !w->font().strikeOut());
            }
            if (auto *label = qobject_cast<const QLabel *>(w); label && row.kind == ControlKind::Label) {
                QCOMPARE(label->text(), QString::fromLatin1(row.caption));
                QCOMPARE(label->alignment(), row.alignment);
                QVERIFY(label->wordWrap());
                QVERIFY(!label->autoFillBackground());
            }
            if (auto *button = qobject_cast<const QPushButton *>(w)) {
                QCOMPARE(button->text(), QString::fromLatin1(row.caption));
                QVERIFY(!button->isDefault() && !button->autoDefault());
            }
            QCOMPARE(w->toolTip(), QString::fromLatin1(row.toolTip ? row.toolTip : ""));
            QCOMPARE(w->focusPolicy() != Qt::NoFocus, row.tabIndex >= 0);
            if (row.text.isValid())
                QCOMPARE(w->palette().color(QPalette::WindowText), row.text);
            if (row.background.isValid()) {
                QCOMPARE(w->palette().color(row.kind == ControlKind::ResultsBox ? QPalette::Base
                                                                                : QPalette::Window),
                         row.background);
            }
            if (auto *edit = qobject_cast<const QLineEdit *>(w))
                QCOMPARE(edit->maxLength(), row.maxLength ? row.maxLength : std::numeric_limits<int>::max());
            Q_UNUSED(name)
        }
        // The window's icon is the program icon, all three of its images.
        const QList<QSize> iconSizes = window.windowIcon().availableSizes();
        QVERIFY2(iconSizes.contains(QSize(32, 32)) && iconSizes.contains(QSize(16, 16)),
                 "the window has not got the program icon");
        const auto *banner = control<QLabel>(window, "Image1");
        QCOMPARE(banner->pixmap().size(), QSize(213, 41));
        // The results box wraps lines and scrolls only up and down.
        const auto *results = control<QTextEdit>(window, "Text1");
        QCOMPARE(results->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(results->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(results->lineWrapMode(), QTextEdit::WidgetWidth);
        // The busy panel lies above the results box.
        const QObjectList stack = window.centralWidget()->children();
        QVERIFY(stack.indexOf(control(window, "wait")) > stack.indexOf(control(window, "Text1")));
        QVERIFY(stack.indexOf(control(window, "Label4")) < stack.indexOf(control(window, "Text1")));
    }

    void menusMatchTable()
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
        QStringList designed;
        for (const MenuRow &row : menuTable())
            designed << QString::fromLatin1(row.name) + "=" + QString::fromLatin1(row.caption);
        QCOMPARE(built, designed);
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
        Form1 window(m_path);
        SpyOperations spy(window.widgetOperations());
        window.setCommandOperations(&spy);
        control<QLineEdit>(window, "surat")->setText("1");
        control<QLineEdit>(window, "ayat")->setText("2");

        control<QPushButton>(window, button.toLatin1())->click();
        const QStringList byButton = spy.log;
        spy.log.clear();
        item(window, menuItem.toLatin1())->trigger();
        QVERIFY(!byButton.isEmpty());
        QCOMPARE(spy.log, byButton);
        if (menuItem == u"text")
            QCOMPARE(byButton, (QStringList{"set results", "message Error ! | Please enter some text !"}));
    }

    void otherMenuItems()
    {
        Form1 window(m_path);
        SpyOperations spy(window.widgetOperations());
        window.setCommandOperations(&spy);
        item(window, "email")->trigger();
        item(window, "website")->trigger();
        item(window, "file")->trigger();
        item(window, "about")->trigger();
        QCOMPARE(spy.log.size(), 2);
        QVERIFY(spy.log[0].startsWith("message My Email ID ! | "));
        QVERIFY(spy.log[1].startsWith("message My Website ! | "));
    }

    // After a search whose last record did not match, "Search Ayat !" is greyed and cannot be
    // chosen, while "Show" still runs the lookup, which enables it again.
    void matchFlagGreysSearchAyat()
    {
        Form1 window(m_path);
        SpyOperations spy(window.widgetOperations());
        window.setCommandOperations(&spy);
        control<QLineEdit>(window, "Text2")->setText("allah");
        control<QPushButton>(window, "Command1")->click();
        QCOMPARE(spy.log.last(), QStringLiteral("message Results ! | 2 Results found !"));
        QVERIFY(!item(window, "search")->isEnabled());

        spy.log.clear();
        control<QLineEdit>(window, "surat")->setText("1");
        control<QLineEdit>(window, "ayat")->setText("3");
        item(window, "search")->trigger();
        QCOMPARE(spy.log, QStringList{});
        control<QPushButton>(window, "Command3")->click();
        QCOMPARE(spy.log.last(), QStringLiteral("message Found ! | Ayat Found !"));
        QVERIFY(item(window, "search")->isEnabled());
    }

    void keysStartNothing()
    {
        Form1 window(m_path);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        SpyOperations spy(window.widgetOperations());
        window.setCommandOperations(&spy);
        auto *query = control<QLineEdit>(window, "Text2");
        QTest::keyClicks(query, "mercy");
        QTest::keyClick(query, Qt::Key_Return);
        QTest::keyClick(query, Qt::Key_Escape);
        QCOMPARE(spy.log, QStringList{});
        QVERIFY(window.isVisible());
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
            QApplication::clipboard()->setText(QStringLiteral("98765"));
            box->paste();
            QCOMPARE(box->text(), QStringLiteral("987"));
        }
        auto *query = control<QLineEdit>(window, "Text2");
        const QString pasted(100000, u'x');
        QApplication::clipboard()->setText(pasted);
        query->paste();
        QCOMPARE(query->text(), pasted);

        auto *results = control<QTextEdit>(window, "Text1");
        window.widgetOperations().setResultsText("\r\n\r\nverse one\r\n");
        results->setFocus();
        QTest::keyClicks(results->viewport(), "typed");
        QTest::keyClick(results->viewport(), Qt::Key_Backspace);
        QCOMPARE(results->toPlainText(), QStringLiteral("\n\nverse one\n"));
        results->selectAll();
        results->copy();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("\n\nverse one\n"));
    }

    // The panel is on the screen while the search holds the thread, over the middle of the
    // results box, and gone once the search ends.
    void busyPanelIsPaintedDuringSearch()
    {
        if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR"))
            QSKIP("the offscreen platform's screen grab is not scaled; checked at scale 1");
        Form1 window(m_path);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        SpyOperations spy(window.widgetOperations());
        window.setCommandOperations(&spy);
        const QColor panel(0x8080FF);
        const QColor results(0x9188FF);
        const QPoint insidePanel(272 + 6, 336 + 6);
        QList<QColor> seen;
        QList<bool> textShown;
        spy.afterRepaint = [&] {
            seen << shownColour(window, insidePanel);
            textShown << showsText(window, QRect(40, 262, 220, 60), results);
        };
        QCOMPARE(shownColour(window, insidePanel), results);

        control<QLineEdit>(window, "Text2")->setText("allah");
        control<QPushButton>(window, "Command1")->click();
        QCOMPARE(seen, (QList<QColor>{panel, panel, panel}));
        // The first match is on the screen as soon as it has been found.
        QCOMPARE(textShown, (QList<bool>{false, true, true}));
        QVERIFY(!control(window, "wait")->isVisible());
        QTRY_COMPARE(shownColour(window, insidePanel), results);
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
        SpyOperations spy(window.widgetOperations());
        spy.forwardAll = true;
        window.setCommandOperations(&spy);
        MessageCatcher catcher;
        if (how == u"Command2")
            control<QPushButton>(window, "Command2")->click();
        else if (how == u"exit")
            item(window, "exit")->trigger();
        else
            window.close();
        QVERIFY(!window.isVisible());
        window.close();
        QCOMPARE(catcher.seen.size(), 1);
        QCOMPARE(catcher.seen[0].title, QStringLiteral("Thanks !"));
        QCOMPARE(catcher.seen[0].text, QStringLiteral("Thanks for using my software ! "));
        if (how != u"close")
            QCOMPARE(spy.log.last(), QStringLiteral("end"));
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
        QCOMPARE(at(272 + 2, 336 + 2), QColor(0x8080FF));
        QCOMPARE(at(272 + 209 - 3, 336 + 81 - 3), QColor(0x8080FF));
        QCOMPARE(at(272 + 209 + 2, 336 + 2), QColor(0x9188FF));
        QCOMPARE(at(272 + 2, 336 + 81 + 2), QColor(0x9188FF));
        window.widgetOperations().hideBusyPanel();

        for (const ControlRow &row : controlTable()) {
            if (row.kind != ControlKind::Label && row.kind != ControlKind::Button)
                continue;
            const QWidget *w = control(window, row.name);
            const QFontMetrics metrics(w->font());
            const QString caption = QString::fromLatin1(row.caption);
            if (row.kind == ControlKind::Label) {
                const QRect needed = metrics.boundingRect(QRect(0, 0, w->width(), 1000),
                                                          Qt::TextWordWrap | row.alignment, caption);
                QVERIFY2(needed.width() <= w->width() && needed.height() <= w->height(),
                         row.name);
            } else {
                QVERIFY2(metrics.horizontalAdvance(caption) + 8 <= w->width()
                                 && metrics.height() + 4 <= w->height(),
                         row.name);
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
