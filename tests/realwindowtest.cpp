// The one check that needs a real window system: the program's window on an X server (Xvfb in
// the test suite), searched the way a person would, and read back from the server's screen.
// With LUMARIL_SCREENSHOT set, the screen shot is also saved there (tools/make-screenshot).

#include "Form1.h"
#include "WindowDriving.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

using namespace lumaril;

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
};

QTEST_MAIN(RealWindowTest)
#include "realwindowtest.moc"
