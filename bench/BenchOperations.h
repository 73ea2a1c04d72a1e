#pragma once

// Window operations for the benchmarks and the soak run, which search many times in a row
// with no one there to close a message box.

#include "WidgetOperations.h"
#include "WindowOperations.h"

#include <QElapsedTimer>

// The operations of the search core alone: the boxes are fields and the final message is only
// noted. Only the length of the results is kept, as the real window keeps its own copy of the
// text rather than a reference, which would make every append copy the whole text.
class QuietOperations : public lumaril::WindowOperations
{
public:
    QString query, surat, ayat, message;
    qsizetype resultsLength = 0;
    bool flag = true;

    void setResultsText(const QString &text) override { resultsLength = text.size(); }
    qsizetype resultsTextLength() const override { return resultsLength; }
    QString queryText() const override { return query; }
    QString suratText() const override { return surat; }
    QString ayatText() const override { return ayat; }
    void showBusyPanel() override {}
    void hideBusyPanel() override {}
    void repaintNow() override {}
    void setMatchFlag(bool matched) override { flag = matched; }
    bool matchFlag() const override { return flag; }
    void showInformation(const QString &prompt, const QString &) override { message = prompt; }
    void unloadWindow() override {}
    void endProgram() override {}
};

// The real window's operations, except that the final message is noted (with the time on
// clock, when it runs) rather than shown; repaints are counted.
class WindowWithoutBoxes : public lumaril::WindowOperations
{
public:
    explicit WindowWithoutBoxes(lumaril::WidgetOperations &window)
        : m_window(window)
    {
    }
    QString message;
    QElapsedTimer clock;
    qint64 messageAtNs = 0;
    int repaints = 0;

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
        messageAtNs = clock.isValid() ? clock.nsecsElapsed() : 0;
        message = prompt;
    }
    void unloadWindow() override {}
    void endProgram() override {}

private:
    lumaril::WidgetOperations &m_window;
};
