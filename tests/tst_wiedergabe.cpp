// Playback and the session's start and end, over a fake engine, without a window.
#include "tests/support/fakes.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>
#include <cmath>

namespace
{

const QByteArray settingsOff = "00000\r\n";

// A session over ten tracks t0.mp3 … t9.mp3, started with these options.
struct TenTracks : SitzungFixture {
    explicit TenTracks(const QByteArray& settings = settingsOff, const QByteArray& queue = {})
        : SitzungFixture(files(), settings, queue)
    {
        sitzung->starten();
        engine->calls.clear();
    }
    static QStringList files()
    {
        QStringList f;
        for (int i = 0; i < 10; ++i)
            f.append(QStringLiteral("t%1.mp3").arg(i));
        return f;
    }
    Wiedergabe& w() { return sitzung->wiedergabe(); }
    QString playing() const { return QString::fromStdString(engine->fileName.filename()); }
    // The engine plays the open file to its end; the clock ticks.
    void trackEnds()
    {
        engine->length = 1000;
        engine->position = 1000;
        w().Timer1_Timer();
    }
};

} // namespace

class WiedergabeTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void playSendsCommandsInOrder();
    void buttonsFollowTheState_data();
    void buttonsFollowTheState();
    void seek_data();
    void seek();
    void clockShows_data();
    void clockShows();
    void newTrackShowsItsOwnPercentage();
    void nextChoice_data();
    void nextChoice();
    void endAndNextNeedNotWaitForTheTick();
    void unplayableFilesAreSkippedThenPlaybackStops();
    void randomDrawIsUniformAndIndependent_data();
    void randomDrawIsUniformAndIndependent();
    void startUp_data();
    void startUp();
    void filesOpenedFromOutside();
    void emptyLibraryStartsQuietly();
    void endWritesQueueThenSettings();
    void failedSaveIsReported();
};

void WiedergabeTest::playSendsCommandsInOrder()
{
    TenTracks f;
    QSignalSpy titel(&f.w(), &Wiedergabe::titelChanged);
    f.w().setTonAn(false);
    f.engine->calls.clear();
    f.w().Play(3);
    QCOMPARE(
        f.engine->calls,
        (QStringList{QStringLiteral("close"),
                     QStringLiteral("FileName ") + f.ordner.path(QStringLiteral("M/t3.mp3")),
                     QStringLiteral("open"), QStringLiteral("play"), QStringLiteral("Silent 1")}));
    QCOMPARE(f.w().Auswahl(), 3);
    QCOMPARE(titel.takeFirst().first().toString(), QStringLiteral("t3.mp3   "));
    QVERIFY(f.w().laeuft());
    // Outside the list nothing plays and nothing changes.
    f.engine->calls.clear();
    f.w().Play(10);
    f.w().Play(-1);
    QVERIFY(f.engine->calls.isEmpty());
    QCOMPARE(f.w().Auswahl(), 3);
}

void WiedergabeTest::buttonsFollowTheState_data()
{
    using K = Wiedergabe::Knoepfe;
    using Z = Wiedergabe::Zustand;
    QTest::addColumn<QStringList>("presses");
    QTest::addColumn<int>("zustand");
    QTest::addColumn<K>("knoepfe");
    QTest::addColumn<bool>("ticking");
    QTest::newRow("before the first track") << QStringList{} << int(Z::Bereit) << K{} << false;
    QTest::newRow("play") << QStringList{QStringLiteral("play")} << int(Z::Spielt)
                          << K{false, true, true, true, true} << true;
    QTest::newRow("pause") << QStringList{QStringLiteral("play"), QStringLiteral("pause")}
                           << int(Z::Pause) << K{false, true, true, false, false} << false;
    QTest::newRow("resume") << QStringList{QStringLiteral("play"), QStringLiteral("pause"),
                                           QStringLiteral("pause")}
                            << int(Z::Spielt) << K{false, true, true, true, true} << true;
    QTest::newRow("stop") << QStringList{QStringLiteral("play"), QStringLiteral("stop")}
                          << int(Z::Gestoppt) << K{} << false;
}

