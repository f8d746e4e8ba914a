// The desktop's media controls against the core over a fake engine, and the
// hand-over of a later start's files, on the session bus that dbus-run-session
// gives this test or over a socket.
#include "desktop/einzelstart.h"
#include "desktop/mpris.h"
#include "tests/support/fakes.h"

#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <atomic>
#include <thread>

using namespace Qt::StringLiterals;

namespace
{

// Two tracks of two seconds, a.mp3 and b.mp3, and what the desktop sees of
// them: the player starts, then goes on the bus.
struct Desktop : SitzungFixture {
    explicit Desktop(const QByteArray& settings = "00000\r\n")
        : SitzungFixture({u"a.mp3"_s, u"b.mp3"_s}, settings)
    {
    }

    bool gestartet = [this] {
        engine->length = 2000;
        sitzung->starten();
        engine->calls.clear();
        return true;
    }();
    Mpris mpris{*sitzung};
    bool angemeldet = mpris.anmelden(); // before the interfaces look the object up
    const QString dienst = u"org.mpris.MediaPlayer2.tonlaterne"_s,
                  pfad = u"/org/mpris/MediaPlayer2"_s;
    QDBusInterface player{dienst, pfad, u"org.mpris.MediaPlayer2.Player"_s};
    QDBusInterface eigenschaften{dienst, pfad, u"org.freedesktop.DBus.Properties"_s};
};

// The user's runtime folder, of this test's own.
struct Laufzeit : QTemporaryDir {
    Laufzeit() { qputenv("XDG_RUNTIME_DIR", QFile::encodeName(path())); }
    // The socket of the first start.
    QString sockel() const { return filePath(QDir(path()).entryList(QDir::System).value(0)); }
};

// A later start in a thread of its own, so that this one can answer it.
struct SpaeterStart {
    SpaeterStart(const QString& ordner, const QStringList& pfade, const QDBusConnection& bus)
        : start([=, this] {
              weiter = Einzelstart(ordner).weitergeben(pfade, bus);
              fertig = true;
          })
    {
    }
    // True when it handed its files over.
    bool ergebnis()
    {
        const bool rechtzeitig = QTest::qWaitFor([this] { return fertig.load(); }, 60'000);
        start.join();
        return rechtzeitig && weiter;
    }
    std::atomic<bool> fertig = false;
    bool weiter = false;
    std::thread start;
};

} // namespace

class MprisTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void methodsPressOnlyPressableButtons_data()
    {
        QTest::addColumn<QString>("methoden"); // "Name:µs:track id" where they take arguments
        QTest::addColumn<QString>("befehle");  // what reaches the engine
        QTest::addColumn<QString>("status");
        const QString play = u"close open play"_s;
        QTest::newRow("play") << u"Play Play Previous"_s << play + u" rewind" << u"Playing"_s;
        QTest::newRow("pause") << u"Play Pause Pause Next"_s << play + u" pause" << u"Paused"_s;
        QTest::newRow("resume") << u"Play Pause Play"_s << play + u" pause resume" << u"Playing"_s;
        QTest::newRow("toggle") << u"Play PlayPause PlayPause"_s << play + u" pause resume"
                                << u"Playing"_s;
        QTest::newRow("next") << u"Play Next"_s << play + u' ' + play << u"Playing"_s;
        QTest::newRow("first track")
            << u"Stop Pause Next Previous Seek:1"_s << u""_s << u"Stopped"_s;
        QTest::newRow("stop") << u"Play Stop"_s << play + u" stop open stop" << u"Stopped"_s;
        QTest::newRow("toggle when stopped")
            << u"Play Stop PlayPause"_s << play + u" stop open stop " + play << u"Playing"_s;
        // Back past the start, then past the end to the next track.
        QTest::newRow("seek") << u"Play Seek:500000 Seek:-2000000 Seek:700000 Seek:1301000"_s
                              << play +
                                     u" Stop From 500 Play Stop From 0 Play Stop From 700 Play " +
                                     play
                              << u"Playing"_s;
        // Past the end and on another track nothing happens.
        QTest::newRow("set position")
            << u"Play SetPosition:1500000 SetPosition:2000001 SetPosition:0:/Lied/1"_s
            << play + u" Stop From 1500 Play" << u"Playing"_s;
    }

    void methodsPressOnlyPressableButtons()
    {
        QFETCH(QString, methoden);
        Desktop d;
        for (const QString& schritt : methoden.split(u' ')) {
            const QStringList m = schritt.split(u':');
            QVariantList argumente =
                m.size() > 1 ? QVariantList{m[1].toLongLong()} : QVariantList();
            if (m[0] == u"SetPosition")
                argumente.prepend(m.size() > 2
                                      ? QVariant::fromValue(QDBusObjectPath(m[2]))
                                      : d.player.property("Metadata").toMap()[u"mpris:trackid"_s]);
            QCOMPARE(d.player.callWithArgumentList(QDBus::Block, m[0], argumente).type(),
                     QDBusMessage::ReplyMessage);
        }
        d.engine->calls.removeIf([](const QString& c) { return c.startsWith(u"FileName"); });
        QTEST(d.engine->calls.join(u' '), "befehle");
        QTEST(d.player.property("PlaybackStatus").toString(), "status");
    }

