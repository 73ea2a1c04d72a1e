#pragma once

#include "WindowOperations.h"

#include <QStringList>

#include <functional>

// Stands in for the main window in core tests: answers the read operations from its fields
// and logs every call, in order, as one line.
class Recorder : public lumaril::WindowOperations
{
public:
    QString query;
    QString surat;
    QString ayat;
    QString results;
    bool flag = true;
    QStringList log;
    // Runs inside showInformation, while the "modal box" is up.
    std::function<void()> onInformation;

    void setResultsText(const QString &text) override
    {
        results = text;
        log << QStringLiteral("set results (%1)").arg(text.size());
    }
    qsizetype resultsTextLength() const override { return results.size(); }
    QString queryText() const override { return query; }
    QString suratText() const override { return surat; }
    QString ayatText() const override { return ayat; }
    void showBusyPanel() override { log << QStringLiteral("show busy"); }
    void hideBusyPanel() override { log << QStringLiteral("hide busy"); }
    void repaintNow() override { log << QStringLiteral("repaint"); }
    void setMatchFlag(bool matched) override { flag = matched; }
    bool matchFlag() const override { return flag; }
    void showInformation(const QString &prompt, const QString &title) override
    {
        log << QStringLiteral("message %1 | %2").arg(title, prompt);
        if (onInformation)
            onInformation();
    }
    void unloadWindow() override { log << QStringLiteral("unload"); }
    void endProgram() override { log << QStringLiteral("end"); }

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
};
