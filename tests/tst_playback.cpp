#include "platform/intervaltimer.h"
#include "platform/mediadevice.h"
#include "platform/progressbar.h"
#include "platform/statusbar.h"
#include "tests/support/fakes.h"
#include "windows/frmwarteliste.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace
{

// A player over ten tracks t0.mp3 … t9.mp3, started without playing.
struct TenTracks : PlayerFixture {
    explicit TenTracks(const QByteArray& settings = "00000")
    {
        for (int i = 0; i < 10; ++i)
            write(QStringLiteral("M/t%1.mp3").arg(i));
        start(settings, path(QStringLiteral("M")).toUtf8() + ";");
        engine->calls.clear();
    }
    // As the Play button does: remember the position, then play it.
    void playAt(int position)
    {
        player->Listennummer = position;
        player->Play(position);
    }
    QString modus() const { return player->StatusBar->panelText(QStringLiteral("Modus")); }
    void queue(int position)
    {
        player->Warteliste->combowarteliste->addItem(player->LIST1Eintraege().at(position));
    }
};

} // namespace

class PlaybackTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void playSendsCommandsInOrder();
    void playWhileMutedSilencesEachTrack();
    void playOutsideTheListDoesNothing();
    void titleLosesEveryCopyOfItsMarker();
    void pauseToggles();
    void stopAndPlayAgain();
    void nextRunsOnTheFollowingTick();
    void seek_data();
    void seek();
    void tickDisplays();
    void tickKeepsPercentageAtPositionZero();
    void tickInStoppedMode();
    void sequentialChoiceWrapsAround();
    void queueComesFirst();
    void queueEntryGoneFromLibrary();
    void randomChoiceStaysInRange();
    void unplayableFilesAreSkipped();
    void switchesKeepOneButtonPerPair();
    void zufallEinAusIgnoresOtherWords_data();
    void zufallEinAusIgnoresOtherWords();
};

void PlaybackTest::playSendsCommandsInOrder()
{
    TenTracks f;
    f.player->Play(3);
    QCOMPARE(f.engine->calls,
             (QStringList{QStringLiteral("close"),
                          QStringLiteral("FileName ") + f.path(QStringLiteral("M/t3.mp3")),
                          QStringLiteral("open"), QStringLiteral("play")}));
    QCOMPARE(f.player->LIST1->currentIndex(), 3);
    QCOMPARE(f.player->lbltitel->text(), QStringLiteral("t3.mp3   "));
    QCOMPARE(f.modus(), QStringLiteral("PLAY"));
    QCOMPARE(f.player->Timer1->Interval(), 500);
    const MediaDevice* bar = f.player->mscMusik;
    QVERIFY(!bar->playEnabled() && bar->pauseEnabled() && bar->stopEnabled());
    QVERIFY(bar->nextEnabled() && bar->prevEnabled());
}

void PlaybackTest::playWhileMutedSilencesEachTrack()
{
    TenTracks f;
    f.player->cmdVolume_Click();
    f.engine->calls.clear();
    f.player->Play(0);
    f.player->Play(1);
    QCOMPARE(f.engine->calls.count(QStringLiteral("Silent 1")), 2);
    QCOMPARE(f.engine->calls.at(4), QStringLiteral("Silent 1"));
    f.player->cmdnovolume_Click();
    f.engine->calls.clear();
    f.player->Play(2);
    QVERIFY(!f.engine->calls.join(u',').contains(QStringLiteral("Silent")));
}

void PlaybackTest::playOutsideTheListDoesNothing()
{
    TenTracks f;
    f.player->Play(-1);
    f.player->Play(10);
    QVERIFY(f.engine->calls.isEmpty());
    QCOMPARE(f.modus(), QString());
    QCOMPARE(f.player->LIST1->currentIndex(), 0);
}

void PlaybackTest::titleLosesEveryCopyOfItsMarker()
{
    PlayerFixture f;
    f.write(QStringLiteral("M/x#0#y.mp3"));
    frmPlayer& p = f.start("00000", f.path(QStringLiteral("M")).toUtf8() + ";");
    p.Play(0);
    QCOMPARE(p.lbltitel->text(), QStringLiteral("xy.mp3   "));
    QCOMPARE(f.engine->fileName.string(), f.path(QStringLiteral("M/x#0#y.mp3")).toStdString());
}

