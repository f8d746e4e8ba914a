// The desktop's media controls against the core over a fake engine, and the
// hand-over of a later start's files, on the session bus that dbus-run-session
// gives this test or over a socket.
#include "desktop/aufruf.h"
#include "desktop/einzelstart.h"
#include "desktop/mpris.h"
#include "tests/support/fakes.h"

#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <future>

using namespace Qt::StringLiterals;

namespace
{

// Two tracks of two seconds, a.mp3 and b.mp3, and what the desktop sees of them.
struct Desktop : SitzungFixture {
    Desktop() : SitzungFixture({u"a.mp3"_s, u"b.mp3"_s})
    {
        for (const char* name : {"M/a.mp3", "M/b.mp3"})
            engine->files[ordner.path(QLatin1StringView(name)).toStdString()] = {.length = 2000};
        sitzung->starten();
    }

    Mpris mpris{*sitzung};
    bool angemeldet = mpris.anmelden(); // before the interfaces look the object up
    const QString dienst = u"org.mpris.MediaPlayer2.tonlaterne"_s,
                  pfad = u"/org/mpris/MediaPlayer2"_s;
    QDBusInterface player{dienst, pfad, u"org.mpris.MediaPlayer2.Player"_s};
    QDBusInterface eigenschaften{dienst, pfad, u"org.freedesktop.DBus.Properties"_s};
};

// A start without a session bus in a thread of its own, so that this one can
// answer it.
std::future<bool> start(const QString& ordner, const QStringList& pfade)
{
    return std::async(std::launch::async, [=] {
        return Einzelstart(ordner).weitergeben(pfade, QDBusConnection(QString())) ==
               Einzelstart::Ergebnis::Weitergegeben;
    });
}

bool fertig(const std::future<bool>& start)
{
    return start.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

// True when the start handed its files over.
bool weitergegeben(std::future<bool> start)
{
    return QTest::qWaitFor([&] { return fertig(start); }, 60'000) && start.get();
}

} // namespace

class MprisTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Between two steps 100 ms of the track pass. After each step: the open
    // track and its position ("-" before the first).
    void methodsPressOnlyPressableButtons_data()
    {
        QTest::addColumn<QString>("methoden"); // "Name:µs:track id" where they take arguments
        QTest::addColumn<QString>("gespielt");
        QTest::addColumn<QString>("status");
        QTest::newRow("play") << u"Play Play Previous"_s << u"a0 a100 a0"_s << u"Playing"_s;
        QTest::newRow("pause") << u"Play Pause Pause Next"_s << u"a0 a100 a100 a100"_s
                               << u"Paused"_s;
        QTest::newRow("toggle") << u"Play PlayPause PlayPause"_s << u"a0 a100 a100"_s
                                << u"Playing"_s;
        QTest::newRow("first track")
            << u"Stop Pause Next Previous Seek:1"_s << u"- - - - -"_s << u"Stopped"_s;
        QTest::newRow("stop") << u"Play Stop"_s << u"a0 a0"_s << u"Stopped"_s;
        QTest::newRow("toggle when stopped")
            << u"Play Stop PlayPause"_s << u"a0 a0 a0"_s << u"Playing"_s;
        // Back past the start, then past the end to the next track.
        QTest::newRow("seek") << u"Play Seek:500000 Seek:-2000000 Seek:700000 Seek:1301000"_s
                              << u"a0 a600 a0 a800 b0"_s << u"Playing"_s;
        // Past the end and on another track nothing happens.
        QTest::newRow("set position")
            << u"Play SetPosition:1500000 SetPosition:2000001 SetPosition:0:/Lied/1"_s
            << u"a0 a1500 a1600 a1700"_s << u"Playing"_s;
    }

    void methodsPressOnlyPressableButtons()
    {
        QFETCH(QString, methoden);
        Desktop d;
        QStringList gespielt;
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
            const FakeEngine& e = *d.engine;
            gespielt.append(e.fileName.empty() ? u"-"_s
                                               : QString::fromStdString(e.fileName.stem()) +
                                                     QString::number(e.position));
            if (e.mode() == MediaEngine::Mode::Playing)
                d.engine->position += 100;
        }
        QTEST(gespielt.join(u' '), "gespielt");
        QTEST(d.player.property("PlaybackStatus").toString(), "status");
    }

