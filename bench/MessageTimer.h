#pragma once

// For the window benchmark and the soak run, which click through the real window many times
// in a row with no one there to close a message box.

#include <QAbstractButton>
#include <QApplication>
#include <QChildEvent>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>

// Notes each message box the program shows and closes it again at once, as a user pressing
// its one button would. Given a window, the time is taken when that window starts making the
// box, so that what is timed is the command, not the box.
class MessageTimer : public QObject
{
public:
    explicit MessageTimer(QWidget *window = nullptr)
        : m_window(window)
    {
        if (window)
            window->installEventFilter(this);
        qApp->installEventFilter(this);
    }
    ~MessageTimer() override { qApp->removeEventFilter(this); }

    void start()
    {
        m_messageAtNs = -1;
        m_clock.start();
    }
    // From start() to the last message box; -1 when there was none.
    [[nodiscard]] double elapsedMs() const { return m_messageAtNs < 0 ? -1 : double(m_messageAtNs) / 1e6; }
    [[nodiscard]] QString lastMessage() const { return m_message; }
    [[nodiscard]] QString lastTitle() const { return m_title; }
    [[nodiscard]] int messages() const { return m_count; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && event->type() == QEvent::ChildAdded && m_clock.isValid()
            && static_cast<QChildEvent *>(event)->child()->isWidgetType()) {
            m_messageAtNs = m_clock.nsecsElapsed();
        } else if (event->type() == QEvent::Show) {
            if (auto *box = qobject_cast<QMessageBox *>(watched)) {
                ++m_count;
                m_message = box->text();
                m_title = box->windowTitle();
                if (m_messageAtNs < 0 && m_clock.isValid())
                    m_messageAtNs = m_clock.nsecsElapsed();
                QPointer<QMessageBox> shown(box);
                QMetaObject::invokeMethod(box, [shown] {
                    if (shown && !shown->buttons().isEmpty())
                        shown->buttons().first()->click();
                }, Qt::QueuedConnection);
            }
        }
        return false;
    }

private:
    QWidget *m_window;
    QElapsedTimer m_clock;
    qint64 m_messageAtNs = -1;
    QString m_message;
    QString m_title;
    int m_count = 0;
};
