// Times the start of a new process up to its window being on the screen: Lumaril's window,
// and beside it a bare Qt window holding one button, as what any Qt program pays. Starts
// alternate between the two, so that a busy machine slows both alike.
// Usage: lumaril-startup-bench [starts]   (default 15 of each; needs a display)

#include "Form1.h"
#include "Median.h"

#include <QApplication>
#include <QProcess>
#include <QPushButton>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// The same clock in both processes.
qint64 monotonicNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
}

// In the child: prints the monotonic clock once the window has been exposed and drawn.
class ExposeWatch : public QObject
{
protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *window = qobject_cast<QWindow *>(watched);
        if (event->type() == QEvent::Expose && window && window->isExposed() && !m_done) {
            m_done = true;
            // Queued, so that it runs once the window has handled the exposure and drawn.
            QMetaObject::invokeMethod(qApp, [] {
                std::printf("%lld\n", static_cast<long long>(monotonicNs()));
                std::fflush(stdout);
                QCoreApplication::exit(0);
            }, Qt::QueuedConnection);
        }
        return false;
    }

private:
    bool m_done = false;
};

int child(int argc, char **argv, bool bare)
{
    QApplication app(argc, argv);
    std::unique_ptr<QWidget> window;
    if (bare)
        window = std::make_unique<QPushButton>(QStringLiteral("Button"));
    else
        window = std::make_unique<lumaril::Form1>();
    ExposeWatch watch;
    window->winId();
    window->windowHandle()->installEventFilter(&watch);
    window->show();
    return app.exec();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--child") == 0)
        return child(1, argv, std::strcmp(argv[2], "bare") == 0);

    QCoreApplication app(argc, argv);
    const int starts = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    std::vector<double> times[2];
    const char *modes[2] = {"lumaril", "bare"};
    for (int i = 0; i < starts; ++i) {
        for (int k = 0; k < 2; ++k) {
            const int mode = (i + k) % 2;
            QProcess process;
            const qint64 startedNs = monotonicNs();
            process.start(QCoreApplication::applicationFilePath(),
                          {QStringLiteral("--child"), QString::fromLatin1(modes[mode])});
            if (!process.waitForFinished(30000) || process.exitCode() != 0) {
                std::fprintf(stderr, "lumaril-startup-bench: the %s window did not come up\n", modes[mode]);
                return 1;
            }
            const qint64 shownNs = process.readAllStandardOutput().trimmed().toLongLong();
            times[mode].push_back(double(shownNs - startedNs) / 1e6);
        }
    }
    const double lumaril = median(times[0]);
    const double bare = median(times[1]);
    std::printf("platform: %s, median of %d alternating starts\n", qPrintable(qEnvironmentVariable("QT_QPA_PLATFORM")), starts);
    std::printf("%-28s %8.1f ms\n", "Lumaril's window", lumaril);
    std::printf("%-28s %8.1f ms\n", "bare window with one button", bare);
    std::printf("%-28s %8.2f\n", "ratio", lumaril / bare);
    return 0;
}
