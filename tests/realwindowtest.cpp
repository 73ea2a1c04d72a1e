// The one check that needs a real window system: the program's window on an X server (Xvfb in
// the test suite), searched the way a person would, and read back from the server's screen.
// With LUMARIL_SCREENSHOT set, the screen shot is also saved there (tools/make-screenshot).

#include "Form1.h"
#include "PhraseSearch.h"
#include "RepaintSpy.h"
#include "TestFiles.h"
#include "WidgetOperations.h"
#include "WindowDriving.h"

#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <memory>

using namespace lumaril;

namespace {

// Runs an X client of the test's own and waits for it; false when it failed or is missing.
bool x11Tool(const QString &program, const QStringList &arguments)
{
    QProcess tool;
    tool.start(program, arguments);
    return tool.waitForFinished(10000) && tool.exitStatus() == QProcess::NormalExit
            && tool.exitCode() == 0;
}

// The whole X screen, read by another program while this one is busy.
QImage grabScreen()
{
    QProcess import;
    import.start(QStringLiteral("import"), {"-window", "root", "png:-"});
    if (!import.waitForFinished(10000))
        return {};
    return QImage::fromData(import.readAllStandardOutput(), "PNG");
}

} // namespace

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

    // Whatever the window system does to the window while a long search holds the thread,
    // the whole window is back on the screen within a frame or so: the busy panel, the banner,
    // the buttons. The only match is the file's last record, so nothing but time brings a
    // repaint, and the search is slowed as a slow disk would slow it. Before, the window
    // stayed black, or kept the picture of what had covered it, until the search ended.
    void wholeWindowDuringALongSearch()
    {
        if (QGuiApplication::platformName() != u"xcb")
            QSKIP("needs an X server (run under xvfb-run)");
        for (const char *tool : {"xdotool", "xclock", "import"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QSKIP(qPrintable(QStringLiteral("%1 is not installed (tools/setup test installs it)").arg(tool)));
        }
        TestFiles files;
        QByteArray verses = "#";
        const QByteArray filler(200, 'x');
        while (verses.size() < 24 * 1024 * 1024)
            verses += "verse " + filler + "\r\n#";
        verses += "the only verse of mercy\r\n#";
        Form1 window(files.write(verses));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(50);
        const QString id = QString::number(window.winId());
        const QWidget *client = window.centralWidget();
        const QPoint origin = client->mapToGlobal(QPoint(0, 0));
        const QRect frame = window.frameGeometry();
        const QRect exitButton = control(window, "Command2")->geometry();

        // What one screen grab shows wrong of the window, if anything.
        const auto check = [&](const QImage &shot, const QString &when) {
            QStringList wrong;
            if (shot.isNull())
                return QStringList{"no screen grab " + when};
            const auto colourAt = [&](QPoint clientPoint) { return shot.pixelColor(origin + clientPoint); };
            if (colourAt(QPoint(10, 590)) != QColor(0xC0C0FF) || colourAt(QPoint(790, 10)) != QColor(0xC0C0FF))
                wrong << "window background " + when;
            if (colourAt(QPoint(272 + 6, 336 + 6)) != QColor(0x8080FF))
                wrong << "busy panel " + when;
            if (colourAt(QPoint(40, 300)) != QColor(0x9188FF))
                wrong << "results box " + when;
            int green = 0;
            for (int x = 264; x < 264 + 213; ++x) {
                for (int y = 8; y < 8 + 41; ++y)
                    green += colourAt(QPoint(x, y)) == QColor(0, 132, 0);
            }
            if (green < 200)
                wrong << "banner " + when;
            if (colourAt(exitButton.topLeft() + QPoint(8, 8)).value() < 100)
                wrong << "Exit button " + when;
            return wrong;
        };

        // Another thread does what a window manager or another program may do, while the
        // search runs: it unmaps and maps the window, then covers it with another window and
        // takes that away, and each time reads the screen a little later.
        std::atomic<bool> searching = false;
        QStringList wrong;
        bool allDuringSearch = true;
        std::unique_ptr<QThread> other(QThread::create([&] {
            const auto settle = [] { QThread::msleep(100); };
            settle();
            if (!x11Tool("xdotool", {"windowunmap", "--sync", id}) || !x11Tool("xdotool", {"windowmap", "--sync", id}))
                wrong << "xdotool could not unmap and map the window";
            settle();
            wrong << check(grabScreen(), "after unmap and map");
            allDuringSearch = allDuringSearch && searching;
            QProcess cover;
            cover.start("xclock", {"-geometry", QStringLiteral("%1x%2+%3+%4").arg(frame.width()).arg(frame.height()).arg(frame.x()).arg(frame.y())});
            cover.waitForStarted();
            settle();
            cover.kill();
            cover.waitForFinished();
            settle();
            wrong << check(grabScreen(), "after being covered");
            allDuringSearch = allDuringSearch && searching;
        }));
        RepaintSpy spy(window.widgetOperations());
        spy.betweenReads = [&] {
            if (!searching.exchange(true))
                other->start();
            QThread::msleep(other->isFinished() ? 0 : 3);
        };
        control<QLineEdit>(window, "Text2")->setText(QStringLiteral("mercy"));
        Command1_Click(spy, files.path());
        searching = false;
        other->wait();
        QCOMPARE(spy.messages, QStringList{QStringLiteral("Results ! | 1 Results found !")});
        QVERIFY2(allDuringSearch, "the search ended before the screen was read: slow it down more");
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QStringLiteral(", "))));
    }

    // Alt+F4 to a window manager during a search: its message, the farewell, the window gone.
    // Held back as input on X11, the close was dropped by the message box, and the window stayed.
    void windowManagerCloseDuringASearch()
    {
        if (QGuiApplication::platformName() != u"xcb")
            QSKIP("needs an X server (run under xvfb-run)");
        for (const char *tool : {"xdotool", "openbox", "xprop"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QSKIP(qPrintable(QStringLiteral("%1 is not installed (tools/setup installs it)").arg(tool)));
        }
        QProcess windowManager;
        windowManager.start(QStringLiteral("openbox"), {});
        QVERIFY(windowManager.waitForStarted());
        // On a busy machine openbox may take a while to take over the screen; a window mapped
        // before that has no manager to close it.
        const auto managed = [] {
            QProcess xprop;
            xprop.start(QStringLiteral("xprop"), {"-root", "-notype", "_NET_SUPPORTING_WM_CHECK"});
            return xprop.waitForFinished(10000) && xprop.readAllStandardOutput().contains("window id");
        };
        QTRY_VERIFY_WITH_TIMEOUT(managed(), 20000);
        // A verse, then a record of gigabytes that the file does not store (a hole, read as
        // zeros): the search reads for a second or more, whatever its speed, and keeps no disk
        // busy. In memory-backed /dev/shm a hole costs no memory to read either.
        QTemporaryDir dir(QDir("/dev/shm").exists() ? "/dev/shm/lumaril-test-XXXXXX" : QString());
        QFile sparse(dir.filePath("quran.txt"));
        QVERIFY(sparse.open(QIODevice::WriteOnly));
        QVERIFY(sparse.write(QByteArray("#verse of the book\r\n").repeated(300)) > 0);
        QVERIFY(sparse.seek(sparse.size() + (qint64(12) << 30)) && sparse.write("#mercy\r\n#") > 0);
        sparse.close();
        Form1 window(sparse.fileName());
        // openbox may pass over a window mapped while it is still starting up, or leave it
        // unfocused; the key below goes to the focused window. Map it again, then ask for the
        // focus the way a task bar would.
        for (int attempt = 0; attempt < 4 && !window.isActiveWindow(); ++attempt) {
            window.hide();
            window.show();
            if (!QTest::qWaitForWindowActive(&window, 5000) && window.isVisible())
                x11Tool(QStringLiteral("xdotool"), {"windowactivate", QString::number(window.winId())});
        }
        QVERIFY(QTest::qWaitForWindowActive(&window, 5000));
        MessageCatcher catcher;
        control<QLineEdit>(window, "Text2")->setText(QStringLiteral("mercy"));
        // Pressed at the first moment the search lets the window system in.
        QTimer::singleShot(0, [] { x11Tool(QStringLiteral("xdotool"), {"key", "alt+F4"}); });
        control<QPushButton>(window, "Command1")->click();
        QStringList titles;
        for (const auto &box : std::as_const(catcher.seen))
            titles << box.title + " | " + box.text;
        QCOMPARE(titles, (QStringList{"Results ! | 1 Results found !", "Thanks ! | Thanks for using my software ! "}));
        QVERIFY(!window.isVisible());
    }
};

QTEST_MAIN(RealWindowTest)
#include "realwindowtest.moc"