void PlaybackTest::pauseToggles()
{
    TenTracks f;
    // Before any track, and after Stop, Pause pauses.
    f.player->mscMusik_PauseClick();
    QCOMPARE(f.modus(), QStringLiteral("PAUSE"));
    f.player->Play(0);
    f.player->mscMusik->pressPause();
    QCOMPARE(f.modus(), QStringLiteral("PAUSE"));
    QCOMPARE(f.engine->mode, MediaEngine::ModePaused);
    QVERIFY(!f.player->Timer1->isActive());
    QVERIFY(!f.player->mscMusik->nextEnabled() && f.player->mscMusik->stopEnabled());
    f.player->mscMusik->pressPause();
    QCOMPARE(f.modus(), QStringLiteral("PLAY"));
    QCOMPARE(f.engine->mode, MediaEngine::ModePlaying);
    QCOMPARE(f.player->Timer1->Interval(), 500);
    QVERIFY(!f.player->mscMusik->playEnabled() && f.player->mscMusik->nextEnabled());
}

void PlaybackTest::stopAndPlayAgain()
{
    TenTracks f;
    f.player->Play(4);
    f.engine->position = 1234;
    f.player->Timer1_Timer();
    const QString shown = f.player->lblDauerBisher->text();
    f.engine->calls.clear();
    f.player->mscMusik->pressStop();
    QCOMPARE(f.engine->calls,
             (QStringList{QStringLiteral("stop"), QStringLiteral("open"), QStringLiteral("stop")}));
    QCOMPARE(f.modus(), QStringLiteral("STOP"));
    QVERIFY(!f.player->Timer1->isActive());
    QVERIFY(f.player->mscMusik->playEnabled() && !f.player->mscMusik->pauseEnabled());
    QCOMPARE(f.player->lblDauerBisher->text(), shown);
    f.player->mscMusik->pressPlay();
    QCOMPARE(f.player->Listennummer, 4);
    QCOMPARE(f.engine->fileName.filename().string(), std::string("t4.mp3"));
}

void PlaybackTest::nextRunsOnTheFollowingTick()
{
    TenTracks f;
    f.playAt(2);
    f.player->mscMusik->pressNext();
    QVERIFY(f.player->Liedende());
    QCOMPARE(f.engine->fileName.filename().string(), std::string("t2.mp3"));
    f.player->Timer1_Timer();
    QVERIFY(!f.player->Liedende());
    QCOMPARE(f.player->LIST1->currentIndex(), 3);
    QCOMPARE(f.engine->fileName.filename().string(), std::string("t3.mp3"));
}

void PlaybackTest::seek_data()
{
    QTest::addColumn<qint64>("length");
    QTest::addColumn<double>("x");
    QTest::addColumn<QString>("from");
    QTest::newRow("half down to even") << qint64(5) << 50.0 << QStringLiteral("From 2");
    QTest::newRow("half up to even") << qint64(7) << 50.0 << QStringLiteral("From 4");
    QTest::newRow("left edge") << qint64(185000) << 0.0 << QStringLiteral("From 0");
    QTest::newRow("right edge") << qint64(185000) << 100.0 << QStringLiteral("From 185000");
    QTest::newRow("left of the bar") << qint64(185000) << -30.0 << QStringLiteral("From 0");
    QTest::newRow("right of the bar") << qint64(185000) << 250.0 << QStringLiteral("From 185000");
    QTest::newRow("length unknown") << qint64(0) << 50.0 << QString();
}

void PlaybackTest::seek()
{
    QFETCH(qint64, length);
    QFETCH(double, x);
    QFETCH(QString, from);
    TenTracks f;
    f.player->Fortschritt->resize(100, 20);
    f.player->Play(0);
    f.engine->length = length;
    f.engine->calls.clear();
    f.player->Fortschritt_MouseUp(x);
    if (from.isEmpty())
        QVERIFY(f.engine->calls.isEmpty());
    else
        QCOMPARE(f.engine->calls,
                 (QStringList{QStringLiteral("Stop"), from, QStringLiteral("Play")}));
    // Nothing to seek while paused.
    f.player->mscMusik_PauseClick();
    f.engine->calls.clear();
    f.player->Fortschritt_MouseUp(x);
    QVERIFY(f.engine->calls.isEmpty());
}

