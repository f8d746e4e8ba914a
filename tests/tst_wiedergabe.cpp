// Playback and the session's start and end, over a fake engine, without a window.
#include "platform/gstengine.h"
#include "tests/support/fakes.h"
#include "tests/support/testmedia.h"

#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace
{

const QByteArray settingsOff = "00000\r\n";
const QStringList files =
    u"t0.mp3 t1.mp3 t2.mp3 t3.mp3 t4.mp3 t5.mp3 t6.mp3 t7.mp3 t8.mp3 t9.mp3"_s.split(u' ');

// A session over ten tracks t0.mp3 … t9.mp3.
struct TenTracks : SitzungFixture {
    TenTracks() : SitzungFixture(files) { sitzung->starten(); }
    Wiedergabe& w() { return sitzung->wiedergabe(); }
    QString playing() const { return QString::fromStdString(engine->fileName.filename()); }
};

// A session on the real engine, in real time, over four wav files of a second,
// t0.wav … t3.wav; the titles in the order they showed, and on a clock as the
// window's, how far the first track played and the longest wait for a tick.
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
        QObject::connect(&uhr, &QTimer::timeout, [this] {
            laengste = std::max(laengste, seitTakt.restart());
            if (heard.size() == 1)
                weitest = std::max(weitest, w().Position());
        });
        seitTakt.start();
        uhr.start(10);
    }
    Wiedergabe& w() { return sitzung->wiedergabe(); }

    Ordner ordner;
    bool ok = false;
    GstEngine* engine = nullptr;
    std::unique_ptr<Sitzung> sitzung;
    QStringList heard;
    qint64 weitest = 0;
    qint64 laengste = 0;
    QElapsedTimer seitTakt;
    QTimer uhr;
};

} // namespace

class WiedergabeTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // What the clock shows after a tick at a length and position, and where a
    // click on the bar (a share of it) seeks to, only while playing.
    void clockAndBar_data()
    {
        // Given: length, position, click. Shown: elapsed, total, percentage,
        // bar, where the click leads.
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("shown");
        QTest::newRow("half down to even")
            << u"5 0 0.5"_s << u"0 min 0 sek, 0 min 0 sek, 0 %, 0, 2"_s;
        QTest::newRow("half up to even")
            << u"7 0 0.5"_s << u"0 min 0 sek, 0 min 0 sek, 0 %, 0, 4"_s;
        QTest::newRow("half way, left of the bar")
            << u"185000 92500 -0.3"_s << u"1 min 32 sek, 3 min 5 sek, 50 %, 50, 0"_s;
        QTest::newRow("over nine hours, right of the bar")
            << u"40000000 39999000 2.5"_s
            << u"666 min 39 sek, 666 min 40 sek, 99 %, 99, 40000000"_s;
        QTest::newRow("length unknown")
            << u"0 1500 0.5"_s << u"0 min 1 sek, 0 min 0 sek, 0 %, 0, 1500"_s;
    }

    void clockAndBar()
    {
        QFETCH(QString, given);
        const QStringList g = given.split(u' ');
        TenTracks f;
        f.w().Play(0);
        // Outside the list nothing plays and nothing changes.
        f.w().Play(10);
        f.w().Play(-1);
        QCOMPARE(f.playing(), u"t0.mp3"_s);
        f.engine->length = g[0].toLongLong();
        f.engine->position = g[1].toLongLong();
        f.w().Timer1_Timer();
        const Wiedergabe::Anzeige& a = f.w().anzeige();
        QStringList seen{a.dauerBisher, a.dauerGesamt, a.prozent, QString::number(a.balken)};
        f.w().Fortschritt_MouseUp(g[2].toDouble());
        QTEST((seen << QString::number(f.engine->position)).join(u", "), "shown");
        // Paused, a click leads nowhere.
        f.w().PauseClick();
        f.engine->position = 1;
        f.w().Fortschritt_MouseUp(g[2].toDouble());
        QCOMPARE(f.engine->position, qint64(1));
    }

    // The track to go on with without a gap is the tick's choice, made ahead;
    // the windows turn to it when it is heard. An end the engine tells starts
    // the next track from the event loop, not half a second later at the tick.
    // Steps: "take" (the engine takes the prepared track), "start" (the oldest
    // one taken is heard), "end" (the engine tells the track ended), "fail"
    // (every file fails), "tick" (at 990 of 1000 ms), "queue N", "front N" (a
    // queue entry at the end or the front), "unqueue" (the first entry goes),
    // "random", "next", "pause", "stop", "prev", "seek". The events wait until
    // all steps are taken.
    void successorFollowsTheChoice_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("shown"); // title, prepared next, queue, state, percentage
        QTest::newRow("next in the list") << u""_s << u"t3.mp3, t4.mp3, /, Spielt, 0 %"_s;
        QTest::newRow("heard, then the one after")
            << u"take start"_s << u"t4.mp3, t5.mp3, /, Spielt, 0 %"_s;
        QTest::newRow("taken is not yet heard") << u"take"_s << u"t3.mp3, t5.mp3, /, Spielt, 0 %"_s;
        QTest::newRow("queue head, heard once")
            << u"queue 7 take start"_s << u"t7.mp3, t8.mp3, /, Spielt, 0 %"_s;
        QTest::newRow("queue edited after the choice")
            << u"take queue 7 start"_s << u"t4.mp3, t7.mp3, t7.mp3/, Spielt, 0 %"_s;
        QTest::newRow("queued track removed once taken")
            << u"queue 7 take unqueue start"_s << u"t7.mp3, t8.mp3, /, Spielt, 0 %"_s;
        QTest::newRow("queued track moved back once taken")
            << u"queue 7 take front 2 start"_s << u"t7.mp3, t2.mp3, t2.mp3/, Spielt, 0 %"_s;
        QTest::newRow("two taken before either is heard")
            << u"queue 7 take take start start"_s << u"t8.mp3, t9.mp3, /, Spielt, 0 %"_s;
        QTest::newRow("random switched on") << u"random"_s << u"t3.mp3, t7.mp3, /, Spielt, 0 %"_s;
        QTest::newRow("Next between choice and change")
            << u"take next start"_s << u"t4.mp3, t5.mp3, /, Spielt, 0 %"_s;
        QTest::newRow("pause between choice and change")
            << u"take pause start"_s << u"t4.mp3, t5.mp3, /, Pause, 0 %"_s;
        QTest::newRow("Stop drops it") << u"take stop start"_s << u"t3.mp3, , /, Gestoppt, 0 %"_s;
        // The engine drops what it took: the choice is made again.
        QTest::newRow("Prev drops it")
            << u"take prev start"_s << u"t3.mp3, t4.mp3, /, Spielt, 0 %"_s;
        QTest::newRow("seek drops a queued one")
            << u"queue 7 take seek start"_s << u"t3.mp3, t7.mp3, t7.mp3/, Spielt, 0 %"_s;
        QTest::newRow("end, own percentage")
            << u"tick end"_s << u"t4.mp3, t5.mp3, /, Spielt, 0 %"_s;
        QTest::newRow("Next and end, paused")
            << u"pause next end"_s << u"t3.mp3, t4.mp3, /, Pause, 0 %"_s;
        QTest::newRow("pause after the end was told")
            << u"tick end pause"_s << u"t3.mp3, t4.mp3, /, Pause, 99 %"_s;
        // After a whole round of failures it stops as the Stop button does.
        QTest::newRow("all unplayable")
            << u"fail tick tick tick tick tick tick tick tick tick tick"_s
            << u"t2.mp3, t3.mp3, /, Gestoppt, 0 %"_s;
    }

    void successorFollowsTheChoice()
    {
        QFETCH(QString, steps);
        TenTracks f;
        QRandomGenerator fixed(7);
        f.w().setZufallsgenerator(&fixed);
        Warteliste& queue = f.sitzung->warteliste();
        f.w().Play(3);
        FakeEngine& e = *f.engine;
        Wiedergabe& w = f.w();
        const std::map<QString, std::function<void(int)>> act{
            {u"take"_s, [&](int) { QVERIFY(e.takeNext()); }},
            {u"start"_s, [&](int) { e.startNext(); }},
            {u"queue"_s, [&](int n) { queue.anhaengen(n); }},
            {u"front"_s, [&](int n) { queue.einfuegen(0, n); }},
            {u"unqueue"_s, [&](int) { queue.entfernen(0); }},
            {u"random"_s, [&](int) { w.ZufallEinAus(true); }},
            {u"next"_s, [&](int) { w.NextClick(); }},
            {u"pause"_s, [&](int) { w.PauseClick(); }},
            {u"stop"_s, [&](int) { w.StopClick(); }},
            {u"prev"_s, [&](int) { w.PrevClick(); }},
            {u"end"_s, [&](int) { e.finish(); }},
            {u"fail"_s, [&](int) { e.fails = true; }},
            {u"tick"_s,
             [&](int) {
                 e.length = 1000;
                 e.position = 990;
                 w.Timer1_Timer();
             }},
            {u"seek"_s, [&](int) {
                 e.length = 1000;
                 w.springen(100);
             }}};
        const QStringList words = steps.split(u' ', Qt::SkipEmptyParts);
        for (qsizetype i = 0; i < words.size(); ++i)
            if (!words[i][0].isDigit()) // a number goes to the step before
                act.at(words[i])(words.value(i + 1).toInt());
        QCoreApplication::processEvents();
        const QString shown =
            QStringList{f.w().titel().trimmed(), QString::fromStdString(f.engine->next.filename()),
                        queue.WartelisteSpeichern(),
                        QVariant::fromValue(f.w().zustand()).toString(), f.w().anzeige().prozent}
                .join(u", ");
        QTEST(shown, "shown");
        const Bibliothek& b = f.sitzung->bibliothek();
        QCOMPARE(b.text(b.nummer(f.w().Auswahl())).left(6), f.w().titel().left(6));
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
        if (ziel == 0) {
            f.w().PrevClick();
            f.heard.append(u"t0"_s);
        } else {
            f.w().springen(ziel);
            f.weitest = 0;
        }
        const int n = int(heard.count(u' ')) + 1;
        QTRY_VERIFY_WITH_TIMEOUT(f.heard.size() >= n, 15000);
        QCOMPARE(f.heard.mid(0, n).join(u' '), heard);
        // After the seek the track played on to its end.
        QVERIFY2(ziel == 0 || f.weitest >= 700, qPrintable(QString::number(f.weitest)));
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
        f.w().Play(0);
        QTRY_COMPARE_WITH_TIMEOUT(f.heard.join(u' '), u"t0 t1 t2"_s, 20000);
        QVERIFY2(f.laengste < 1000, qPrintable(QString::number(f.laengste)));
        QVERIFY2(f.weitest >= 900, qPrintable(QString::number(f.weitest)));
        QCOMPARE(f.w().zustand(), Wiedergabe::Zustand::Spielt);
    }
};

QTEST_GUILESS_MAIN(WiedergabeTest)
#include "tst_wiedergabe.moc"
