// What reaches the screen on a Wayland compositor while a long search holds the thread, read
// back with the compositor's own screenshots. Needs weston started with --debug and its
// pixman renderer; tools/test-wayland starts one and runs this in it.

#include "Form1.h"
#include "PhraseSearch.h"
#include "RepaintSpy.h"
#include "TestFiles.h"
#include "WidgetOperations.h"
#include "WindowDriving.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <memory>

using namespace lumaril;

namespace {

// The whole compositor output, as weston-screenshooter saves it. With LUMARIL_SCREENSHOTS set
// to a folder, each one is also kept there under the given name.
QImage screenshot(const QString &name)
{
    QTemporaryDir dir;
    QProcess shooter;
    shooter.setWorkingDirectory(dir.path());
    shooter.start(QStringLiteral("weston-screenshooter"), {});
    if (!shooter.waitForFinished(10000) || shooter.exitCode() != 0)
        return {};
    const QStringList shots = QDir(dir.path()).entryList({QStringLiteral("*.png")}, QDir::Files);
    if (shots.size() != 1)
        return {};
    const QImage shot(dir.filePath(shots.first()));
    if (const QString keep = qEnvironmentVariable("LUMARIL_SCREENSHOTS"); !keep.isEmpty())
        shot.save(QDir(keep).filePath(name + QStringLiteral(".png")));
    return shot;
}

// Whether a screenshot's pixel shows the given colour. The compositor may show the window a
// little or much darker than it drew it (255 as 251; dimmed while it fades), so a colour is
// matched up to a common factor.
bool near(QRgb pixel, QRgb colour)
{
    const qreal factor = qreal(qBlue(pixel)) / qBlue(colour);
    return factor > 0.5 && factor < 1.03 && qAbs(qRed(pixel) - factor * qRed(colour)) <= 4
            && qAbs(qGreen(pixel) - factor * qGreen(colour)) <= 4;
}

// What a screenshot shows of the window, found by its colours: the results box (violet-blue)
// and the busy panel (medium blue) have colours of their own.
struct Seen
{
    QRect resultsBox;   // bounding box of the results box's background
    int panelPixels = 0;
    int darkInBox = 0;  // text of the results, above where the panel lies

    explicit Seen(const QImage &shot)
    {
        const QImage image = shot.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
            // Rows with a long stretch of violet-blue: a few stray pixels elsewhere (the
            // window's icon) must not stretch the box.
            QRect row;
            for (int x = 0; x < image.width(); ++x) {
                if (near(line[x], 0x9188FF))
                    row |= QRect(x, y, 1, 1);
                else if (near(line[x], 0x8080FF))
                    ++panelPixels;
            }
            if (row.width() > 300)
                resultsBox |= row;
        }
        for (int y = resultsBox.top(); y < resultsBox.top() + 70; ++y) {
            for (int x = resultsBox.left(); x <= resultsBox.right(); ++x)
                darkInBox += qGray(image.pixel(x, y)) < 100;
        }
    }
};

} // namespace

class WaylandScreenTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!QGuiApplication::platformName().startsWith(u"wayland"))
            QSKIP("needs a Wayland compositor (tools/test-wayland starts one)");
        if (QStandardPaths::findExecutable(QStringLiteral("weston-screenshooter")).isEmpty())
            QSKIP("weston-screenshooter is not installed (Debian: weston)");
        QVERIFY2(!screenshot(QStringLiteral("empty")).isNull(), "weston-screenshooter took no screenshot: is weston "
                                         "running with --debug?");
    }

    // Screenshots taken while a long search holds the thread show the whole window with the
    // panel, although no match comes until the file's last record; the one taken when the
    // search has ended, before its message, the final text without the panel.
    void searchAsSeenOnScreen()
    {
        TestFiles files;
        QByteArray verses = "#";
        const QByteArray filler(200, 'x');
        while (verses.size() < 8 * 1024 * 1024)
            verses += "verse " + filler + "\r\n#";
        for (int i = 1; i <= 40; ++i)
            verses += "verse " + QByteArray::number(i) + " of mercy\r\n";
        verses += '#';
        Form1 window(files.write(verses));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(200);

        // The search is slowed down to a few seconds, as on a slow disk; from its second read
        // on, a frame after it began, when the panel is due on the screen, another thread takes
        // one screenshot after another.
        std::atomic<bool> searching = true;
        QList<QImage> shots;
        std::unique_ptr<QThread> shooter(QThread::create([&] {
            while (searching)
                shots << screenshot(QStringLiteral("during-%1").arg(shots.size() + 1));
        }));
        RepaintSpy spy(window.widgetOperations());
        int reads = 0;
        spy.betweenReads = [&] {
            if (++reads == 2)
                shooter->start();
            QThread::msleep(20);
        };
        control<QLineEdit>(window, "Text2")->setText(QStringLiteral("mercy"));
        Command1_Click(spy, files.path());
        searching = false;
        const Seen after(screenshot(QStringLiteral("after")));
        shooter->wait();
        QCOMPARE(spy.messages, QStringList{QStringLiteral("Results ! | 1 Results found !")});

        // The last screenshot may have been taken after the search ended.
        shots.removeLast();
        QVERIFY2(shots.size() >= 3, qPrintable(QStringLiteral("only %1 screenshots during the search").arg(shots.size())));
        for (const QImage &shot : std::as_const(shots)) {
            const Seen seen(shot);
            QVERIFY2(seen.resultsBox.width() > 600, "the results box is not on the screen");
            QVERIFY2(seen.panelPixels > 10000, "the busy panel is not on the screen");
            QVERIFY2(seen.darkInBox < 100, "results on the screen before there were any");
        }
        // A few pixels of other blues shaded down match the panel's colour; the panel has 16,000.
        QVERIFY2(after.panelPixels < 2000, "the busy panel is still on the screen after the search");
        QVERIFY2(after.darkInBox > 100, "the results are not on the screen after the search");
    }
};

QTEST_MAIN(WaylandScreenTest)
#include "waylandscreentest.moc"
