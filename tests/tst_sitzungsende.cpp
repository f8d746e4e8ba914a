// The end from outside: a signal reaches the event loop, and the main window
// then saves as its close with Ja does, without a question.
#include "desktop/sitzungsende.h"
#include "gui/frmplayer.h"
#include "tests/support/fakes.h"

#include <QDir>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <csignal>

using namespace Qt::StringLiterals;

class SitzungsendeTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void signalReachesTheLoop_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGHUP") << SIGHUP;
        QTest::newRow("SIGINT") << SIGINT;
    }

    void signalReachesTheLoop()
    {
        QFETCH(int, signal);
        const Sitzungsende sitzungsende;
        QSignalSpy ende(&sitzungsende, &Sitzungsende::ende);
        QCOMPARE(std::raise(signal), 0);
        QVERIFY(ende.wait());
    }

    void endsWithoutAQuestion()
    {
        // Random play at start takes b.mp3 from the queue.
        SitzungFixture s({u"a.mp3"_s, u"b.mp3"_s, u"c.mp3"_s}, "11000\r\n", "b.mp3/c.mp3/\r\n");
        FakeDialogs dialogs;
        frmPlayer player(*s.sitzung, dialogs);
        player.Form_Load();
        player.show();
        QSignalSpy ende(&player, &frmPlayer::Programmende);
        QFile::remove(s.ordner.path(u"Einstellungen.wob"_s));
        QDir().mkpath(s.ordner.path(u"Einstellungen.wob/x"_s));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"Einstellungen\\.wob"_s));
        player.ohneFrageBeenden();
        QCOMPARE(ende.size(), 1);
        QCOMPARE(s.ordner.read(u"Warteliste.wob"_s), "c.mp3/\r\n"_ba);
        // The close that the session manager sends afterwards asks nothing either.
        QVERIFY(player.close());
        QCOMPARE(dialogs.questions, QStringList());
    }
};

QTEST_MAIN(SitzungsendeTest)
#include "tst_sitzungsende.moc"
