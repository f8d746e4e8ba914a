// Playback and the session's start and end, over a fake engine, without a window.
#include "tests/support/fakes.h"

#include <QSignalSpy>
#include <QTest>
#include <cmath>

using namespace Qt::StringLiterals;

namespace
{

const QByteArray settingsOff = "00000\r\n";
const QStringList files =
    u"t0.mp3 t1.mp3 t2.mp3 t3.mp3 t4.mp3 t5.mp3 t6.mp3 t7.mp3 t8.mp3 t9.mp3"_s.split(u' ');

// A session over ten tracks t0.mp3 … t9.mp3, started with these options.
struct TenTracks : SitzungFixture {
    explicit TenTracks(const QByteArray& settings = settingsOff, const QByteArray& queue = {})
        : SitzungFixture(files, settings, queue)
    {
        sitzung->starten();
        engine->calls.clear();
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
    void playSendsCommandsInOrder()
    {
        TenTracks f;
        f.w().setTonAn(false);
        f.engine->calls.clear();
        f.w().Play(3);
        QCOMPARE(f.engine->calls,
                 (QStringList{u"close"_s, u"FileName "_s + f.ordner.path(u"M/t3.mp3"_s), u"open"_s,
                              u"play"_s, u"Silent 1"_s}));
        QCOMPARE(f.w().Auswahl(), 3);
        QCOMPARE(f.w().titel(), u"t3.mp3   "_s);
        // Outside the list nothing plays and nothing changes.
        f.engine->calls.clear();
        f.w().Play(10);
        f.w().Play(-1);
        QVERIFY(f.engine->calls.isEmpty());
        QCOMPARE(f.w().Auswahl(), 3);
        QCOMPARE(f.w().Listennummer(), 3);
    }

    // What the clock shows after a tick, and where a click on the bar seeks to,
    // only while playing.
    void clockAndBar_data()
    {
        QTest::addColumn<qint64>("length");
        QTest::addColumn<qint64>("position");
        QTest::addColumn<QString>("shown"); // elapsed, total, percentage, bar
        QTest::addColumn<double>("anteil");
        QTest::addColumn<QString>("seek");
        const QString null = u"0 min 0 sek, 0 min 0 sek, 0 %, 0"_s;
        QTest::newRow("half down to even") << qint64(5) << qint64(0) << null << 0.5 << u"Seek 2"_s;
        QTest::newRow("half up to even") << qint64(7) << qint64(0) << null << 0.5 << u"Seek 4"_s;
        QTest::newRow("half way, left of the bar")
            << qint64(185000) << qint64(92500) << u"1 min 32 sek, 3 min 5 sek, 50 %, 50"_s << -0.3
            << u"Seek 0"_s;
        QTest::newRow("over nine hours, right of the bar")
            << qint64(40'000'000) << qint64(39'999'000)
            << u"666 min 39 sek, 666 min 40 sek, 99 %, 99"_s << 2.5 << u"Seek 40000000"_s;
        QTest::newRow("length unknown")
            << qint64(0) << qint64(1500) << u"0 min 1 sek, 0 min 0 sek, 0 %, 0"_s << 0.5
            << QString();
    }

    void clockAndBar()
    {
        QFETCH(qint64, length);
        QFETCH(qint64, position);
        QFETCH(double, anteil);
        QFETCH(QString, seek);
        TenTracks f;
        f.w().Play(0);
        f.engine->length = length;
        f.engine->position = position;
        f.w().Timer1_Timer();
        const Wiedergabe::Anzeige& a = f.w().anzeige();
        const QStringList seen{a.dauerBisher, a.dauerGesamt, a.prozent, QString::number(a.balken)};
        QTEST(seen.join(u", "), "shown");
        f.engine->calls.clear();
        f.w().Fortschritt_MouseUp(anteil);
        QCOMPARE(f.engine->calls, (seek.isEmpty() ? QStringList{} : QStringList{seek}));
        f.w().PauseClick();
        f.engine->calls.clear();
        f.w().Fortschritt_MouseUp(anteil);
        QVERIFY(f.engine->calls.isEmpty());
    }

    void endAndNextNeedNotWaitForTheTick()
    {
        TenTracks f;
        f.w().Play(0);
        f.engine->length = 1000;
        f.engine->position = 990;
        f.w().Timer1_Timer();
        QCOMPARE(f.w().anzeige().prozent, u"99 %"_s);
        // The engine tells of the end: the next track starts from the event loop
        // at once, not half a second later, and shows its own percentage.
        f.engine->finish();
        QCOMPARE(f.playing(), u"t0.mp3"_s);
        QCoreApplication::processEvents();
        QCOMPARE(f.playing(), u"t1.mp3"_s);
        QCOMPARE(f.w().anzeige().prozent, u"0 %"_s);
        QCOMPARE(f.w().anzeige().balken, 0);
        // Next plays the next track right away, and only while playing.
        f.w().NextClick();
        QCOMPARE(f.playing(), u"t2.mp3"_s);
        f.w().PauseClick();
        f.w().NextClick();
        f.engine->finish();
        QCoreApplication::processEvents();
        QCOMPARE(f.playing(), u"t2.mp3"_s);
        // A pause pressed after the end was told, before its tick ran, holds.
        f.w().PauseClick();
        f.engine->finish();
        f.w().PauseClick();
        QCoreApplication::processEvents();
        QCOMPARE(f.playing(), u"t2.mp3"_s);
    }

    // The track to go on with without a gap is the tick's choice, made ahead;
    // the windows turn to it when it is heard. Steps: "take" (the engine takes
    // the prepared track), "start" (the oldest one taken is heard), "queue N",
    // "front N" (a queue entry at the end or the front), "unqueue" (the first
    // entry goes), "random", "next", "pause", "stop".
    void successorFollowsTheChoice_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("shown"); // title, prepared next, queue, state
        QTest::newRow("next in the list") << u""_s << u"t3.mp3, t4.mp3, /, Spielt"_s;
        QTest::newRow("heard, then the one after")
            << u"take start"_s << u"t4.mp3, t5.mp3, /, Spielt"_s;
        QTest::newRow("taken is not yet heard") << u"take"_s << u"t3.mp3, t5.mp3, /, Spielt"_s;
        QTest::newRow("queue head, heard once")
            << u"queue 7 take start"_s << u"t7.mp3, t8.mp3, /, Spielt"_s;
        QTest::newRow("queue edited after the choice")
            << u"take queue 7 start"_s << u"t4.mp3, t7.mp3, t7.mp3/, Spielt"_s;
        QTest::newRow("queued track removed once taken")
            << u"queue 7 take unqueue start"_s << u"t7.mp3, t8.mp3, /, Spielt"_s;
        QTest::newRow("queued track moved back once taken")
            << u"queue 7 take front 2 start"_s << u"t7.mp3, t2.mp3, t2.mp3/, Spielt"_s;
        QTest::newRow("two taken before either is heard")
            << u"queue 7 take take start start"_s << u"t8.mp3, t9.mp3, /, Spielt"_s;
        QTest::newRow("random switched on") << u"random"_s << u"t3.mp3, t7.mp3, /, Spielt"_s;
        QTest::newRow("Next between choice and change")
            << u"take next start"_s << u"t4.mp3, t5.mp3, /, Spielt"_s;
        QTest::newRow("pause between choice and change")
            << u"take pause start"_s << u"t4.mp3, t5.mp3, /, Pause"_s;
        QTest::newRow("Stop drops it") << u"take stop start"_s << u"t3.mp3, , /, Gestoppt"_s;
    }

