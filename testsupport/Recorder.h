#pragma once

#include "WindowOperations.h"

#include <QStringList>

#include <functional>

// Stands in for the main window: answers the read operations from its fields and logs every
// call, in order, as one line. The tests and the fuzzer read the log; the benchmarks and the
// soak run take it quiet, so that what they time or count is the search alone.
class Recorder : public lumaril::WindowOperations
{
public:
    enum class Mode {
        Logging,
        // No log and no copy of the results, only their length: the real window keeps its own
        // copy of the text, so sharing the caller's would make every append copy it whole.
        Quiet,
    };

    explicit Recorder(Mode mode = Mode::Logging)
        : m_quiet(mode == Mode::Quiet)
    {
    }

    QString query;
    QString surat;
    QString ayat;
    QString results; // stays empty when quiet
    bool flag = true;
    QStringList log;
    // The prompt of the last message shown, also when quiet.
    QString lastPrompt;
    bool busy = false;
    // Whether any message came up while the busy panel was showing.
    bool messageOverBusyPanel = false;
    // Runs inside showInformation, while the "modal box" is up.
    std::function<void()> onInformation;

    void setResultsText(const QString &text) override
    {
        if (m_quiet) {
            m_quietLength = text.size();
            return;
        }
        results = text;
        log << QStringLiteral("set results (%1)").arg(text.size());
    }
    qsizetype resultsTextLength() const override { return m_quiet ? m_quietLength : results.size(); }
    QString queryText() const override { return query; }
    QString suratText() const override { return surat; }
    QString ayatText() const override { return ayat; }
    void showBusyPanel() override
    {
        busy = true;
        note(QStringLiteral("show busy"));
    }
    void hideBusyPanel() override
    {
        busy = false;
        note(QStringLiteral("hide busy"));
    }
    void repaintNow() override { note(QStringLiteral("repaint")); }
    void setMatchFlag(bool matched) override { flag = matched; }
    bool matchFlag() const override { return flag; }
    void showInformation(const QString &prompt, const QString &title) override
    {
        lastPrompt = prompt;
        messageOverBusyPanel = messageOverBusyPanel || busy;
        if (!m_quiet)
            log << QStringLiteral("message %1 | %2").arg(title, prompt);
        if (onInformation)
            onInformation();
    }
    void unloadWindow() override { note(QStringLiteral("unload")); }
    void endProgram() override { note(QStringLiteral("end")); }

    // The messages shown, as "title | prompt".
    [[nodiscard]] QStringList messages() const
    {
        QStringList out;
        for (const QString &line : log) {
            if (line.startsWith(QStringLiteral("message ")))
                out << line.mid(8);
        }
        return out;
    }

private:
    // QStringLiteral makes no string at run time, so a quiet call costs only the test.
    void note(const QString &line)
    {
        if (!m_quiet)
            log << line;
    }

    bool m_quiet;
    qsizetype m_quietLength = 0;
};