void PlaybackTest::tickDisplays()
{
    TenTracks f;
    f.player->Play(1);
    f.engine->length = 185000;
    f.engine->position = 92500;
    f.player->Timer1_Timer();
    QCOMPARE(f.player->lblDauerGesamt->text(), QStringLiteral("3 min 5 sek"));
    QCOMPARE(f.player->lblDauerBisher->text(), QStringLiteral("1 min 32 sek"));
    QCOMPARE(f.player->lblprozent->text(), QStringLiteral("50 %"));
    QCOMPARE(f.player->Fortschritt->value(), 50);
    QCOMPARE(f.player->windowTitle(), QStringLiteral("Tonlaterne >> t1.mp3     50 %"));
    f.engine->position = 999;
    f.player->Timer1_Timer();
    QCOMPARE(f.player->lblDauerBisher->text(), QStringLiteral("0 min 0 sek"));
    QCOMPARE(f.player->lblprozent->text(), QStringLiteral("0 %"));
    // Long tracks: whole seconds beyond 16 bits.
    f.engine->length = qint64(10) * 3600 * 1000;
    f.engine->position = f.engine->length - 1000;
    f.player->Timer1_Timer();
    QCOMPARE(f.player->lblDauerGesamt->text(), QStringLiteral("600 min 0 sek"));
    QCOMPARE(f.player->lblprozent->text(), QStringLiteral("99 %"));
    QCOMPARE(frmPlayer::SekundenInMinuten(3600), QStringLiteral("60 min 0 sek"));
    QCOMPARE(frmPlayer::SekundenInMinuten(0), QStringLiteral("0 min 0 sek"));
}

void PlaybackTest::tickKeepsPercentageAtPositionZero()
{
    TenTracks f;
    f.playAt(1);
    f.engine->length = 1000;
    f.engine->position = 990;
    f.player->Timer1_Timer();
    QCOMPARE(f.player->lblprozent->text(), QStringLiteral("99 %"));
    // The track ends; the next one starts at 0 and the old percentage stays.
    f.engine->position = 1000;
    f.player->Timer1_Timer();
    QCOMPARE(f.engine->fileName.filename().string(), std::string("t2.mp3"));
    f.engine->position = 0;
    f.player->Timer1_Timer();
    QCOMPARE(f.player->lblprozent->text(), QStringLiteral("99 %"));
    QCOMPARE(f.player->Fortschritt->value(), 99);
    // Position without a length is not a percentage.
    f.engine->length = 0;
    f.engine->position = 500;
    f.player->Timer1_Timer();
    QCOMPARE(f.player->lblprozent->text(), QStringLiteral("99 %"));
    QVERIFY(!f.player->Liedende());
}

void PlaybackTest::tickInStoppedMode()
{
    TenTracks f;
    f.player->Play(1);
    f.engine->length = 65000;
    f.engine->position = 30000;
    f.engine->mode = MediaEngine::ModeStopped;
    f.player->Timer1_Timer();
    QCOMPARE(f.player->DauerGesamt(), 65000);
    QCOMPARE(f.player->lblDauerGesamt->text(), QStringLiteral("1 min 5 sek"));
    QCOMPARE(f.player->lblDauerBisher->text(), QStringLiteral("0 min 0 sek"));
    QCOMPARE(f.player->lblprozent->text(), QStringLiteral("0 %"));
    QCOMPARE(f.player->Fortschritt->value(), 0);
    QVERIFY(f.player->windowTitle().endsWith(QStringLiteral("  0 %")));
}

void PlaybackTest::sequentialChoiceWrapsAround()
{
    TenTracks f;
    f.player->Listennummer = 3;
    f.player->mscMusik_NextClick();
    f.player->Timer1_Timer();
    QCOMPARE(f.player->Listennummer, 4);
    f.playAt(9);
    f.engine->length = 100;
    f.engine->position = 100;
    f.player->Timer1_Timer();
    QCOMPARE(f.player->Listennummer, 0);
    QCOMPARE(f.player->LIST1->currentIndex(), 0);
}

void PlaybackTest::queueComesFirst()
{
    TenTracks f;
    f.playAt(0);
    f.queue(7);
    f.queue(2);
    f.player->mscMusik_NextClick();
    f.player->Timer1_Timer();
    QCOMPARE(f.player->Listennummer, 7);
    QCOMPARE(f.player->Wartend, 1);
    QCOMPARE(f.player->Warteliste->combowarteliste->count(), 1);
    QCOMPARE(f.player->StatusBar->panelText(QStringLiteral("Warteliste")), QStringLiteral("1"));
    f.player->mscMusik_NextClick();
    f.player->Timer1_Timer();
    QCOMPARE(f.player->Listennummer, 2);
    // Then on from the queued track's place in the list.
    f.player->mscMusik_NextClick();
    f.player->Timer1_Timer();
    QCOMPARE(f.player->Listennummer, 3);
    QCOMPARE(f.player->StatusBar->panelText(QStringLiteral("Warteliste")), QStringLiteral("0"));
}