void WiedergabeTest::buttonsFollowTheState()
{
    QFETCH(QStringList, presses);
    QFETCH(int, zustand);
    QFETCH(Wiedergabe::Knoepfe, knoepfe);
    QFETCH(bool, ticking);
    TenTracks f;
    for (const QString& press : presses) {
        if (press == u"play")
            f.w().PlayClick();
        else if (press == u"pause")
            f.w().PauseClick();
        else
            f.w().StopClick();
    }
    QCOMPARE(int(f.w().zustand()), zustand);
    QVERIFY(f.w().knoepfe() == knoepfe);
    QCOMPARE(f.w().laeuft(), ticking);
}

void WiedergabeTest::seek_data()
{
    QTest::addColumn<qint64>("length");
    QTest::addColumn<double>("anteil");
    QTest::addColumn<QString>("from");
    QTest::newRow("half down to even") << qint64(5) << 0.5 << QStringLiteral("From 2");
    QTest::newRow("half up to even") << qint64(7) << 0.5 << QStringLiteral("From 4");
    QTest::newRow("left of the bar") << qint64(185000) << -0.3 << QStringLiteral("From 0");
    QTest::newRow("right of the bar") << qint64(185000) << 2.5 << QStringLiteral("From 185000");
    QTest::newRow("length unknown") << qint64(0) << 0.5 << QString();
}

void WiedergabeTest::seek()
{
    QFETCH(qint64, length);
    QFETCH(double, anteil);
    QFETCH(QString, from);
    TenTracks f;
    f.w().Play(0);
    f.engine->length = length;
    f.engine->calls.clear();
    f.w().Fortschritt_MouseUp(anteil);
    const QStringList expected =
        from.isEmpty() ? QStringList{}
                       : QStringList{QStringLiteral("Stop"), from, QStringLiteral("Play")};
    QCOMPARE(f.engine->calls, expected);
    // Only while playing.
    f.w().PauseClick();
    f.engine->calls.clear();
    f.w().Fortschritt_MouseUp(anteil);
    QVERIFY(f.engine->calls.isEmpty());
}

void WiedergabeTest::clockShows_data()
{
    QTest::addColumn<qint64>("length");
    QTest::addColumn<qint64>("position");
    QTest::addColumn<QStringList>("shown"); // elapsed, total, percentage
    QTest::addColumn<int>("balken");
    QTest::newRow("half way") << qint64(185000) << qint64(92500)
                              << QStringList{QStringLiteral("1 min 32 sek"),
                                             QStringLiteral("3 min 5 sek"), QStringLiteral("50 %")}
                              << 50;
    QTest::newRow("length unknown")
        << qint64(0) << qint64(1500)
        << QStringList{QStringLiteral("0 min 1 sek"), QStringLiteral("0 min 0 sek"),
                       QStringLiteral("0 %")}
        << 0;
    QTest::newRow("over nine hours")
        << qint64(40'000'000) << qint64(39'999'000)
        << QStringList{QStringLiteral("666 min 39 sek"), QStringLiteral("666 min 40 sek"),
                       QStringLiteral("99 %")}
        << 99;
}

void WiedergabeTest::clockShows()
{
    QFETCH(qint64, length);
    QFETCH(qint64, position);
    QFETCH(QStringList, shown);
    QFETCH(int, balken);
    TenTracks f;
    f.w().Play(0);
    f.engine->length = length;
    f.engine->position = position;
    f.w().Timer1_Timer();
    const Wiedergabe::Anzeige& a = f.w().anzeige();
    QCOMPARE((QStringList{a.dauerBisher, a.dauerGesamt, a.prozent}), shown);
    QCOMPARE(a.balken, balken);
    QCOMPARE(Wiedergabe::SekundenInMinuten(-61), QStringLiteral("-2 min 59 sek"));
}