    void knowsTheTrackThatPlaysAtStart()
    {
        Desktop d("00100\r\n");
        const QVariantMap m = d.player.property("Metadata").toMap();
        QCOMPARE(m[u"xesam:title"_s], QVariant(u"a.mp3"_s));
        QCOMPARE(m[u"mpris:length"_s], QVariant(2'000'000LL));
        d.player.call(u"SetPosition"_s, m[u"mpris:trackid"_s], 1'500'000LL);
        QCOMPARE(d.engine->calls.join(u' '), u"Stop From 1500 Play"_s);
    }

    void announcementsAndFiles()
    {
        Desktop d;
        QSignalSpy geaendert(&d.eigenschaften,
                             SIGNAL(PropertiesChanged(QString, QVariantMap, QStringList)));
        QSignalSpy gesucht(&d.player, SIGNAL(Seeked(qlonglong)));
        const auto zuletzt = [&] { return geaendert.last()[1].toMap(); };
        // One announcement for all that a press changed.
        d.player.call(u"Play"_s);
        QVERIFY(geaendert.wait());
        QCOMPARE(zuletzt()[u"PlaybackStatus"_s], QVariant(u"Playing"_s));
        QVERIFY(zuletzt()[u"CanPause"_s].toBool() && zuletzt().contains(u"Metadata"_s));
        d.player.call(u"Seek"_s, 250'000LL);
        QTRY_COMPARE(gesucht.size(), 1);
        QCOMPARE(gesucht[0][0], QVariant(250'000LL));
        QVERIFY(d.player.setProperty("Volume", 0.0));
        QTRY_COMPARE(zuletzt(), (QVariantMap{{u"Volume"_s, 0.0}}));
        QVERIFY(d.player.setProperty("Volume", 0.4) && d.sitzung->wiedergabe().TonAn());

        const QString draussen = d.ordner.write(u"X/c #1.wav"_s);
        d.player.call(u"OpenUri"_s, QUrl::fromLocalFile(draussen).toString());
        QCOMPARE(d.player.property("Metadata").toMap()[u"xesam:url"_s],
                 QVariant(QUrl::fromLocalFile(draussen).toString(QUrl::FullyEncoded)));
        QCOMPARE(d.player.call(u"OpenUri"_s, u"http://example.invalid/d.mp3"_s).errorName(),
                 u"org.freedesktop.DBus.Error.NotSupported");
        // A file of the library by a detour plays its entry.
        d.player.call(u"OpenUri"_s,
                      QUrl::fromLocalFile(d.ordner.path(u"X/../M/a.mp3"_s)).toString());
        QCOMPARE(d.player.property("Metadata").toMap()[u"xesam:title"_s], QVariant(u"a.mp3"_s));
        QCOMPARE(d.sitzung->bibliothek().size(), 3);
    }

    // A later start hands its files to the first, over the bus or a socket,
    // and the first takes them as canonical paths.
    void handOver()
    {
        Ordner o;
        o.write(u"M/a.mp3"_s);
        Laufzeit laufzeit;
        const QDBusConnection keinBus{QString()};
        const QDBusConnection zweiterBus =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"zweiter"_s);
        for (const auto& [erster, zweiter] :
             {std::pair(QDBusConnection::sessionBus(), zweiterBus), std::pair(keinBus, keinBus)}) {
            Einzelstart empfang(o.path());
            QSignalSpy geoeffnet(&empfang, &Einzelstart::geoeffnet);
            QVERIFY(!empfang.weitergeben({}, erster));
            QVERIFY(SpaeterStart(o.path(), {o.path(u"X/../M/a.mp3"_s)}, zweiter).ergebnis());
            QCOMPARE(geoeffnet[0][0].toStringList(), QStringList{o.path(u"M/a.mp3"_s)});
        }
        // A list longer than any command line gives is cut off at its length.
        Einzelstart empfang(o.path());
        QVERIFY(!empfang.weitergeben({}, keinBus));
        QLocalSocket boese;
        boese.connectToServer(laufzeit.sockel());
        QSignalSpy getrennt(&boese, &QLocalSocket::disconnected);
        boese.write("\xff\xff\xff\xf0");
        QVERIFY(getrennt.wait());
    }

    // A start that finds another start looking whether a player listens waits
    // for it and hands it its files, rather than taking its place.
    void handOverWaitsForAStartAtTheSameMoment()
    {
        Ordner o;
        const QDBusConnection keinBus{QString()};
        Laufzeit laufzeit;
        QString name;
        {
            Einzelstart frueher(o.path());
            QVERIFY(!frueher.weitergeben({}, keinBus));
            name = laufzeit.sockel();
        }
        QLockFile sperre(name + u".lock"_s);
        QVERIFY(sperre.lock());
        SpaeterStart start(o.path(), {}, keinBus);
        // Time enough for a start that does not wait to take the place; the
        // one that waits never does, and only that is checked.
        [[maybe_unused]] const bool frei =
            QTest::qWaitFor([&] { return start.fertig || QFile::exists(name); }, 500);
        QLocalServer gleichzeitig;
        QObject::connect(&gleichzeitig, &QLocalServer::newConnection, [&] {
            QLocalSocket* s = gleichzeitig.nextPendingConnection();
            QObject::connect(s, &QLocalSocket::readyRead, [s] { s->write("1"); });
        });
        QVERIFY(gleichzeitig.listen(name));
        sperre.unlock();
        QVERIFY(start.ergebnis());
    }
};

QTEST_GUILESS_MAIN(MprisTest)
#include "tst_mpris.moc"
