// The one check that needs a real window system: the program's window on an X server (Xvfb in
// the test suite), searched the way a person would, and read back from the server's screen.
// With LUMARIL_SCREENSHOT set, the screen shot is also saved there (tools/make-screenshot).

#include "Form1.h"
#include "PhraseSearch.h"
#include "RepaintSpy.h"
#include "TestFiles.h"
#include "WidgetOperations.h"
#include "WindowDriving.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#ifdef LUMARIL_HAVE_XCB
#include <xcb/xcb.h>
#endif

using namespace lumaril;

#ifdef LUMARIL_HAVE_XCB
namespace {

// Waits until the X server has carried out every request sent so far.
void syncWithServer(xcb_connection_t *connection)
{
    free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

// Does to the window what a window manager or another program may do while a search holds
// the program's thread: the program sees none of it until the search ends.
void unmapAndMap(xcb_connection_t *connection, xcb_window_t window)
{
    xcb_unmap_window(connection, window);
    syncWithServer(connection);
    xcb_map_window(connection, window);
    syncWithServer(connection);
}

void coverAndUncover(xcb_connection_t *connection, const QRect &area)
{
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_window_t cover = xcb_generate_id(connection);
    const uint32_t values[] = {screen->white_pixel, 1};
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, cover, screen->root, qint16(area.x()),
                      qint16(area.y()), quint16(area.width()), quint16(area.height()), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(connection, cover);
    syncWithServer(connection);
    xcb_destroy_window(connection, cover);
    syncWithServer(connection);
}

} // namespace
#endif

class RealWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void searchOnScreen()
    {
        if (QGuiApplication::platformName() != u"xcb")
            QSKIP("needs an X server (run under xvfb-run)");
        const QString data = QStringLiteral(LUMARIL_SOURCE_DIR "/data/quran.txt");
        QVERIFY2(QFile::exists(data), "data/quran.txt is missing: tools/setup makes it");