void WiedergabeTest::newTrackShowsItsOwnPercentage()
{
    TenTracks f;
    f.w().Play(0);
    f.engine->length = 1000;
    f.engine->position = 990;
    f.w().Timer1_Timer();
    QCOMPARE(f.w().anzeige().prozent, QStringLiteral("99 %"));
    f.w().NextClick();
    QCOMPARE(f.playing(), QStringLiteral("t1.mp3"));
    QCOMPARE(f.w().anzeige().prozent, QStringLiteral("0 %"));
    QCOMPARE(f.w().anzeige().balken, 0);
}

void WiedergabeTest::nextChoice_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<QByteArray>("queue");
    QTest::addColumn<bool>("random");
    QTest::addColumn<QStringList>("played");
    QTest::newRow("next in the list")
        << 3 << QByteArray() << false
        << QStringList{QStringLiteral("t4.mp3"), QStringLiteral("t5.mp3")};
    QTest::newRow("wraps around") << 9 << QByteArray() << false
                                  << QStringList{QStringLiteral("t0.mp3"),
                                                 QStringLiteral("t1.mp3")};
    QTest::newRow("queue first, then on from its track")
        << 0 << QByteArray("t7.mp3/t2.mp3/\r\n") << false
        << QStringList{QStringLiteral("t7.mp3"), QStringLiteral("t2.mp3"),
                       QStringLiteral("t3.mp3")};
    QTest::newRow("queue first in random mode")
        << 0 << QByteArray("t7.mp3/\r\n") << true << QStringList{QStringLiteral("t7.mp3")};
}

void WiedergabeTest::nextChoice()
{
    QFETCH(int, from);
    QFETCH(QByteArray, queue);
    QFETCH(bool, random);
    QFETCH(QStringList, played);
    TenTracks f(settingsOff, queue);
    if (random)
        f.w().ZufallEinAus(QStringLiteral("Ein"));
    f.w().Play(from);
    QStringList seen;
    for (qsizetype i = 0; i < played.size(); ++i) {
        f.trackEnds();
        seen.append(f.playing());
    }
    QCOMPARE(seen, played);
    QCOMPARE(f.sitzung->warteliste().Wartend(), 0);
}

void WiedergabeTest::endAndNextNeedNotWaitForTheTick()
{
    TenTracks f;
    f.w().Play(0);
    // The engine tells of the end: the next track starts from the event loop
    // at once, not half a second later.
    f.engine->length = 1000;
    f.engine->finish();
    QCOMPARE(f.playing(), QStringLiteral("t0.mp3"));
    QCoreApplication::processEvents();
    QCOMPARE(f.playing(), QStringLiteral("t1.mp3"));
    // Next plays the next track right away, and only while playing.
    f.w().NextClick();
    QCOMPARE(f.playing(), QStringLiteral("t2.mp3"));
    f.w().PauseClick();
    f.w().NextClick();
    f.engine->finish();
    QCoreApplication::processEvents();
    QCOMPARE(f.playing(), QStringLiteral("t2.mp3"));
}

void WiedergabeTest::unplayableFilesAreSkippedThenPlaybackStops()
{
    TenTracks f;
    f.w().Play(0);
    f.engine->fails = true;
    for (int i = 1; i < 10; ++i) {
        f.w().Timer1_Timer();
        QCOMPARE(f.playing(), QStringLiteral("t%1.mp3").arg(i));
    }
    // After a whole round of failures the player stops as the Stop button
    // does, and the clock still shows what it shows after a stop.
    f.sitzung->warteliste().anhaengen(3);
    QSignalSpy wartend(&f.sitzung->warteliste(), &Warteliste::wartendAngezeigt);
    f.w().Timer1_Timer();
    QCOMPARE(f.playing(), QStringLiteral("t9.mp3"));
    QCOMPARE(f.w().zustand(), Wiedergabe::Zustand::Gestoppt);
    QVERIFY(!f.w().laeuft());
    QCOMPARE(wartend.size(), 1);
    QCOMPARE(f.w().anzeige().prozent, QStringLiteral("0 %"));
}

