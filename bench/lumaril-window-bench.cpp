// Times searches through the real window: from the click on "Search !" (or "Show") to the
// final message, with every repaint the search asks for really carried out and the real
// message box shown (and closed again at once). Runs on whatever platform Qt is given:
// offscreen, an X server such as Xvfb, or a Wayland compositor.
// Usage: lumaril-window-bench [path/to/quran.txt]   (default: quran.txt in the working folder)
//
// Beside each, the same final picture from a bare window: a text box of the results box's size
// given the final text once and painted, then the same message box. The ratio is the window's
// cost beyond showing what it shows.
//
// Besides the verse file's searches, one search of a verse file that is one record of
// 2,000,000 letters without a blank: showing it must cost about linear time in its length.

#include "Form1.h"
#include "InformationBox.h"
#include "Median.h"
#include "MessageTimer.h"
#include "WidgetOperations.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QScrollBar>
#include <QTextEdit>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <utility>
#include <vector>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString path = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("quran.txt");
    if (!QFileInfo(path).isFile()) {
        std::fprintf(stderr, "lumaril-window-bench: %s is not a file\n", qPrintable(path));
        return 1;
    }
    QTemporaryDir dir;
    const QString hugePath = dir.filePath(QStringLiteral("quran.txt"));
    {
        QFile huge(hugePath);
        const QByteArray bytes = '#' + QByteArray(2000000, 'a') + '#';
        if (!huge.open(QIODevice::WriteOnly) || huge.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "lumaril-window-bench: cannot write %s\n", qPrintable(hugePath));
            return 1;
        }
    }

    std::printf("platform: %s, verse file: %s\n\n", qPrintable(QGuiApplication::platformName()),
                qPrintable(path));
    std::printf("%-20s %5s %12s %8s  %s\n", "click", "runs", "median ms", "ratio", "final message");
    // Each case in a window of its own, shown and settled before the first click, as the
    // program has one window for its whole life.
    const auto run = [](const QString &file, const char *label, const char *button, int runs,
                        const std::function<void(lumaril::Form1 &)> &fill) {
        lumaril::Form1 window(file);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) {
            std::fprintf(stderr, "lumaril-window-bench: the window was never shown\n");
            std::exit(1);
        }
        fill(window);
        MessageTimer messages(&window);
        auto *click = window.findChild<QPushButton *>(QString::fromLatin1(button));
        const auto medianMs = [runs](const std::function<double()> &once) {
            std::vector<double> times;
            for (int i = 0; i < runs; ++i) {
                QCoreApplication::processEvents(); // let the window settle between runs
                times.push_back(once());
            }
            return median(std::move(times));
        };
        const double lumaril = medianMs([&] {
            messages.start();
            click->click();
            return messages.elapsedMs();
        });

        QWidget bare;
        bare.setFixedSize(window.centralWidget()->size());
        auto *box = new QTextEdit(&bare);
        const auto *results = window.findChild<QTextEdit *>(QStringLiteral("Text1"));
        box->setGeometry(results->geometry());
        // A record without a blank is wrapped anywhere there too: at word boundaries its
        // layout would cost minutes.
        box->setWordWrapMode(results->wordWrapMode());
        box->setFont(results->font());
        box->setReadOnly(true);
        box->setUndoRedoEnabled(false);
        bare.show();
        if (!QTest::qWaitForWindowExposed(&bare))
            std::exit(1);
        const QString text = lumaril::WidgetOperations::displayText(window.widgetOperations().resultsText());
        MessageTimer bareMessages(&bare);
        const double plain = medianMs([&] {
            box->clear();
            box->repaint();
            QCoreApplication::processEvents();
            bareMessages.start();
            box->setPlainText(text);
            box->viewport()->repaint();
            box->verticalScrollBar()->repaint();
            lumaril::InformationBox(messages.lastMessage(), messages.lastTitle(), &bare).exec();
            return bareMessages.elapsedMs();
        });
        std::printf("%-20s %5d %12.2f %8.2f  %s\n", label, runs, lumaril, lumaril / plain,
                    qPrintable(messages.lastMessage()));
        std::printf("%-20s %5d %12.2f %8s\n", "  bare window", runs, plain, "");
        std::fflush(stdout);
    };
    const auto query = [](const char *text) {
        return [text](lumaril::Form1 &window) {
            window.findChild<QLineEdit *>(QStringLiteral("Text2"))->setText(QString::fromLatin1(text));
        };
    };
    for (const char *word : {"mercy", "the", "xyzzy"})
        run(path, word, "Command1", 21, query(word));
    run(path, "2:255", "Command3", 21, [](lumaril::Form1 &window) {
        window.findChild<QLineEdit *>(QStringLiteral("surat"))->setText(QStringLiteral("2"));
        window.findChild<QLineEdit *>(QStringLiteral("ayat"))->setText(QStringLiteral("255"));
    });
    run(hugePath, "2,000,000 x \"a\"", "Command1", 3, query("a"));
    return 0;
}