    void successorFollowsTheChoice()
    {
        QFETCH(QString, steps);
        TenTracks f;
        QRandomGenerator fixed(7);
        f.w().setZufallsgenerator(&fixed);
        Warteliste& queue = f.sitzung->warteliste();
        f.w().Play(3);
        const QStringList words = steps.split(u' ', Qt::SkipEmptyParts);
        for (auto word = words.begin(); word != words.end(); ++word) {
            if (*word == u"take")
                QVERIFY(f.engine->takeNext());
            else if (*word == u"start")
                f.engine->startNext();
            else if (*word == u"queue")
                queue.anhaengen((++word)->toInt());
            else if (*word == u"front")
                queue.einfuegen(0, (++word)->toInt());
            else if (*word == u"unqueue")
                queue.entfernen(0);
            else if (*word == u"random")
                f.w().ZufallEinAus(u"Ein"_s);
            else if (*word == u"next")
                f.w().NextClick();
            else if (*word == u"pause")
                f.w().PauseClick();
            else if (*word == u"stop")
                f.w().StopClick();
        }
        const QString shown =
            QStringList{f.w().titel().trimmed(), QString::fromStdString(f.engine->next.filename()),
                        queue.WartelisteSpeichern(),
                        QVariant::fromValue(f.w().zustand()).toString()}
                .join(u", ");
        QTEST(shown, "shown");
        const Bibliothek& b = f.sitzung->bibliothek();
        QCOMPARE(b.text(b.nummer(f.w().Auswahl())).left(6), f.w().titel().left(6));
    }

