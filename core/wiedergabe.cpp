#include "core/wiedergabe.h"

#include "core/bibliothek.h"
#include "core/warteliste.h"

#include <algorithm>
#include <cmath>

using Mode = MediaEngine::Mode;

Wiedergabe::Wiedergabe(std::unique_ptr<MediaEngine> engine, const Bibliothek& bibliothek,
                       Warteliste& warteliste, QObject* parent)
    : QObject(parent), m_engine(std::move(engine)), m_bibliothek(bibliothek),
      m_warteliste(warteliste)
{
    connect(&m_Timer1, &QTimer::timeout, this, &Wiedergabe::Timer1_Timer);
    // The end of a track is handled at once rather than at the next tick, so
    // that no half second of silence falls between two tracks. Queued: the
    // engine is still inside its own message handling when it tells.
    m_engine->setEndHandler([this] {
        if (laeuft())
            QMetaObject::invokeMethod(this, &Wiedergabe::Timer1_Timer, Qt::QueuedConnection);
    });
}

Wiedergabe::~Wiedergabe()
{
    m_engine->setEndHandler({});
}

void Wiedergabe::vorbereiten()
{
    m_TonAn = true;
    Q_EMIT tonChanged(true);
    m_engine->Command(QStringLiteral("Open"));
    ZufallEinAus(QStringLiteral("Aus"));
}

void Wiedergabe::beenden()
{
    setTakt(0);
    m_engine->Command(QStringLiteral("close"));
}

void Wiedergabe::setZustand(Zustand zustand)
{
    m_zustand = zustand;
    Q_EMIT zustandChanged(zustand);
}

void Wiedergabe::setKnoepfe(const Knoepfe& knoepfe)
{
    m_knoepfe = knoepfe;
    Q_EMIT knoepfeChanged();
}

void Wiedergabe::setTakt(int ms)
{
    if (ms == 0)
        m_Timer1.stop();
    else
        m_Timer1.start(ms);
}

void Wiedergabe::setAuswahl(int Listennummer)
{
    if (Listennummer == Auswahl())
        return;
    m_auswahl = m_bibliothek.index(Listennummer);
    Q_EMIT auswahlChanged(Listennummer);
}

void Wiedergabe::Play(int Liednr)
{
    m_Listennummer = m_bibliothek.index(Liednr);
    // A position outside the list (an empty library, a queue entry that is
    // gone) plays nothing and changes nothing.
    if (Liednr < 0 || Liednr >= m_bibliothek.size())
        return;
    const int N = m_bibliothek.nummer(Liednr);
    setAuswahl(Liednr);
    m_titel =
        QString(m_bibliothek.text(N)).remove(u'#' + QString::number(N) + u'#', Qt::CaseInsensitive);
    Q_EMIT titelChanged(m_titel);

    m_engine->Command(QStringLiteral("close"));
    m_engine->setFileName(m_bibliothek.pfad(N));
    m_engine->Command(QStringLiteral("open"));
    m_engine->Command(QStringLiteral("play"));
    if (!m_TonAn)
        m_engine->setSilent(true);
    m_Liedende = false;
    // The new track's first tick shows its own percentage, not the last one's.
    m_anzeige.prozent = QStringLiteral("0 %");
    m_anzeige.balken = 0;
    setZustand(Zustand::Spielt);
    setKnoepfe({false, true, true, true, true});
    setTakt(Takt);
}

void Wiedergabe::PlayClick()
{
    Play(Auswahl());
}

void Wiedergabe::PauseClick()
{
    const bool fortsetzen = m_engine->mode() == Mode::Paused;
    Knoepfe k = m_knoepfe;
    if (m_zustand == Zustand::Pause) {
        k.next = k.stop = k.pause = k.prev = true;
        setZustand(Zustand::Spielt);
        setTakt(Takt);
    } else {
        k.play = k.next = k.prev = false;
        k.stop = true;
        setZustand(Zustand::Pause);
        setTakt(0);
    }
    m_Liedende = false;
    setKnoepfe(k);
    if (fortsetzen)
        m_engine->resume();
    else
        m_engine->pause();
}

void Wiedergabe::StopClick()
{
    setTakt(0);
    m_engine->Command(QStringLiteral("stop"));
    m_engine->Command(QStringLiteral("open"));
    setKnoepfe({true, false, false, false, false});
    m_Liedende = false;
    setZustand(Zustand::Gestoppt);
    m_engine->Command(QStringLiteral("stop"));
}

