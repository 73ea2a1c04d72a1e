#include "CommandQueue.h"

#include <QTest>

#include <memory>

using lumaril::CommandQueue;

// The order of commands and closing, played from a script: "A{...}" asks for command A, which
// does what is inside the braces when it runs; "close" is a close asked from outside, "exit"
// the Exit command's own close followed by the end of the program. The log names each command
// as it runs, "farewell", and each close as "closes" or "waits".
class CommandQueueTest : public QObject
{
    Q_OBJECT

    QStringList m_log;
    QString m_duringFarewell;
    std::unique_ptr<CommandQueue> m_queue;

    void play(QStringView script)
    {
        while (!script.isEmpty()) {
            qsizetype end = script.indexOf(u' ');
            const qsizetype brace = script.indexOf(u'{');
            if (brace >= 0 && (end < 0 || brace < end)) {
                int depth = 0;
                for (end = brace; end < script.size(); ++end) {
                    depth += script[end] == u'{' ? 1 : script[end] == u'}' ? -1 : 0;
                    if (depth == 0)
                        break;
                }
                ++end;
            } else if (end < 0) {
                end = script.size();
            }
            step(script.first(end));
            script = script.sliced(std::min(end + 1, script.size()));
        }
    }

    void step(QStringView word)
    {
        if (word == u"close") {
            m_log << (m_queue->closeRequested(false) ? "closes" : "waits");
        } else if (word == u"exit") {
            m_log << (m_queue->closeRequested(true) ? "closes" : "waits");
            m_queue->end();
        } else {
            const qsizetype brace = word.indexOf(u'{');
            const QString name = (brace < 0 ? word : word.first(brace)).toString();
            const QString body = brace < 0 ? QString() : word.sliced(brace + 1).chopped(1).toString();
            m_queue->run([this, name, body] {
                m_log << name;
                play(body);
            });
        }
    }

private Q_SLOTS:
    void order_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("duringFarewell");
        QTest::addColumn<QString>("log");
        QTest::newRow("command during command") << "A{B C} D" << "" << "A B C D";
        QTest::newRow("close during command") << "A{close B}" << "" << "A waits farewell closes";
        QTest::newRow("close twice during command") << "A{close close}" << "" << "A waits waits farewell closes";
        QTest::newRow("close during the farewell") << "close" << "close A" << "farewell closes closes";
        QTest::newRow("command after close") << "close A" << "" << "farewell closes";
        QTest::newRow("close when idle, then again") << "close close" << "" << "farewell closes closes";
        QTest::newRow("Exit during command") << "A{B exit C} D" << "" << "A farewell closes";
    }

    void order()
    {
        QFETCH(QString, script);
        QFETCH(QString, duringFarewell);
        QFETCH(QString, log);
        m_log.clear();
        m_duringFarewell = duringFarewell;
        // Closing from within a command comes back as the command's own close, as Form1's
        // close() comes back to its closeEvent().
        m_queue = std::make_unique<CommandQueue>(
                [this] { m_log << (m_queue->closeRequested(true) ? "closes" : "waits"); },
                [this] {
                    m_log << "farewell";
                    play(m_duringFarewell);
                });
        play(script);
        QCOMPARE(m_log.join(u' '), log);
        QVERIFY(!m_queue->isRunning());
    }
};

QTEST_GUILESS_MAIN(CommandQueueTest)
#include "commandqueuetest.moc"
