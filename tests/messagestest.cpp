#include "Messages.h"
#include "Recorder.h"

#include <QTest>

using namespace lumaril;

class MessagesTest : public QObject
{
    Q_OBJECT

private slots:
    void fixedMessages_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("expected");
        QTest::newRow("farewell") << 0 << "Thanks ! | Thanks for using my software ! ";
        QTest::newRow("about") << 1
                               << "About ! | This is a Lumaril . You can search any word or phrase in the "
                                  "Quran and it will show you the results ! \r\nMade on 23 / 02 / 07 . \r\n"
                                  "Made by Vessim Orlek !";
        QTest::newRow("e-mail") << 2 << "My Email ID ! | My Email ID is lumaril@example.org ";
        QTest::newRow("website") << 3
                                 << "My Website ! | My website is https://lumaril.example.org/ . \r\n"
                                    "Please visit it !";
    }

    void fixedMessages()
    {
        QFETCH(int, which);
        QFETCH(QString, expected);
        Recorder ops;
        const std::function<void(WindowOperations &)> procedures[] = {Form_Unload, showAbout,
                                                                     showEmail, showWebsite};
        procedures[which](ops);
        QCOMPARE(ops.log, QStringList{"message " + expected});
    }

    // Exit unloads first (which is where the farewell comes from), then ends the program.
    void exitUnloadsThenEnds()
    {
        Recorder ops;
        exitProgram(ops);
        QCOMPARE(ops.log, (QStringList{"unload", "end"}));
    }
};

QTEST_GUILESS_MAIN(MessagesTest)
#include "messagestest.moc"