void Wiedergabe::NextClick()
{
    m_Liedende = true;
    // The clock chooses the next track; it need not wait for its tick.
    if (laeuft())
        Timer1_Timer();
}

void Wiedergabe::PrevClick()
{
    m_engine->rewind();
    Q_EMIT seeked(0);
}

void Wiedergabe::Fortschritt_MouseUp(double anteil)
{
    const double ziel = static_cast<double>(m_engine->Length()) * std::clamp(anteil, 0.0, 1.0);
    springen(static_cast<qint64>(std::nearbyint(ziel))); // halves to even
}

void Wiedergabe::springen(qint64 ms)
{
    // Nothing to seek in before the length is known.
    if (m_zustand != Zustand::Spielt || m_engine->Length() == 0)
        return;
    m_engine->Command(QStringLiteral("Stop"));
    m_engine->setFrom(ms);
    m_engine->Command(QStringLiteral("Play"));
    Q_EMIT seeked(ms);
}

void Wiedergabe::Timer1_Timer()
{
    m_engine->poll();
    endeErkennen();
    if (m_Liedende)
        naechstesLied();
    anzeigen();
}

void Wiedergabe::endeErkennen()
{
    if (m_engine->failed()) {
        // An unplayable file counts as ended; once every entry of the library
        // has failed in a row there is nothing left to try.
        if (++m_failedInARow >= m_bibliothek.size()) {
            m_failedInARow = 0;
            StopClick();
        } else {
            m_Liedende = true;
        }
        return;
    }
    if (m_engine->mode() == Mode::Playing)
        m_failedInARow = 0;
    const qint64 length = m_engine->Length();
    if (length != 0 && m_engine->Position() == length)
        m_Liedende = true;
}

void Wiedergabe::naechstesLied()
{
    if (m_warteliste.Wartend() > 0) {
        Play(m_bibliothek.ListennummerErmitteln(m_warteliste.kopfNehmen()));
    } else if (m_ZufallAn) {
        Play(Zufallszahl(0, m_bibliothek.size()));
    } else {
        const int K = Listennummer() + 1;
        Play(K != m_bibliothek.size() ? K : 0);
    }
}

void Wiedergabe::anzeigen()
{
    m_warteliste.WartendAnzeigen();
    const qint64 length = m_engine->Length();
    const qint64 position = m_engine->Position();
    const auto sekunden = [](qint64 ms) { return SekundenInMinuten(static_cast<int>(ms / 1000)); };
    m_anzeige.dauerGesamt = sekunden(length);
    m_anzeige.dauerBisher = sekunden(position);
    if (position != 0 && length != 0) {
        const int P = static_cast<int>(static_cast<double>(position) / length * 100.0);
        m_anzeige.prozent = QString::number(P) + QStringLiteral(" %");
        m_anzeige.balken = P;
    }
    if (m_engine->mode() == Mode::Stopped) {
        m_DauerGesamt = length;
        m_anzeige.dauerGesamt = sekunden(m_DauerGesamt);
        m_anzeige.dauerBisher = SekundenInMinuten(0);
        m_anzeige.prozent = QStringLiteral("0 %");
        m_anzeige.balken = 0;
    }
    Q_EMIT ticked();
}

QString Wiedergabe::SekundenInMinuten(int Sekunden)
{
    const int m = Sekunden >= 0 ? Sekunden / 60 : -((-Sekunden + 59) / 60);
    const int s = Sekunden - 60 * m;
    return QString::number(m) + QStringLiteral(" min ") + QString::number(s) +
           QStringLiteral(" sek");
}

void Wiedergabe::setTonAn(bool an)
{
    m_TonAn = an;
    Q_EMIT tonChanged(an);
    m_engine->setSilent(!an);
}

void Wiedergabe::ZufallEinAus(const QString& Ziel)
{
    if (Ziel == u"Ein")
        m_ZufallAn = true;
    else if (Ziel == u"Aus")
        m_ZufallAn = false;
    else
        return;
    Q_EMIT zufallChanged(m_ZufallAn);
}

int Wiedergabe::Zufallszahl(int /*Untergrenze*/, int Obergrenze)
{
    return Obergrenze > 0 ? static_cast<int>(m_zufall->bounded(Obergrenze)) : 0;
}