    // Every door hands the session at most as many files, in as much text,
    // as the socket takes.
    void oneLimitForEveryDoor_data()
    {
        QTest::addColumn<QStringList>("pfade");
        QTest::addColumn<qsizetype>("bleiben");
        const QString kurz = u"/a.mp3"_s, lang(Sitzung::HoechstgroesseDateien / 8, u'x');
        QTest::newRow("within") << QStringList(Sitzung::HoechstzahlDateien, kurz)
                                << qsizetype{Sitzung::HoechstzahlDateien};
        QTest::newRow("too many") << QStringList(300'000, kurz)
                                  << qsizetype{Sitzung::HoechstzahlDateien};
        QTest::newRow("too long") << QStringList(5, lang) << qsizetype{4};
    }

    void oneLimitForEveryDoor()
    {
        QFETCH(QStringList, pfade);
        if (pfade.size() > Sitzung::HoechstzahlDateien || pfade[0].size() > 6)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"nur die ersten"_s));
        QTEST(Sitzung::begrenzt(pfade).size(), "bleiben");
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

        // Every copy of its number's marker leaves the title, the one in the name too.
        const QString draussen = d.ordner.write(u"X/c #2#.wav"_s);
        QSignalSpy geoeffnet(d.sitzung.get(), &Sitzung::geoeffnet);
        d.player.call(u"OpenUri"_s, QUrl::fromLocalFile(draussen).toString());
        QVERIFY(geoeffnet.wait());
        QCOMPARE(d.player.property("Metadata").toMap()[u"xesam:url"_s],
                 QVariant(QUrl::fromLocalFile(draussen).toString(QUrl::FullyEncoded)));
        QCOMPARE(d.sitzung->wiedergabe().titel(), u"c .wav   "_s);
        QCOMPARE(d.player.call(u"OpenUri"_s, u"http://example.invalid/d.mp3"_s).errorName(),
                 u"org.freedesktop.DBus.Error.NotSupported");
        // A file of the library by a detour plays its entry.
        d.player.call(u"OpenUri"_s,
                      QUrl::fromLocalFile(d.ordner.path(u"X/../M/a.mp3"_s)).toString());
        QVERIFY(geoeffnet.wait());
        QCOMPARE(d.player.property("Metadata").toMap()[u"xesam:title"_s], QVariant(u"a.mp3"_s));
        QCOMPARE(d.sitzung->bibliothek().size(), 3);
    }

    // Without a session bus a later start hands its files over a socket in
    // the user's runtime folder.
    void handOverASocket()
    {
        Ordner o;
        o.write(u"M/a.mp3"_s);
        QTemporaryDir laufzeit;
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(laufzeit.path()));
        QString name;
        {
            Einzelstart erster(o.path());
            QSignalSpy geoeffnet(&erster, &Einzelstart::geoeffnet);
            QCOMPARE(erster.weitergeben({}, QDBusConnection(QString())),
                     Einzelstart::Ergebnis::Erster);
            name = laufzeit.filePath(QDir(laufzeit.path()).entryList(QDir::System).value(0));
            QVERIFY(weitergegeben(start(o.path(), {o.path(u"X/../M/a.mp3"_s)})));
            // Taken while the library is still read, opened once it is there.
            QCOMPARE(geoeffnet.size(), 0);
            erster.bereit();
            QCOMPARE(geoeffnet[0][0].toStringList(), QStringList{o.path(u"X/../M/a.mp3"_s)});
            // A list longer than any command line gives is cut off at its
            // length; a message longer than one, once that much has come.
            for (const QByteArray& boeses :
                 {"\xff\xff\xff\xf0"_ba,
                  QByteArray(9 << 20, 'x').prepend("\0\0\0\x01\x7f\xff\xff\xf0"_ba)}) {
                QLocalSocket boese;
                boese.connectToServer(name);
                QSignalSpy getrennt(&boese, &QLocalSocket::disconnected);
                boese.write(boeses);
                QVERIFY(getrennt.wait());
            }
        }
        // A start that finds the folder's lock held by a player that does not
        // listen yet waits for it and hands it its files, rather than taking
        // its place. Time enough for a start that does not wait to take the
        // place; only that is checked.
        QLockFile sperre(name + u".lock"_s);
        QVERIFY(sperre.lock());
        std::future<bool> gleichzeitig = start(o.path(), {});
        [[maybe_unused]] const bool frei =
            QTest::qWaitFor([&] { return fertig(gleichzeitig) || QFile::exists(name); }, 500);
        QLocalServer anderer;
        QObject::connect(&anderer, &QLocalServer::newConnection, [&] {
            QLocalSocket* s = anderer.nextPendingConnection();
            QObject::connect(s, &QLocalSocket::readyRead, [s] { s->write("1"); });
        });
        QVERIFY(anderer.listen(name));
        QVERIFY(weitergegeben(std::move(gleichzeitig)));
    }
};

QTEST_GUILESS_MAIN(MprisTest)
#include "tst_mpris.moc"