void WiedergabeTest::randomDrawIsUniformAndIndependent_data()
{
    QTest::addColumn<int>("U");
    QTest::newRow("none") << 0;
    QTest::newRow("one") << 1;
    QTest::newRow("two") << 2;
    QTest::newRow("twenty") << 20;
    QTest::newRow("large") << 100'000;
}

void WiedergabeTest::randomDrawIsUniformAndIndependent()
{
    QFETCH(int, U);
    TenTracks f;
    QRandomGenerator fixed(20261206);
    f.w().setZufallsgenerator(&fixed);
    // Spread over at most 20 classes: a chi-square test with its 0.1 % bound.
    const int classes = std::clamp(U, 1, 20);
    const int draws = 20'000;
    std::vector<int> count(static_cast<size_t>(classes));
    double sumXY = 0, sumX = 0, sumXX = 0;
    int last = f.w().Zufallszahl(7, U);
    for (int i = 0; i < draws; ++i) {
        const int r = f.w().Zufallszahl(7, U);
        QVERIFY(r >= 0 && r < std::max(U, 1));
        ++count[static_cast<size_t>(static_cast<qint64>(r) * classes / std::max(U, 1))];
        sumXY += double(r) * last;
        sumX += r;
        sumXX += double(r) * r;
        last = r;
    }
    if (U <= 1)
        return; // always 0
    const double expected = double(draws) / classes;
    double chi2 = 0;
    for (const int c : count)
        chi2 += (c - expected) * (c - expected) / expected;
    const double bound[] = {0, 10.83, 13.82, 16.27, 18.47}; // by degrees of freedom
    QVERIFY2(chi2 < (classes - 1 < 5 ? bound[classes - 1] : 43.82),
             qPrintable(QString::number(chi2)));
    // Lag-one correlation of successive draws.
    const double mean = sumX / draws;
    const double var = sumXX / draws - mean * mean;
    const double corr = (sumXY / draws - mean * mean) / var;
    QVERIFY2(std::abs(corr) < 0.03, qPrintable(QString::number(corr)));
}

void WiedergabeTest::startUp_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QByteArray>("queue");
    QTest::addColumn<int>("auswahl");
    QTest::addColumn<int>("wartend");
    QTest::addColumn<QString>("playing");
    QTest::newRow("plain") << settingsOff << QByteArray("t5.mp3/\r\n") << 0 << 1 << QString();
    QTest::newRow("play at start")
        << QByteArray("00100") << QByteArray() << 0 << 0 << QStringLiteral("t0.mp3");
    QTest::newRow("random start takes the queue head")
        << QByteArray("01100") << QByteArray("t5.mp3/t6.mp3/\r\n") << 5 << 1
        << QStringLiteral("t5.mp3");
}

void WiedergabeTest::startUp()
{
    QFETCH(QByteArray, settings);
    QFETCH(QByteArray, queue);
    QFETCH(int, auswahl);
    QFETCH(int, wartend);
    QFETCH(QString, playing);
    SitzungFixture f(TenTracks::files(), settings, queue);
    const QDateTime before = QFileInfo(f.ordner.path(QStringLiteral("M"))).lastModified();
    f.sitzung->starten();
    QCOMPARE(f.sitzung->wiedergabe().Auswahl(), auswahl);
    QCOMPARE(f.sitzung->warteliste().Wartend(), wartend);
    QCOMPARE(QString::fromStdString(f.engine->fileName.filename()), playing);
    QCOMPARE(f.engine->calls.first(), QStringLiteral("Open"));
    QVERIFY(f.sitzung->wiedergabe().TonAn());
    // Nothing is written at start.
    QCOMPARE(QDir(f.ordner.path()).entryList(QDir::Files).size(),
             1 + !settings.isEmpty() + !queue.isEmpty());
    QCOMPARE(QFileInfo(f.ordner.path(QStringLiteral("M"))).lastModified(), before);
}

