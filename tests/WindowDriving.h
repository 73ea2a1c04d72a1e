#pragma once

#include "WindowOperations.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <functional>

// A control of the window by its name, which every control has as its objectName.
template<typename T = QWidget>
T *control(const QWidget &window, const char *name)
{
    T *found = window.findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

// Answers every modal message box the window opens while it lives: notes what the box shows,
// then presses its only button, as a user would.
class MessageCatcher : public QObject
{
public:
    struct Seen
    {
        QMessageBox::Icon icon;
        QString title;
        QString text;
        QStringList buttons;
        bool modal;
    };
    QList<Seen> seen;

    MessageCatcher()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] { answer(); });
        m_timer.start(5);
    }

private:
    void answer()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        QStringList buttons;
        for (QAbstractButton *b : box->buttons())
            buttons << b->text();
        seen << Seen{box->icon(), box->windowTitle(), box->text(), buttons, box->isModal()};
        box->buttons().first()->click();
    }

    QTimer m_timer;
};

// Passes the operations on to the window and logs them, so that a test sees what a command
// asked of the real window. Messages and unloading reach the window only when forwardAll is
// set; ending the program never does, as it would end the test's own event loops too.
// afterRepaint runs right after each repaint has been carried out.
class SpyOperations : public lumaril::WindowOperations
{
public:
    explicit SpyOperations(lumaril::WindowOperations &target)
        : m_target(target)
    {
    }
    QStringList log;
    std::function<void()> afterRepaint;
    bool forwardAll = false;

    void setResultsText(const QString &text) override { log << "set results"; m_target.setResultsText(text); }
    qsizetype resultsTextLength() const override { return m_target.resultsTextLength(); }
    QString queryText() const override { return m_target.queryText(); }
    QString suratText() const override { return m_target.suratText(); }
    QString ayatText() const override { return m_target.ayatText(); }
    void showBusyPanel() override { log << "show busy"; m_target.showBusyPanel(); }
    void hideBusyPanel() override { log << "hide busy"; m_target.hideBusyPanel(); }
    void repaintNow() override
    {
        log << "repaint";
        m_target.repaintNow();
        if (afterRepaint)
            afterRepaint();
    }
    void setMatchFlag(bool matched) override { m_target.setMatchFlag(matched); }
    bool matchFlag() const override { return m_target.matchFlag(); }
    void showInformation(const QString &prompt, const QString &title) override
    {
        log << "message " + title + " | " + prompt;
        if (forwardAll)
            m_target.showInformation(prompt, title);
    }
    void unloadWindow() override
    {
        log << "unload";
        if (forwardAll)
            m_target.unloadWindow();
    }
    void endProgram() override { log << "end"; }

private:
    lumaril::WindowOperations &m_target;
};
