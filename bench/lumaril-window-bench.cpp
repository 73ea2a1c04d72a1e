// Times searches through the real window: from the click on "Search !" (or "Show") to the
// final message, with every repaint the search asks for really carried out. Runs on whatever
// platform Qt is given: offscreen, or a real X server such as Xvfb.
// Usage: lumaril-window-bench [path/to/quran.txt]   (default: quran.txt in the working folder)

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

namespace {

// The window's own operations, except that the final message is noted rather than shown,
// so that no one has to close it; repaints are counted.
class TimedOperations : public lumaril::WindowOperations
{
public:
    explicit TimedOperations(lumaril::WidgetOperations &window)
        : m_window(window)
    {
    }
    QElapsedTimer clock;
    qint64 finishedNs = 0;
    int repaints = 0;
    QString message;

    void setResultsText(const QString &text) override { m_window.setResultsText(text); }
    qsizetype resultsTextLength() const override { return m_window.resultsTextLength(); }
    QString queryText() const override { return m_window.queryText(); }
    QString suratText() const override { return m_window.suratText(); }
    QString ayatText() const override { return m_window.ayatText(); }
    void showBusyPanel() override { m_window.showBusyPanel(); }
    void hideBusyPanel() override { m_window.hideBusyPanel(); }
    void repaintNow() override
    {
        ++repaints;
        m_window.repaintNow();
    }
    void setMatchFlag(bool matched) override { m_window.setMatchFlag(matched); }
    bool matchFlag() const override { return m_window.matchFlag(); }
    void showInformation(const QString &prompt, const QString &) override
    {
        finishedNs = clock.nsecsElapsed();
        message = prompt;
    }
    void unloadWindow() override {}
    void endProgram() override {}

private:
    lumaril::WidgetOperations &m_window;
};

} // namespace

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
    TimedOperations ops(window.widgetOperations());
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
            times.push_back(double(ops.finishedNs) / 1e6);
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
