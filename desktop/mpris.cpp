#include "desktop/mpris.h"

#include "core/sitzung.h"
#include "desktop/aufruf.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QTimer>
#include <QUrl>
#include <algorithm>

namespace
{

const QString objektPfad = QStringLiteral("/org/mpris/MediaPlayer2");
const QString dienst = QStringLiteral("org.mpris.MediaPlayer2.tonlaterne");
constexpr qint64 us = 1000; // microseconds in a millisecond

using Zustand = Wiedergabe::Zustand;

} // namespace

// org.mpris.MediaPlayer2: the program as a whole.
class MprisProgramm final : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(QString Identity READ Identity CONSTANT)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry CONSTANT)
    Q_PROPERTY(bool CanRaise READ ja CONSTANT)
    Q_PROPERTY(bool CanQuit READ ja CONSTANT)
    Q_PROPERTY(bool HasTrackList READ nein CONSTANT)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes CONSTANT)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes CONSTANT)
public:
    explicit MprisProgramm(Mpris* mpris) : QDBusAbstractAdaptor(mpris), m_mpris(mpris) {}

    QString Identity() const { return QStringLiteral("Tonlaterne"); }
    QString DesktopEntry() const { return QStringLiteral("de.tonlaterne.Tonlaterne"); }
    bool ja() const { return true; }
    bool nein() const { return false; }
    QStringList SupportedUriSchemes() const { return {QStringLiteral("file")}; }
    // As the desktop entry: the six kinds of the extension rule, and the
    // further sound the package's GStreamer plugins play.
    QStringList SupportedMimeTypes() const
    {
        return {QStringLiteral("audio/x-wav"),      QStringLiteral("audio/mpeg"),
                QStringLiteral("audio/x-ms-wma"),   QStringLiteral("video/x-msvideo"),
                QStringLiteral("video/mpeg"),       QStringLiteral("audio/midi"),
                QStringLiteral("audio/flac"),       QStringLiteral("audio/x-flac"),
                QStringLiteral("audio/ogg"),        QStringLiteral("audio/x-vorbis+ogg"),
                QStringLiteral("audio/x-opus+ogg"), QStringLiteral("audio/mp4"),
                QStringLiteral("audio/x-m4a"),      QStringLiteral("audio/aac")};
    }

public Q_SLOTS:
    void Raise() { Q_EMIT m_mpris->raiseRequested(); }
    void Quit() { Q_EMIT m_mpris->quitRequested(); }

private:
    Mpris* m_mpris;
};

// org.mpris.MediaPlayer2.Player: playback, as the button bar and the two
// switches offer it.
class MprisPlayer final : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(QString LoopStatus READ LoopStatus WRITE setLoopStatus)
    Q_PROPERTY(double Rate READ eins WRITE setRate)
    Q_PROPERTY(double MinimumRate READ eins CONSTANT)
    Q_PROPERTY(double MaximumRate READ eins CONSTANT)
    Q_PROPERTY(bool Shuffle READ Shuffle WRITE setShuffle)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
    Q_PROPERTY(bool CanPlay READ CanPlay)
    Q_PROPERTY(bool CanPause READ CanPause)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl CONSTANT)