void PlaybackTest::queueEntryGoneFromLibrary()
{
    TenTracks f;
    f.player->Play(5);
    f.player->Warteliste->combowarteliste->addItem(QStringLiteral("weg.mp3   #42#"));
    f.queue(8);
    f.player->mscMusik_NextClick();
    f.engine->calls.clear();
    f.player->Timer1_Timer();
    // Nothing played, the entry is gone, and the next tick goes on.
    QVERIFY(f.engine->calls.isEmpty());
    QVERIFY(f.player->Liedende());
    QCOMPARE(f.player->Wartend, 1);
    f.player->Timer1_Timer();
    QCOMPARE(f.player->Listennummer, 8);
    QVERIFY(!f.player->Liedende());
}

void PlaybackTest::randomChoiceStaysInRange()
{
    TenTracks f("01000");
    QVERIFY(f.player->ZufallAn());
    for (int i = 0; i < 20; ++i) {
        f.player->mscMusik_NextClick();
        f.player->Timer1_Timer();
        QVERIFY(f.player->Listennummer >= 0 && f.player->Listennummer < 10);
        QCOMPARE(f.player->LIST1->currentIndex(), f.player->Listennummer);
    }
    f.queue(6);
    f.player->mscMusik_NextClick();
    f.player->Timer1_Timer();
    QCOMPARE(f.player->Listennummer, 6);
}

void PlaybackTest::unplayableFilesAreSkipped()
{
    TenTracks f;
    f.player->Play(0);
    f.engine->fails = true;
    f.player->Timer1_Timer();
    QCOMPARE(f.player->Listennummer, 1);
    QCOMPARE(f.modus(), QStringLiteral("PLAY"));
    QVERIFY(f.dialogs.messages.isEmpty());
    // A good file in between starts the count again.
    f.engine->fails = false;
    f.player->Timer1_Timer();
    f.engine->fails = true;
    for (int i = 0; i < 9; ++i)
        f.player->Timer1_Timer();
    QCOMPARE(f.modus(), QStringLiteral("PLAY"));
    // Every file of the library failed in a row: give up as Stop does.
    f.player->Timer1_Timer();
    QCOMPARE(f.modus(), QStringLiteral("STOP"));
    QVERIFY(!f.player->Timer1->isActive());
    QVERIFY(f.player->mscMusik->playEnabled());
}

void PlaybackTest::switchesKeepOneButtonPerPair()
{
    TenTracks f;
    frmPlayer& p = *f.player;
    const auto check = [&] {
        const QString ton = p.StatusBar->panelText(QStringLiteral("Ton"));
        const QString zufall = p.StatusBar->panelText(QStringLiteral("Zufall"));
        QCOMPARE(p.cmdVolume->isVisibleTo(&p), ton == u"Ton an");
        QCOMPARE(p.cmdnovolume->isVisibleTo(&p), ton == u"Ton aus");
        QCOMPARE(p.cmdKeinzufall->isVisibleTo(&p), zufall == u"Ein");
        QCOMPARE(p.cmdzufall->isVisibleTo(&p), zufall == u"Aus");
        QCOMPARE(p.TonAn(), ton == u"Ton an");
        QCOMPARE(p.ZufallAn(), zufall == u"Ein");
    };
    check();
    p.cmdVolume->click();
    check();
    QVERIFY(f.engine->silent);
    p.cmdzufall->click();
    check();
    p.ZufallEinAus(QStringLiteral("Ein"));
    check();
    p.cmdnovolume->click();
    check();
    QVERIFY(!f.engine->silent);
    p.cmdKeinzufall->click();
    check();
    QVERIFY(!p.ZufallAn());
}

void PlaybackTest::zufallEinAusIgnoresOtherWords_data()
{
    QTest::addColumn<QString>("word");
    QTest::newRow("lower case") << QStringLiteral("ein");
    QTest::newRow("blank before") << QStringLiteral(" Ein");
    QTest::newRow("blank after") << QStringLiteral("Aus ");
    QTest::newRow("empty") << QString();
}

void PlaybackTest::zufallEinAusIgnoresOtherWords()
{
    QFETCH(QString, word);
    TenTracks f;
    f.player->ZufallEinAus(word);
    QVERIFY(!f.player->ZufallAn());
    QCOMPARE(f.player->StatusBar->panelText(QStringLiteral("Zufall")), QStringLiteral("Aus"));
    QVERIFY(f.player->cmdzufall->isVisibleTo(f.player.get()));
}

QTEST_MAIN(PlaybackTest)
#include "tst_playback.moc"
