// Times searches through the real window: from the click on "Search !" (or "Show") to the
// final message, with every repaint the search asks for really carried out. Runs on whatever
// platform Qt is given: offscreen, or a real X server such as Xvfb.
// Usage: lumaril-window-bench [path/to/quran.txt]   (default: quran.txt in the working folder)

#include "BenchOperations.h"
#include "Form1.h"
#include "WidgetOperations.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString path = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("quran.txt");
    if (!QFileInfo(path).isFile()) {
        std::fprintf(stderr, "lumaril-window-bench: %s is not a file\n", qPrintable(path));
        return 1;
    }
    lumaril::Form1 window(path);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "lumaril-window-bench: the window was never shown\n");
        return 1;
    }
    WindowWithoutBoxes ops(window.widgetOperations());
    window.setCommandOperations(&ops);
    auto *query = window.findChild<QLineEdit *>(QStringLiteral("Text2"));
    auto *surat = window.findChild<QLineEdit *>(QStringLiteral("surat"));
    auto *ayat = window.findChild<QLineEdit *>(QStringLiteral("ayat"));
    auto *search = window.findChild<QPushButton *>(QStringLiteral("Command1"));
    auto *show = window.findChild<QPushButton *>(QStringLiteral("Command3"));

    std::printf("platform: %s, verse file: %s, median of 21 runs\n\n",
                qPrintable(QGuiApplication::platformName()), qPrintable(path));
    std::printf("%-16s %12s %9s  %s\n", "click", "median ms", "repaints", "final message");
    const auto run = [&](const char *label, QPushButton *button) {
        std::vector<double> times;
        for (int i = 0; i < 21; ++i) {
            QCoreApplication::processEvents(); // let the window settle between runs
            ops.repaints = 0;
            ops.clock.start();
            button->click();
            times.push_back(double(ops.messageAtNs) / 1e6);
        }
        std::nth_element(times.begin(), times.begin() + 10, times.end());
        std::printf("%-16s %12.2f %9d  %s\n", label, times[10], ops.repaints, qPrintable(ops.message));
    };
    for (const char *word : {"mercy", "the", "xyzzy"}) {
        query->setText(QString::fromLatin1(word));
        run(word, search);
    }
    surat->setText(QStringLiteral("2"));
    ayat->setText(QStringLiteral("255"));
    run("2:255", show);
    return 0;
}