    void unplayableFilesAreSkippedThenPlaybackStops()
    {
        TenTracks f;
        f.w().Play(0);
        f.engine->fails = true;
        for (int i = 1; i < 10; ++i) {
            f.w().Timer1_Timer();
            QCOMPARE(f.playing(), u"t%1.mp3"_s.arg(i));
        }
        // After a whole round of failures the player stops as the Stop button
        // does, and the clock still shows what it shows after a stop.
        f.sitzung->warteliste().anhaengen(3);
        QSignalSpy wartend(&f.sitzung->warteliste(), &Warteliste::wartendAngezeigt);
        f.w().Timer1_Timer();
        QCOMPARE(f.playing(), u"t9.mp3"_s);
        QCOMPARE(f.w().zustand(), Wiedergabe::Zustand::Gestoppt);
        QVERIFY(!f.w().laeuft());
        QCOMPARE(wartend.size(), 1);
        QCOMPARE(f.w().anzeige().prozent, u"0 %"_s);
    }

    void randomDrawIsUniformAndIndependent_data()
    {
        QTest::addColumn<int>("U");
        QTest::newRow("none") << 0;
        QTest::newRow("one") << 1;
        QTest::newRow("two") << 2;
        QTest::newRow("twenty") << 20;
        QTest::newRow("large") << 100'000;
    }

    void randomDrawIsUniformAndIndependent()
    {
        QFETCH(int, U);
        TenTracks f;
        QRandomGenerator fixed(20261206);
        f.w().setZufallsgenerator(&fixed);
        // A chi-square test over at most 20 classes, with its 0.1 % bound, and
        // the lag-one correlation of successive draws.
        const int classes = std::clamp(U, 1, 20);
        const int draws = 20'000;
        std::vector<int> count(static_cast<size_t>(classes));
        double sumXY = 0, sumX = 0, sumXX = 0;
        for (int i = 0, last = f.w().Zufallszahl(7, U); i < draws; ++i) {
            const int r = f.w().Zufallszahl(7, U);
            QVERIFY(r >= 0 && r < std::max(U, 1));
            ++count[static_cast<size_t>(static_cast<qint64>(r) * classes / std::max(U, 1))];
            sumXY += double(r) * std::exchange(last, r);
            sumX += r;
            sumXX += double(r) * r;
        }
        if (U <= 1)
            return; // always 0
        const double expected = double(draws) / classes;
        double chi2 = 0;
        for (const int c : count)
            chi2 += (c - expected) * (c - expected) / expected;
        QVERIFY2(chi2 < (classes == 2 ? 10.83 : 43.82), qPrintable(QString::number(chi2)));
        const double mean = sumX / draws;
        const double corr = (sumXY / draws - mean * mean) / (sumXX / draws - mean * mean);
        QVERIFY2(std::abs(corr) < 0.03, qPrintable(QString::number(corr)));
    }

    void filesOpenedFromOutside()
    {
        TenTracks f(settingsOff, "t9.mp3/\r\n");
        f.w().Play(3);
        const QString neu = f.ordner.write(u"anderswo/a neu #10#.mp3"_s);
        // The first plays, the others go ahead of the queue.
        QSignalSpy geoeffnet(f.sitzung.get(), &Sitzung::geoeffnet);
        f.sitzung->oeffnen({f.ordner.path(u"fehlt.mp3"_s), f.ordner.path(u"M/t5.mp3"_s), neu});
        QVERIFY(geoeffnet.wait());
        QCOMPARE(f.playing(), u"t5.mp3"_s);
        QCOMPARE(f.sitzung->warteliste().WartelisteSpeichern(), u"a neu #10#.mp3/t9.mp3/"_s);
        f.trackEnds();
        QCOMPARE(QString::fromStdString(f.engine->fileName), neu);
        // Every copy of the marker leaves the title, the one in the name too.
        QCOMPARE(f.w().titel(), u"a neu .mp3   "_s);
        f.trackEnds();
        QCOMPARE(f.playing(), u"t9.mp3"_s);
        QCOMPARE(f.w().Listennummer(), 10);
    }
};

QTEST_GUILESS_MAIN(WiedergabeTest)
#include "tst_wiedergabe.moc"