public:
    MprisPlayer(Mpris* mpris, Sitzung& sitzung, const QDBusConnection& bus)
        : QDBusAbstractAdaptor(mpris), m_sitzung(sitzung), m_bus(bus)
    {
        Wiedergabe& w = sitzung.wiedergabe();
        connect(&w, &Wiedergabe::seeked, this, [this](qint64 ms) { Q_EMIT Seeked(ms * us); });
        // A press changes several properties at once: one announcement for
        // all of them. The tick brings the length once the engine knows it.
        m_melden.setSingleShot(true);
        connect(&m_melden, &QTimer::timeout, this, &MprisPlayer::melden);
        const auto spaeter = [this] { m_melden.start(); };
        connect(&w, &Wiedergabe::zustandChanged, this, spaeter);
        connect(&w, &Wiedergabe::titelChanged, this, spaeter);
        connect(&w, &Wiedergabe::auswahlChanged, this, spaeter);
        connect(&w, &Wiedergabe::tonChanged, this, spaeter);
        connect(&w, &Wiedergabe::zufallChanged, this, spaeter);
        connect(&w, &Wiedergabe::ticked, this, spaeter);
        connect(&sitzung.liedangaben(), &Liedangaben::geaendert, this, spaeter);
        // What the core holds now, a track that plays at start among it.
        geaendert();
    }

    QString PlaybackStatus() const
    {
        switch (w().zustand()) {
        case Zustand::Spielt:
            return QStringLiteral("Playing");
        case Zustand::Pause:
            return QStringLiteral("Paused");
        case Zustand::Bereit:
        case Zustand::Gestoppt:
            break;
        }
        return QStringLiteral("Stopped");
    }
    // After the last track the player starts again at the first.
    QString LoopStatus() const { return QStringLiteral("Playlist"); }
    double eins() const { return 1.0; }
    // Clients may set these two; the player keeps its one way of playing.
    void setLoopStatus(const QString&) {}
    void setRate(double) {}
    bool Shuffle() const { return w().ZufallAn(); }
    void setShuffle(bool an) { w().ZufallEinAus(an); }
    double Volume() const { return w().TonAn() ? 1.0 : 0.0; }
    void setVolume(double lautstaerke)
    {
        if ((lautstaerke > 0) != w().TonAn())
            w().setTonAn(lautstaerke > 0);
    }
    qlonglong Position() const { return w().Position() * us; }

    QVariantMap Metadata() const
    {
        const int lied = liedNummer();
        if (lied < 0)
            return {};
        const Bibliothek& b = m_sitzung.bibliothek();
        const QByteArray pfad = QByteArray::fromStdString(b.pfad(lied));
        // What the file's tags say; the file name where it has no title.
        const Liedangaben& angaben = m_sitzung.liedangaben();
        const MediaEngine::Tags& tags = angaben.tags();
        QVariantMap m{
            {QStringLiteral("mpris:trackid"), QVariant::fromValue(liedId())},
            {QStringLiteral("xesam:url"),
             QString(u"file://" + QString::fromLatin1(pfad.toPercentEncoding("/")))},
            {QStringLiteral("xesam:title"), tags.title.isEmpty() ? b.name(lied) : tags.title},
        };
        const auto angabe = [&m](const char* name, const QVariant& wert, bool da) {
            if (da)
                m.insert(QString::fromLatin1(name), wert);
        };
        angabe("xesam:artist", tags.artists, !tags.artists.isEmpty());
        angabe("xesam:album", tags.album, !tags.album.isEmpty());
        angabe("xesam:albumArtist", tags.albumArtists, !tags.albumArtists.isEmpty());
        angabe("xesam:trackNumber", tags.trackNumber, tags.trackNumber > 0);
        angabe("xesam:genre", tags.genres, !tags.genres.isEmpty());
        angabe("mpris:artUrl", QUrl::fromLocalFile(angaben.coverDatei()).toString(),
               !angaben.coverDatei().isEmpty());
        if (const qint64 laenge = w().Length(); laenge > 0)
            m.insert(QStringLiteral("mpris:length"), laenge * us);
        return m;
    }

    bool CanGoNext() const { return w().knoepfe().next; }
    bool CanGoPrevious() const { return w().knoepfe().prev; }
    // Play starts the chosen entry, or resumes through the Pause button.
    bool CanPlay() const { return (w().knoepfe().play && w().Auswahl() >= 0) || CanPause(); }
    bool CanPause() const { return w().knoepfe().pause; }
    // As a click on the progress bar: while playing, once the length is known.
    bool CanSeek() const { return w().zustand() == Zustand::Spielt && w().Length() > 0; }
    bool CanControl() const { return true; }