void WiedergabeTest::filesOpenedFromOutside()
{
    TenTracks f(settingsOff, "t9.mp3/\r\n");
    f.w().Play(3);
    const QString neu = f.ordner.write(QStringLiteral("anderswo/a neu #10#.mp3"));
    f.sitzung->oeffnen({f.ordner.path(QStringLiteral("fehlt.mp3")),
                        f.ordner.path(QStringLiteral("M/t5.mp3")), neu,
                        f.ordner.path(QStringLiteral("M"))});
    QCOMPARE(f.playing(), QStringLiteral("t5.mp3"));
    // The new entry sorts first; what was chosen keeps its track.
    Bibliothek& b = f.sitzung->bibliothek();
    QCOMPARE(b.size(), 11);
    QCOMPARE(b.sortiert().first(), QStringLiteral("a neu #10#.mp3   #10#"));
    QCOMPARE(b.sortiert().at(f.w().Auswahl()), QStringLiteral("t5.mp3   #5#"));
    QCOMPARE(f.sitzung->suche().Suchen(QStringLiteral("NEU")), std::vector<int>{0});
    QCOMPARE(f.sitzung->warteliste().WartelisteSpeichern(),
             QStringLiteral("a neu #10#.mp3/t9.mp3/"));
    QSignalSpy titel(&f.w(), &Wiedergabe::titelChanged);
    f.trackEnds();
    QCOMPARE(QString::fromStdString(f.engine->fileName), neu);
    // Every copy of the marker leaves the title, the one in the name too.
    QCOMPARE(titel.takeFirst().first().toString(), QStringLiteral("a neu .mp3   "));
    f.trackEnds();
    QCOMPARE(f.playing(), QStringLiteral("t9.mp3"));
    QCOMPARE(f.w().Listennummer(), 10);
}

void WiedergabeTest::emptyLibraryStartsQuietly()
{
    SitzungFixture f({}, "01100\r\n", "a.mp3/\r\n");
    f.sitzung->starten();
    f.sitzung->wiedergabe().Timer1_Timer();
    f.sitzung->wiedergabe().NextClick();
    QCOMPARE(f.sitzung->wiedergabe().Auswahl(), -1);
    QCOMPARE(f.engine->calls, QStringList{QStringLiteral("Open")});
}

void WiedergabeTest::endWritesQueueThenSettings()
{
    TenTracks f(QByteArray("10000"), QByteArray("t5.mp3/\r\n"));
    f.sitzung->warteliste().anhaengen(f.sitzung->bibliothek().nummer(1));
    f.sitzung->optionen().Zufallsstart = 1;
    QVERIFY(f.sitzung->speichern().isEmpty());
    QCOMPARE(f.ordner.read(QStringLiteral("Warteliste.wob")), QByteArray("t5.mp3/t1.mp3/\r\n"));
    QCOMPARE(f.ordner.read(QStringLiteral("Einstellungen.wob")), QByteArray("11000\r\n"));
    // Without the option the queue file stays as it is.
    f.sitzung->optionen().WartelisteninhaltSpeichern = 0;
    f.sitzung->warteliste().leeren();
    QVERIFY(f.sitzung->speichern().isEmpty());
    QCOMPARE(f.ordner.read(QStringLiteral("Warteliste.wob")), QByteArray("t5.mp3/t1.mp3/\r\n"));
}

void WiedergabeTest::failedSaveIsReported()
{
    TenTracks f(QByteArray("10000"));
    QDir().mkpath(f.ordner.path(QStringLiteral("Warteliste.wob")));
    QCOMPARE(f.sitzung->speichern(),
             QStringList{QStringLiteral("Warteliste.wob: An ihrer Stelle steht ein Ordner.")});
    QCOMPARE(f.ordner.read(QStringLiteral("Einstellungen.wob")), QByteArray("10000\r\n"));
}

QTEST_GUILESS_MAIN(WiedergabeTest)
#include "tst_wiedergabe.moc"
