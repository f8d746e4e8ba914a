#include "platform/intervaltimer.h"
#include "platform/mediadevice.h"
#include "platform/statusbar.h"
#include "tests/support/fakes.h"
#include "windows/frmwarteliste.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

class StartupTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void onlyPlayBeforeTheFirstTrack();
    void plainStart();
    void playAtStart();
    void randomStartTakesQueueHead();
    void randomStartDrawsEveryPosition();
    void closeAnsweredNoChangesNothing();
    void closeAnsweredYesStoresSettingsAndQueue_data();
    void closeAnsweredYesStoresSettingsAndQueue();
    void endFromMenuStoresNothing();

private:
    static QByteArray folderLine(PlayerFixture& f, const QStringList& names);
};

QByteArray StartupTest::folderLine(PlayerFixture& f, const QStringList& names)
{
    for (const QString& name : names)
        f.write(QStringLiteral("M/") + name);
    return f.path(QStringLiteral("M")).toUtf8() + ";\r\n";
}

void StartupTest::onlyPlayBeforeTheFirstTrack()
{
    PlayerFixture f;
    const MediaDevice* bar = f.player->mscMusik;
    QVERIFY(bar->playEnabled());
    QVERIFY(!bar->pauseEnabled() && !bar->stopEnabled());
    QVERIFY(!bar->nextEnabled() && !bar->prevEnabled());
}

void StartupTest::plainStart()
{
    PlayerFixture f;
    frmPlayer& p = f.start(
        "00000\r\n",
        folderLine(f, {QStringLiteral("b.mp3"), QStringLiteral("a.mp3"), QStringLiteral("c.wav")}),
        "c.wav/\r\n");
    QCOMPARE(p.LIST1->currentIndex(), 0);
    QCOMPARE(p.LIST1->currentText(), QStringLiteral("a.mp3   #0#"));
    QCOMPARE(p.Listennummer, 0);
    QVERIFY(p.TonAn());
    QVERIFY(!p.ZufallAn());
    QVERIFY(!p.Liedende());
    QCOMPARE(p.Timer1->Interval(), 0);
    QVERIFY(!p.Timer1->isActive());
    QCOMPARE(p.StatusBar->panelText(QStringLiteral("Modus")), QString());
    QCOMPARE(p.StatusBar->panelText(QStringLiteral("Tracks")), QStringLiteral("3 Lieder"));
    QCOMPARE(p.StatusBar->panelText(QStringLiteral("Ton")), QStringLiteral("Ton an"));
    QCOMPARE(p.StatusBar->panelText(QStringLiteral("Warteliste")), QStringLiteral("1"));
    QCOMPARE(p.StatusBar->panelText(QStringLiteral("Zufall")), QStringLiteral("Aus"));
    QVERIFY(!p.StatusBar->timeText().isEmpty());
    // Without random play the queue waits for the next-track choice.
    QCOMPARE(p.Wartend, 1);
    QCOMPARE(f.engine->calls, QStringList{QStringLiteral("Open")});
    QVERIFY(!p.cmdKeinzufall->isVisibleTo(&p) && p.cmdzufall->isVisibleTo(&p));
    QVERIFY(p.cmdVolume->isVisibleTo(&p) && !p.cmdnovolume->isVisibleTo(&p));
}

void StartupTest::playAtStart()
{
    PlayerFixture f;
    frmPlayer& p =
        f.start("00100", folderLine(f, {QStringLiteral("b.mp3"), QStringLiteral("a.mp3")}));
    QCOMPARE(f.engine->calls,
             (QStringList{QStringLiteral("Open"), QStringLiteral("close"),
                          QStringLiteral("FileName ") + f.path(QStringLiteral("M/a.mp3")),
                          QStringLiteral("open"), QStringLiteral("play")}));
    QCOMPARE(p.StatusBar->panelText(QStringLiteral("Modus")), QStringLiteral("PLAY"));
    QCOMPARE(p.Timer1->Interval(), 500);
    QCOMPARE(p.lbltitel->text(), QStringLiteral("a.mp3   "));
}

