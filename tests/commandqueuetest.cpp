#include "CommandQueue.h"

#include <QTest>

#include <memory>

using lumaril::CommandQueue;

// Command A, then the farewell, ask for a command by name, "close" from outside or "exit" (a
// command's own close, then the end); then "late" is asked. The log: commands as they run.
class CommandQueueTest : public QObject
{
    Q_OBJECT

    QStringList m_log;
    std::unique_ptr<CommandQueue> m_queue;

    void ask(const QString &what)
    {
        if (what == u"close" || what == u"exit")
            m_log << (m_queue->closeRequested(what == u"exit") ? "closes" : "waits");
        if (what == u"exit")
            m_queue->end();
        else if (what != u"close")
            m_queue->run([this, what] { m_log << what; });
    }

private Q_SLOTS:
    void order_data()
    {
        QTest::addColumn<QStringList>("during");
        QTest::addColumn<QStringList>("duringFarewell");
        QTest::addColumn<QString>("log");
        QTest::newRow("command during command") << QStringList{"B", "C"} << QStringList{} << "A B C late";
        QTest::newRow("close twice during command") << QStringList{"close", "close", "B"} << QStringList{}
                                                    << "A waits waits farewell closes";
        QTest::newRow("close during the farewell") << QStringList{"close"} << QStringList{"close", "B"}
                                                   << "A waits farewell closes closes";
        QTest::newRow("Exit during command") << QStringList{"B", "exit", "C"} << QStringList{} << "A farewell closes";
    }

    void order()
    {
        QFETCH(QStringList, during);
        QFETCH(QStringList, duringFarewell);
        QFETCH(QString, log);
        m_log.clear();
        // Closing from within a command comes back as the command's own close, as Form1's
        // close() comes back to its closeEvent().
        m_queue = std::make_unique<CommandQueue>(
                [this] { m_log << (m_queue->closeRequested(true) ? "closes" : "waits"); },
                [&] {
                    m_log << "farewell";
                    for (const QString &what : duringFarewell)
                        ask(what);
                });
        m_queue->run([&] {
            m_log << "A";
            for (const QString &what : during)
                ask(what);
        });
        ask(QStringLiteral("late"));
        QCOMPARE(m_log.join(u' '), log);
    }
};

QTEST_GUILESS_MAIN(CommandQueueTest)
#include "commandqueuetest.moc"
