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
    // engine is still inside its own message handling when it tells; and a
    // pause pressed meanwhile holds the clock, so the tick must not run then.
    m_engine->setEndHandler([this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (laeuft())
                    Timer1_Timer();
            },
            Qt::QueuedConnection);
    });
    m_engine->setNextHandler([this](MediaEngine::Next was, int id) {
        switch (was) {
        case MediaEngine::Next::Taken:
            return naechstesGenommen(id);
        case MediaEngine::Next::Started:
            return naechstesGestartet(id);
        case MediaEngine::Next::Dropped:
            return naechstesVerworfen(id);
        }
    });
    // The successor follows whatever the choice depends on.
    for (const QAbstractItemModel* model :
         {static_cast<const QAbstractItemModel*>(&m_warteliste),
          static_cast<const QAbstractItemModel*>(&m_bibliothek)}) {
        connect(model, &QAbstractItemModel::rowsInserted, this, &Wiedergabe::vormerken);
        connect(model, &QAbstractItemModel::rowsRemoved, this, &Wiedergabe::vormerken);
        connect(model, &QAbstractItemModel::dataChanged, this, &Wiedergabe::vormerken);
        connect(model, &QAbstractItemModel::modelReset, this, &Wiedergabe::vormerken);
    }
}

Wiedergabe::~Wiedergabe()
{
    m_engine->setEndHandler({});
    m_engine->setNextHandler({});
}

void Wiedergabe::vorbereiten()
{
    m_TonAn = true;
    Q_EMIT tonChanged(true);
    ZufallEinAus(false);
}

void Wiedergabe::beenden()
{
    setTakt(0);
    m_engine->close();
}

void Wiedergabe::setZustand(Zustand zustand)
{
    m_zustand = zustand;
    Q_EMIT zustandChanged(zustand);
}

Wiedergabe::Knoepfe Wiedergabe::knoepfe() const
{
    switch (m_zustand) {
    case Zustand::Spielt:
        return {false, true, true, true, true};
    case Zustand::Pause:
        return {false, true, true, false, false};
    case Zustand::Bereit:
    case Zustand::Gestoppt:
        break;
    }
    return {true, false, false, false, false};
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
    // A position outside the list (an empty library, a queue entry that is
    // gone) plays nothing and changes nothing.
    if (Liednr < 0 || Liednr >= m_bibliothek.size())
        return;
    liedZeigen(Liednr);
    // What was chosen to follow the track before is past.
    m_vorgemerkt.clear();
    m_genommen.clear();
    m_engine->open(m_bibliothek.pfad(m_bibliothek.nummer(Liednr)));
    m_engine->play();
    setZustand(Zustand::Spielt);
    setTakt(Takt);
    vormerken();
}

// The chooser, the title and the clock turn to the track that is heard now.
void Wiedergabe::liedZeigen(int Liednr)
{
    const int N = m_bibliothek.nummer(Liednr);
    m_Listennummer = m_bibliothek.index(Liednr);
    setAuswahl(Liednr);
    m_titel =
        QString(m_bibliothek.text(N)).remove(u'#' + QString::number(N) + u'#', Qt::CaseInsensitive);
    Q_EMIT titelChanged(m_titel);
    m_Liedende = false;
    // The new track's first tick shows its own percentage, not the last one's.
    m_anzeige.prozent = QStringLiteral("0 %");
    m_anzeige.balken = 0;
}

// The tick's choice, made ahead: the engine goes on with it without a gap
// when the track ends by itself.
void Wiedergabe::vormerken()
{
    if (m_zustand != Zustand::Spielt && m_zustand != Zustand::Pause)
        return;
    int nach = Listennummer();
    QList<int> gehoert;
    for (const int id : std::as_const(m_genommen)) {
        const Wahl& w = m_vorgemerkt[id];
        nach = w.lied.row();
        if (w.warteN >= 0)
            gehoert.append(w.warteN);
    }
    const Wahl wahl = waehlen(nach, gehoert);
    const int Liednr = wahl.lied.row();
    if (Liednr < 0) {
        m_engine->setNext({}, 0);
        return;
    }
    m_vorgemerkt.insert(++m_letzteId, wahl);
    m_engine->setNext(m_bibliothek.pfad(m_bibliothek.nummer(Liednr)), m_letzteId);
}

