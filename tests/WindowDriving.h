#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QTest>
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

// Puts text on the clipboard by `put` (a copy, or setting it directly), and does so again
// while the clipboard does not hold it yet. Windows refuses the clipboard to a program while
// another one has it open (Qt then only logs CLIPBRD_E_CANT_OPEN); under Wine the desktop's
// clipboard manager holds it open for a moment each time it hands a change to the X server.
// A put that gives the wrong text still fails the comparison that follows.
template<typename Put>
void putOnClipboard(const QString &expected, Put put)
{
    for (int attempt = 0; attempt < 20; ++attempt) {
        put();
        if (QApplication::clipboard()->text() == expected)
            return;
        QTest::qWait(50);
    }
}

inline void putOnClipboard(const QString &text)
{
    putOnClipboard(text, [&] { QApplication::clipboard()->setText(text); });
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
    // Runs on each box as it is shown, before it is answered.
    std::function<void(QMessageBox &)> inspect;

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
        if (inspect)
            inspect(*box);
        box->buttons().first()->click();
    }

    QTimer m_timer;
};

// Calls a function with every event an object receives, before the object handles it.
class EventWatch : public QObject
{
public:
    EventWatch(QObject *watched, std::function<void(QEvent *)> seen)
        : m_seen(std::move(seen))
    {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        m_seen(event);
        return false;
    }

private:
    std::function<void(QEvent *)> m_seen;
};
