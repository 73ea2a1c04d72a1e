#pragma once

#include "WindowOperations.h"

#include <QStringList>

#include <functional>

// Passes a command's operations on to the real window, except its final message, which is
// only logged. betweenReads runs each time the scan reads the verse file on: a test sees what
// reaches the screen while the command still holds the thread, and can slow the scan down as
// a slow disk would.
class RepaintSpy : public lumaril::WindowOperations
{
public:
    explicit RepaintSpy(lumaril::WindowOperations &window)
        : m_window(window)
    {
    }
    QStringList messages;
    std::function<void()> betweenReads;

    void setResultsText(const QString &text) override { m_window.setResultsText(text); }
    qsizetype resultsTextLength() const override { return m_window.resultsTextLength(); }
    QString queryText() const override { return m_window.queryText(); }
    QString suratText() const override { return m_window.suratText(); }
    QString ayatText() const override { return m_window.ayatText(); }
    void showBusyPanel() override { m_window.showBusyPanel(); }
    void hideBusyPanel() override { m_window.hideBusyPanel(); }
    void repaintNow() override { m_window.repaintNow(); }
    void stayResponsive() override
    {
        m_window.stayResponsive();
        if (betweenReads)
            betweenReads();
    }
    void setMatchFlag(bool matched) override { m_window.setMatchFlag(matched); }
    bool matchFlag() const override { return m_window.matchFlag(); }
    void showInformation(const QString &prompt, const QString &title) override
    {
        messages << title + " | " + prompt;
    }
    void unloadWindow() override {}
    void endProgram() override {}

private:
    lumaril::WindowOperations &m_window;
};