void Wiedergabe::naechstesGenommen(int id)
{
    // One that a Play overtook (Next, Stop, a search hit) is not followed.
    if (!m_vorgemerkt.contains(id))
        return;
    m_genommen.append(id);
    vormerken();
}

// The track will not follow after all: the choice starts again from the one
// that is heard.
void Wiedergabe::naechstesVerworfen(int id)
{
    if (!m_genommen.removeOne(id))
        return;
    m_vorgemerkt.remove(id);
    vormerken();
}

void Wiedergabe::naechstesGestartet(int id)
{
    if (!m_genommen.contains(id))
        return;
    while (m_genommen.takeFirst() != id) {
    }
    const Wahl wahl = m_vorgemerkt.value(id);
    // What was chosen before it is past; later choices may still be taken.
    for (auto it = m_vorgemerkt.begin(); it != m_vorgemerkt.end();)
        it = it.key() > id ? std::next(it) : m_vorgemerkt.erase(it);
    if (wahl.lied.row() < 0)
        return;
    liedZeigen(wahl.lied.row());
    m_failedInARow = 0;
    // A queued track is heard once, wherever the user moved it meanwhile.
    for (int zeile = 0; wahl.warteN >= 0 && zeile < m_warteliste.Wartend(); ++zeile) {
        if (m_warteliste.nummer(zeile) == wahl.warteN) {
            m_warteliste.entfernen(zeile);
            break;
        }
    }
    vormerken();
}

Wiedergabe::Wahl Wiedergabe::waehlen(int Liednr, QList<int> gehoert)
{
    for (int zeile = 0; zeile < m_warteliste.Wartend(); ++zeile) {
        const int N = m_warteliste.nummer(zeile);
        if (!gehoert.removeOne(N))
            return {m_bibliothek.index(m_bibliothek.ListennummerErmitteln(N)), N};
    }
    if (m_ZufallAn)
        return {m_bibliothek.index(Zufallszahl(0, m_bibliothek.size())), -1};
    const int K = Liednr + 1;
    return {m_bibliothek.index(K != m_bibliothek.size() ? K : 0), -1};
}

void Wiedergabe::PlayClick()
{
    Play(Auswahl());
}

void Wiedergabe::PauseClick()
{
    const bool fortsetzen = m_engine->mode() == Mode::Paused;
    m_Liedende = false;
    if (m_zustand == Zustand::Pause) {
        setZustand(Zustand::Spielt);
        setTakt(Takt);
    } else {
        setZustand(Zustand::Pause);
        setTakt(0);
    }
    if (fortsetzen)
        m_engine->resume();
    else
        m_engine->pause();
}

void Wiedergabe::StopClick()
{
    setTakt(0);
    m_Liedende = false;
    setZustand(Zustand::Gestoppt);
    m_engine->stop();
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
    m_engine->seek(0);
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
    m_engine->seek(ms);
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
    const Wahl wahl = waehlen(Listennummer(), {});
    if (wahl.warteN >= 0)
        m_warteliste.kopfNehmen();
    Play(wahl.lied.row());
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

void Wiedergabe::ZufallEinAus(bool an)
{
    m_ZufallAn = an;
    Q_EMIT zufallChanged(m_ZufallAn);
    vormerken();
}

int Wiedergabe::Zufallszahl(int /*Untergrenze*/, int Obergrenze)
{
    return Obergrenze > 0 ? static_cast<int>(m_zufall->bounded(Obergrenze)) : 0;
}