public Q_SLOTS:
    void Play()
    {
        if (w().zustand() == Zustand::Pause)
            pauseTaste();
        else if (w().knoepfe().play)
            w().PlayClick();
    }
    void Pause()
    {
        if (w().zustand() == Zustand::Spielt)
            pauseTaste();
    }
    void PlayPause()
    {
        if (w().zustand() == Zustand::Spielt)
            Pause();
        else
            Play();
    }
    void Stop()
    {
        if (w().knoepfe().stop)
            w().StopClick();
    }
    void Next()
    {
        if (CanGoNext())
            w().NextClick();
    }
    void Previous()
    {
        if (CanGoPrevious())
            w().PrevClick();
    }
    void Seek(qlonglong Offset)
    {
        if (!CanSeek())
            return;
        const qint64 ziel = w().Position() + Offset / us;
        if (ziel > w().Length())
            Next();
        else
            w().springen(std::max<qint64>(ziel, 0));
    }
    void SetPosition(const QDBusObjectPath& TrackId, qlonglong Position)
    {
        if (CanSeek() && TrackId == liedId() && Position >= 0 && Position <= w().Length() * us)
            w().springen(Position / us);
    }
    // Only local files: nothing is ever fetched.
    void OpenUri(const QString& Uri, const QDBusMessage& anfrage)
    {
        const QUrl url(Uri);
        if (url.isLocalFile()) {
            m_sitzung.oeffnen({absoluterPfad(url.toLocalFile())});
            return;
        }
        anfrage.setDelayedReply(true);
        m_bus.send(anfrage.createErrorReply(QDBusError::NotSupported,
                                            QStringLiteral("Nur Dateien lassen sich öffnen.")));
    }

Q_SIGNALS:
    void Seeked(qlonglong Position);

private:
    Wiedergabe& w() const { return m_sitzung.wiedergabe(); }
    void pauseTaste()
    {
        if (w().knoepfe().pause)
            w().PauseClick();
    }
    // The entry number of the track played last; -1 before the first.
    int liedNummer() const
    {
        const int Listennummer = w().Listennummer();
        return Listennummer < 0 ? -1 : m_sitzung.bibliothek().nummer(Listennummer);
    }
    QDBusObjectPath liedId() const
    {
        return QDBusObjectPath(QStringLiteral("/de/tonlaterne/Tonlaterne/Lied/") +
                               QString::number(liedNummer()));
    }

    // The properties whose changes clients are told of, with their new values
    // since the last call.
    QVariantMap geaendert()
    {
        QVariantMap neu;
        for (const char* name : {"PlaybackStatus", "Metadata", "Volume", "Shuffle", "CanGoNext",
                                 "CanGoPrevious", "CanPlay", "CanPause", "CanSeek"}) {
            const QVariant wert = property(name);
            QVariant& alt = m_gemeldet[QString::fromLatin1(name)];
            if (wert != alt)
                neu.insert(QString::fromLatin1(name), alt = wert);
        }
        return neu;
    }
    void melden()
    {
        const QVariantMap neu = geaendert();
        if (neu.isEmpty())
            return;
        QDBusMessage signal = QDBusMessage::createSignal(
            objektPfad, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("PropertiesChanged"));
        signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << neu << QStringList();
        m_bus.send(signal);
    }

    Sitzung& m_sitzung;
    QDBusConnection m_bus;
    QVariantMap m_gemeldet;
    QTimer m_melden;
};

Mpris::Mpris(Sitzung& sitzung, QObject* parent) : QObject(parent), m_sitzung(sitzung) {}

Mpris::~Mpris()
{
    if (m_bus.isConnected()) {
        m_bus.unregisterService(m_dienst);
        m_bus.unregisterObject(objektPfad);
    }
}

bool Mpris::anmelden(QDBusConnection bus)
{
    if (!bus.isConnected())
        return false;
    new MprisProgramm(this);
    new MprisPlayer(this, m_sitzung, bus);
    // The object before the name: a client that sees the name appear asks at once.
    // A further player, on other data files, takes a name of its own.
    if (bus.registerObject(objektPfad, this, QDBusConnection::ExportAdaptors)) {
        for (const QString& name :
             {dienst, QString(dienst + QStringLiteral(".instance") +
                              QString::number(QCoreApplication::applicationPid()))}) {
            if (bus.registerService(name)) {
                m_bus = bus;
                m_dienst = name;
                return true;
            }
        }
    }
    bus.unregisterObject(objektPfad);
    qDeleteAll(findChildren<QDBusAbstractAdaptor*>(Qt::FindDirectChildrenOnly));
    return false;
}

#include "mpris.moc"
