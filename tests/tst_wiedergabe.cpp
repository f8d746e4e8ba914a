// Playback and the session's start and end, over a fake engine, without a window.
#include "platform/gstengine.h"
#include "tests/support/fakes.h"
#include "tests/support/testmedia.h"

#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// A session on the real engine, in real time, over four wav files of a second,
// t0.wav … t3.wav; the titles in the order they showed.
struct Echt {
    explicit Echt(const QByteArray& queue = {})
    {
        ordner.music({u"t0.wav"_s, u"t1.wav"_s, u"t2.wav"_s, u"t3.wav"_s});
        ok = TestMedia::create(ordner.path(u"M/t0.wav"_s));
        for (const char* name : {"M/t1.wav", "M/t2.wav", "M/t3.wav"})
            ok = ok && QFile::remove(ordner.path(QLatin1StringView(name))) &&
                 QFile::copy(ordner.path(u"M/t0.wav"_s), ordner.path(QLatin1StringView(name)));
        ordner.write(u"Einstellungen.wob"_s, settingsOff);
        if (!queue.isEmpty())
            ordner.write(u"Warteliste.wob"_s, queue);
        auto gst = std::make_unique<GstEngine>(
            GstEngine::Sinks{u"fakesink sync=true"_s, u"fakesink sync=true"_s});
        engine = gst.get();
        sitzung = std::make_unique<Sitzung>(std::move(gst), ordner.path());
        sitzung->starten();
        QObject::connect(&w(), &Wiedergabe::titelChanged,
                         [this](const QString& titel) { heard.append(titel.left(2)); });
    }
    Wiedergabe& w() { return sitzung->wiedergabe(); }

    Ordner ordner;
    bool ok = false;
    GstEngine* engine = nullptr;
    std::unique_ptr<Sitzung> sitzung;
    QStringList heard;
};

} // namespace

class WiedergabeTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // What the clock shows after a tick, and where a click on the bar seeks to,
    // only while playing.
    void clockAndBar_data()
    {
        QTest::addColumn<qint64>("length");
        QTest::addColumn<qint64>("position");
        QTest::addColumn<QString>("shown"); // elapsed, total, percentage, bar
        QTest::addColumn<double>("anteil");
        QTest::addColumn<qint64>("seek"); // where the click leads
        const QString null = u"0 min 0 sek, 0 min 0 sek, 0 %, 0"_s;
        QTest::newRow("half down to even") << qint64(5) << qint64(0) << null << 0.5 << qint64(2);
        QTest::newRow("half up to even") << qint64(7) << qint64(0) << null << 0.5 << qint64(4);
        QTest::newRow("half way, left of the bar")
            << qint64(185000) << qint64(92500) << u"1 min 32 sek, 3 min 5 sek, 50 %, 50"_s << -0.3
            << qint64(0);
        QTest::newRow("over nine hours, right of the bar")
            << qint64(40'000'000) << qint64(39'999'000)
            << u"666 min 39 sek, 666 min 40 sek, 99 %, 99"_s << 2.5 << qint64(40'000'000);
        QTest::newRow("length unknown")
            << qint64(0) << qint64(1500) << u"0 min 1 sek, 0 min 0 sek, 0 %, 0"_s << 0.5
            << qint64(1500);
    }

    void clockAndBar()
    {
        QFETCH(qint64, length);
        QFETCH(qint64, position);
        QFETCH(double, anteil);
        QFETCH(qint64, seek);
        TenTracks f;
        f.w().Play(0);
        // Outside the list nothing plays and nothing changes.
        f.w().Play(10);
        f.w().Play(-1);
        QCOMPARE(f.playing(), u"t0.mp3"_s);
        f.engine->length = length;
        f.engine->position = position;
        f.w().Timer1_Timer();
        const Wiedergabe::Anzeige& a = f.w().anzeige();
        const QStringList seen{a.dauerBisher, a.dauerGesamt, a.prozent, QString::number(a.balken)};
        QTEST(seen.join(u", "), "shown");
        f.w().Fortschritt_MouseUp(anteil);
        QCOMPARE(f.engine->position, seek);
        // Paused, a click leads nowhere.
        f.w().PauseClick();
        f.engine->position = 1;
        f.w().Fortschritt_MouseUp(anteil);
        QCOMPARE(f.engine->position, qint64(1));
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
    // entry goes), "random", "next", "pause", "stop", "prev", "seek".
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
        // The engine drops what it took: the choice is made again.
        QTest::newRow("Prev drops it") << u"take prev start"_s << u"t3.mp3, t4.mp3, /, Spielt"_s;
        QTest::newRow("seek drops a queued one")
            << u"queue 7 take seek start"_s << u"t3.mp3, t7.mp3, t7.mp3/, Spielt"_s;
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
                f.w().ZufallEinAus(true);
            else if (*word == u"next")
                f.w().NextClick();
            else if (*word == u"pause")
                f.w().PauseClick();
            else if (*word == u"stop")
                f.w().StopClick();
            else if (*word == u"prev")
                f.w().PrevClick();
            else if (*word == u"seek") {
                f.engine->length = 1000;
                f.w().springen(100);
            }
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

    // Prev and a seek after the engine took the next track for the gapless
    // change do what they do anywhere else: the track goes on from there, and
    // the tracks after it follow in their order.
    void prevAndSeekAfterTheNextWasTaken_data()
    {
        QTest::addColumn<QByteArray>("queue");
        QTest::addColumn<qint64>("ziel"); // 0: Prev
        QTest::addColumn<QString>("heard");
        QTest::newRow("Prev") << QByteArray() << qint64(0) << u"t0 t0 t1 t2"_s;
        QTest::newRow("Prev, queued") << "t2.wav/\r\n"_ba << qint64(0) << u"t0 t0 t2 t3"_s;
        QTest::newRow("seek") << QByteArray() << qint64(300) << u"t0 t1 t2"_s;
    }

    void prevAndSeekAfterTheNextWasTaken()
    {
        QFETCH(qint64, ziel);
        QFETCH(QString, heard);
        QFETCH(QByteArray, queue);
        Echt f(queue);
        QVERIFY(f.ok);
        f.w().Play(0);
        // A wav of a second is read at once: the next one is taken by now.
        QVERIFY(QTest::qWaitFor([&] { return f.w().Position() >= 400; }, 10000));
        qint64 weitest = 0; // how far the first track played after the seek
        QTimer uhr;
        QObject::connect(&uhr, &QTimer::timeout, [&] {
            if (f.heard.size() == 1)
                weitest = std::max(weitest, f.w().Position());
        });
        if (ziel == 0) {
            f.w().PrevClick();
            f.heard.append(u"t0"_s);
        } else {
            f.w().springen(ziel);
            weitest = 0;
            uhr.start(10);
        }
        const int n = int(heard.count(u' ')) + 1;
        QTRY_VERIFY_WITH_TIMEOUT(f.heard.size() >= n, 15000);
        QCOMPARE(f.heard.mid(0, n).join(u' '), heard);
        if (ziel > 0)
            QVERIFY2(weitest >= 700, qPrintable(QString::number(weitest)));
    }

    // The next track, replaced by a pipe that nobody writes to after the
    // library was read, never opens: the track before plays to its end, the
    // window goes on ticking, the pipe ends as unplayable after the bound and
    // the track after it plays.
    void nextTrackThatHangs()
    {
        Echt f;
        QVERIFY(f.ok);
        const QByteArray pipe = QFile::encodeName(f.ordner.path(u"M/t1.wav"_s));
        QVERIFY(QFile::remove(QFile::decodeName(pipe)) && mkfifo(pipe.constData(), 0600) == 0);
        const auto loslassen = qScopeGuard([&] {
            if (const int writer = ::open(pipe.constData(), O_WRONLY | O_NONBLOCK); writer >= 0)
                ::close(writer);
        });
        f.engine->setOpenBound(std::chrono::milliseconds(1500));
        QElapsedTimer seitTakt;
        qint64 laengste = 0;
        qint64 weitest = 0; // how far the first track played
        QTimer uhr;
        QObject::connect(&uhr, &QTimer::timeout, [&] {
            laengste = std::max(laengste, seitTakt.restart());
            if (f.heard.size() == 1)
                weitest = std::max(weitest, f.w().Position());
        });
        seitTakt.start();
        uhr.start(10);
        f.w().Play(0);
        QTRY_COMPARE_WITH_TIMEOUT(f.heard.join(u' '), u"t0 t1 t2"_s, 20000);
        QVERIFY2(laengste < 1000, qPrintable(QString::number(laengste)));
        QVERIFY2(weitest >= 900, qPrintable(QString::number(weitest)));
        QCOMPARE(f.w().zustand(), Wiedergabe::Zustand::Spielt);
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