        Form1 window(data);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // Xvfb runs no window manager, so nothing would activate the window but the program.
        window.activateWindow();
        MessageCatcher catcher;
        QTest::keyClicks(window.findChild<QLineEdit *>(QStringLiteral("Text2")), QStringLiteral("mercy"));
        QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("Command1")), Qt::LeftButton);
        QCOMPARE(catcher.seen.size(), 1);
        QCOMPARE(catcher.seen[0].text, QStringLiteral("143 Results found !"));

        // Let the X server catch up with the last paint, then read its screen.
        QImage shot;
        const QWidget *client = window.centralWidget();
        const auto colourAt = [&](QPoint clientPoint) {
            const QPoint global = client->mapToGlobal(clientPoint) - window.screen()->geometry().topLeft();
            return shot.pixelColor(global * shot.devicePixelRatio());
        };
        QTRY_VERIFY_WITH_TIMEOUT(
                (shot = window.screen()->grabWindow(0).toImage(),
                 colourAt(QPoint(400, 300)) == QColor(0x9188FF) || colourAt(QPoint(400, 300)).value() < 100),
                5000);
        QCOMPARE(colourAt(QPoint(10, 590)), QColor(0xC0C0FF));   // window background
        QCOMPARE(colourAt(QPoint(278, 342)), QColor(0x9188FF));  // results box, panel gone
        int green = 0;
        for (int x = 264; x < 264 + 213; ++x) {
            for (int y = 8; y < 8 + 41; ++y)
                green += colourAt(QPoint(x, y)) == QColor(0, 132, 0);
        }
        QVERIFY2(green > 200, "the banner is not on the screen");
        int dark = 0;
        for (int x = 40; x < 700; ++x)
            dark += colourAt(QPoint(x, 256 + 2 * 17 + 10)).value() < 100;
        QVERIFY2(dark > 20, "the first result is not on the screen");

        if (const QByteArray out = qgetenv("LUMARIL_SCREENSHOT"); !out.isEmpty()) {
            // A window manager takes a moment to remove the closed message box's frame.
            QTest::qWait(1500);
            shot = window.screen()->grabWindow(0).toImage();
            const QRect frame = window.frameGeometry().translated(-window.screen()->geometry().topLeft());
            QVERIFY(shot.copy(QRect(frame.topLeft() * shot.devicePixelRatio(),
                                    frame.size() * shot.devicePixelRatio()))
                            .save(QString::fromLocal8Bit(out)));
        }
    }

    // Whatever the window system did to the window while a search held the thread, the next
    // repaint leaves the whole window right on the screen: the busy panel, the banner, the
    // buttons, not only what changed since the last repaint.
    void wholeWindowAfterEachRepaint_data()
    {
        QTest::addColumn<QString>("what");
        QTest::newRow("unmapped and mapped") << "unmap";
        QTest::newRow("covered and uncovered") << "cover";
    }

    void wholeWindowAfterEachRepaint()
    {
        QFETCH(QString, what);
#ifndef LUMARIL_HAVE_XCB
        QSKIP("built without libxcb, which it needs to act as a window manager would");
#else
        if (QGuiApplication::platformName() != u"xcb")
            QSKIP("needs an X server (run under xvfb-run)");
        auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        QVERIFY(x11);
        xcb_connection_t *connection = x11->connection();
        TestFiles files;
        QByteArray verses = "#";
        for (int i = 1; i <= 300; ++i)
            verses += "verse " + QByteArray::number(i) + " of mercy\r\n#";
        Form1 window(files.write(verses));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // Settle what the first show left to paint, so that only the search paints from here.
        QTest::qWait(50);
        const QWidget *client = window.centralWidget();
        const QPoint panelPoint(272 + 6, 336 + 6);

        RepaintSpy spy(window.widgetOperations());
        int repaints = 0;
        QStringList wrong;
        spy.afterRepaint = [&] {
            ++repaints;
            if (repaints == 3 || repaints == 6) {
                if (what == u"unmap")
                    unmapAndMap(connection, xcb_window_t(window.winId()));
                else
                    coverAndUncover(connection, window.frameGeometry());
            } else if (repaints == 4 || repaints == 7) {
                const QImage shot = window.screen()->grabWindow(0).toImage();
                const auto colourAt = [&](QPoint clientPoint) {
                    const QPoint global = client->mapToGlobal(clientPoint)
                            - window.screen()->geometry().topLeft();
                    return shot.pixelColor(global * shot.devicePixelRatio());
                };
                const QString at = QStringLiteral(" after repaint %1").arg(repaints);
                if (colourAt(QPoint(10, 590)) != QColor(0xC0C0FF))
                    wrong << "window background" + at;
                if (colourAt(panelPoint) != QColor(0x8080FF))
                    wrong << "busy panel" + at;
                if (colourAt(QPoint(790, 10)) != QColor(0xC0C0FF))
                    wrong << "top right corner" + at;
                int green = 0;
                for (int x = 264; x < 264 + 213; ++x) {
                    for (int y = 8; y < 8 + 41; ++y)
                        green += colourAt(QPoint(x, y)) == QColor(0, 132, 0);
                }
                if (green < 200)
                    wrong << "banner" + at;
                const QWidget *exit = control(window, "Command2");
                if (colourAt(exit->geometry().topLeft() + QPoint(8, 8)).value() < 100)
                    wrong << "Exit button" + at;
            }
        };
        control<QLineEdit>(window, "Text2")->setText(QStringLiteral("mercy"));
        Command1_Click(spy, files.path());
        QVERIFY(repaints > 7);
        QCOMPARE(spy.messages, QStringList{QStringLiteral("Results ! | 300 Results found !")});
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QStringLiteral(", "))));
#endif
    }
};

QTEST_MAIN(RealWindowTest)
#include "realwindowtest.moc"