void StartupTest::randomStartTakesQueueHead()
{
    PlayerFixture f;
    frmPlayer& p = f.start("01000",
                           folderLine(f, {QStringLiteral("a.mp3"), QStringLiteral("b.mp3"),
                                          QStringLiteral("c.mp3"), QStringLiteral("d.mp3")}),
                           "c.mp3/a.mp3/d.mp3/");
    QVERIFY(p.ZufallAn());
    QCOMPARE(p.LIST1->currentText(), QStringLiteral("c.mp3   #2#"));
    QCOMPARE(p.Listennummer, 2);
    QCOMPARE(p.Wartend, 2);
    QCOMPARE(p.Warteliste->combowarteliste->count(), 2);
    // The panel shows the restored count until the first tick.
    QCOMPARE(p.StatusBar->panelText(QStringLiteral("Warteliste")), QStringLiteral("3"));
    QCOMPARE(p.StatusBar->panelText(QStringLiteral("Zufall")), QStringLiteral("Ein"));
    QVERIFY(p.cmdKeinzufall->isVisibleTo(&p) && !p.cmdzufall->isVisibleTo(&p));
}

void StartupTest::randomStartDrawsEveryPosition()
{
    for (int i = 0; i < 200; ++i) {
        const int n = 1 + i % 7;
        const int r = frmPlayer::Zufallszahl(0, n);
        QVERIFY2(r >= 0 && r < n, qPrintable(QString::number(r)));
    }
    QCOMPARE(frmPlayer::Zufallszahl(0, 1), 0);
    QCOMPARE(frmPlayer::Zufallszahl(0, 0), 0);
}

void StartupTest::closeAnsweredNoChangesNothing()
{
    PlayerFixture f;
    frmPlayer& p = f.start("10000", folderLine(f, {QStringLiteral("a.mp3")}), "a.mp3/");
    QSignalSpy ended(&p, &frmPlayer::Programmende);
    f.dialogs.answer = false;
    bool cancel = false;
    p.Form_Unload(cancel);
    QVERIFY(cancel);
    QCOMPARE(f.dialogs.questions, QStringList{QStringLiteral("Beenden?: Wirklich beenden?")});
    QCOMPARE(f.read(QStringLiteral("Einstellungen.wob")), QByteArray("10000"));
    QCOMPARE(f.read(QStringLiteral("Warteliste.wob")), QByteArray("a.mp3/"));
    QCOMPARE(ended.count(), 0);
    p.mnuEnde_Click();
    QCOMPARE(ended.count(), 0);
    QCOMPARE(f.engine->calls, QStringList{QStringLiteral("Open")});
}

void StartupTest::closeAnsweredYesStoresSettingsAndQueue_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<bool>("queueWritten");
    QTest::newRow("queue option off") << QByteArray("00000") << false;
    QTest::newRow("queue option on") << QByteArray("10000") << true;
}

void StartupTest::closeAnsweredYesStoresSettingsAndQueue()
{
    QFETCH(QByteArray, settings);
    QFETCH(bool, queueWritten);
    PlayerFixture f;
    frmPlayer& p = f.start(settings + "\r\n",
                           folderLine(f, {QStringLiteral("a.mp3"), QStringLiteral("b.mp3")}));
    p.Warteliste->combowarteliste->addItem(p.LIST1Eintraege().at(1));
    QSignalSpy ended(&p, &frmPlayer::Programmende);
    f.dialogs.answer = true;
    QVERIFY(p.close());
    QCOMPARE(ended.count(), 1);
    QCOMPARE(f.read(QStringLiteral("Einstellungen.wob")), settings + "\r\n");
    QCOMPARE(f.exists(QStringLiteral("Warteliste.wob")), queueWritten);
    if (queueWritten)
        QCOMPARE(f.read(QStringLiteral("Warteliste.wob")), QByteArray("b.mp3/\r\n"));
    QCOMPARE(f.engine->calls.last(), QStringLiteral("close"));
}

void StartupTest::endFromMenuStoresNothing()
{
    PlayerFixture f;
    frmPlayer& p = f.start("10000", folderLine(f, {QStringLiteral("a.mp3")}));
    p.Warteliste->combowarteliste->addItem(p.LIST1Eintraege().at(0));
    QSignalSpy ended(&p, &frmPlayer::Programmende);
    f.dialogs.answer = true;
    p.mnuEnde_Click();
    QCOMPARE(ended.count(), 1);
    QVERIFY(!f.exists(QStringLiteral("Warteliste.wob")));
    QCOMPARE(f.read(QStringLiteral("Einstellungen.wob")), QByteArray("10000"));
    QCOMPARE(f.engine->calls.last(), QStringLiteral("close"));
}

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
