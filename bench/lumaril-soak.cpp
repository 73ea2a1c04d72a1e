// Soak run: thousands of searches of every kind in one process, through the search core and
// then through the real window, with the files they leave open and the memory they keep
// counted before and after. Fails (exit status 1) when, after a warm-up, the number of open
// files has changed or the resident memory has grown by 1 MiB or more.
// Usage: lumaril-soak [path/to/quran.txt [core searches [window searches]]]
//        (default: quran.txt in the working folder, 10000 and 300)

#include "Form1.h"
#include "MessageTimer.h"
#include "OpenFiles.h"
#include "PhraseSearch.h"
#include "Recorder.h"
#include "VerseLookup.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#ifdef __GLIBC__
#include <malloc.h>
#endif
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace lumaril;

namespace {

// Resident memory in KiB, after handing what the allocator holds unused back to the system,
// so that only memory still in use is counted.
qint64 residentKiB()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// One search of the mix: a phrase search when surat is null, else a lookup.
struct Search
{
    QString file;
    QString query;
    QString surat;
    QString ayat;
};

std::vector<Search> searchMix(const QString &verses, const QTemporaryDir &dir)
{
    const auto write = [&](const char *name, const QByteArray &bytes) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(file.fileName()));
        return file.fileName();
    };
    QStringList broken{
        dir.filePath(QStringLiteral("missing.txt")),
        dir.path(),
        write("nomark.txt", "no mark at all\r\n"),
        write("utf16.txt", QByteArray("\xFF\xFE#\0a\0#\0", 8)),
        write("empty-records.txt", QByteArray(5000, '#')),
        write("restart.txt", "#caf\xC3\xA9 verse\r\n#caf\xE9 verse\r\n#"),
    };
#ifdef Q_OS_UNIX
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    if (::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0)
        broken << fifo;
#endif
    std::vector<Search> mix;
    for (const QString &q : {QStringLiteral("mercy"), QStringLiteral("the"), QStringLiteral("ALLAH"),
                             QStringLiteral("zzzz"), QStringLiteral("  lord  "), QStringLiteral("\t"),
                             QStringLiteral("#"), QStringLiteral(".*"), QStringLiteral("σοφια"),
                             QStringLiteral("é"), QString(), QString(10000, u'q'),
                             QStringLiteral("parchment"), QStringLiteral("   ")})
        mix.push_back({verses, q, QString(), QString()});
    for (const auto &[s, a] : std::vector<std::pair<const char *, const char *>>{
                 {"2", "255"}, {"114", "6"}, {"999", "1"}, {"x", "1"}, {"-5", "1"}, {"1.5", "7"}})
        mix.push_back({verses, QString(), QString::fromLatin1(s), QString::fromLatin1(a)});
    for (const QString &file : broken) {
        mix.push_back({file, QStringLiteral("verse"), QString(), QString()});
        mix.push_back({file, QString(), QStringLiteral("1"), QStringLiteral("1")});
    }
    return mix;
}

struct Measure
{
    int descriptors;
    qint64 residentKiB;
};

// Runs the searches in turn and reports the change over the measured ones; false when it is
// a leak.
bool soak(const char *what, int warmUp, int measured, const std::function<void(int)> &run)
{
    for (int i = 0; i < warmUp; ++i)
        run(i);
    const Measure before{openDescriptorCount(), residentKiB()};
    for (int i = 0; i < measured; ++i)
        run(warmUp + i);
    const Measure after{openDescriptorCount(), residentKiB()};
    const qint64 growth = after.residentKiB - before.residentKiB;
    std::printf("%s: %d searches after %d to warm up: open files %d -> %d, resident memory "
                "%lld KiB -> %lld KiB (%+lld KiB)\n",
                what, measured, warmUp, before.descriptors, after.descriptors,
                before.residentKiB, after.residentKiB, growth);
    std::fflush(stdout);
    const bool ok = after.descriptors == before.descriptors && growth < 1024;
    if (!ok)
        std::printf("%s: FAILED: files left open or memory kept\n", what);
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const QString verses = QFileInfo(args.value(1, QStringLiteral("quran.txt"))).absoluteFilePath();
    const int coreSearches = args.value(2, QStringLiteral("10000")).toInt();
    const int windowSearches = args.value(3, QStringLiteral("300")).toInt();
    if (!QFile::exists(verses)) {
        std::fprintf(stderr, "lumaril-soak: %s is missing (tools/setup makes data/quran.txt)\n",
                     qPrintable(verses));
        return 2;
    }
    QTemporaryDir dir;
    const std::vector<Search> mix = searchMix(verses, dir);
    const int round = int(mix.size());

    Recorder core(Recorder::Mode::Quiet);
    const bool coreOk = soak("core", 2 * round, coreSearches, [&](int i) {
        const Search &s = mix[i % round];
        core.query = s.query;
        core.surat = s.surat;
        core.ayat = s.ayat;
        s.surat.isNull() ? Command1_Click(core, s.file) : Command3_Click(core, s.file);
    });

    // One window per file, made before the warm-up, as the program has one for its life. Each
    // search ends with one real message box, closed again at once.
    std::map<QString, std::unique_ptr<Form1>> windows;
    for (const Search &s : mix) {
        if (windows.count(s.file))
            continue;
        auto window = std::make_unique<Form1>(s.file);
        window->show();
        windows[s.file] = std::move(window);
    }
    QApplication::processEvents();
    MessageTimer messages;
    const bool windowOk = soak("window", 2 * round, windowSearches, [&](int i) {
        const Search &s = mix[i % round];
        Form1 &window = *windows[s.file];
        window.findChild<QLineEdit *>(QStringLiteral("Text2"))->setText(s.query);
        window.findChild<QLineEdit *>(QStringLiteral("surat"))->setText(s.surat);
        window.findChild<QLineEdit *>(QStringLiteral("ayat"))->setText(s.ayat);
        const char *button = s.surat.isNull() ? "Command1" : "Command3";
        window.findChild<QPushButton *>(QString::fromLatin1(button))->click();
        QApplication::processEvents();
    });
    const int searches = 2 * round + windowSearches;
    const bool messagesOk = messages.messages() == searches;
    if (!messagesOk)
        std::printf("window: FAILED: %d message boxes for %d searches\n", messages.messages(), searches);
    return coreOk && windowOk && messagesOk ? 0 : 1;
}
