#pragma once

#include "platform/mediaengine.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPersistentModelIndex>
#include <QRandomGenerator>
#include <QTimer>
#include <memory>

class Bibliothek;
class Warteliste;

// Playback: plays library entries through the media engine, keeps the clock
// that moves from track to track, and the mute and random switches.
class Wiedergabe final : public QObject
{
    Q_OBJECT
public:
    // Empty before the first track.
    enum class Zustand { Bereit, Spielt, Pause, Gestoppt };
    Q_ENUM(Zustand)
    // Which buttons of the bar can be pressed, as the state has them.
    struct Knoepfe {
        bool play = true, pause = false, stop = false, next = false, prev = false;
        bool operator==(const Knoepfe&) const = default;
    };
    // What the clock shows: the times, the percentage played and the bar.
    struct Anzeige {
        QString dauerBisher, dauerGesamt, prozent;
        int balken = 0;
    };
    static constexpr int Takt = 500; // ms between two ticks while a track plays

    Wiedergabe(std::unique_ptr<MediaEngine> engine, const Bibliothek& bibliothek,
               Warteliste& warteliste, QObject* parent = nullptr);
    ~Wiedergabe() override;
    Q_DISABLE_COPY_MOVE(Wiedergabe)

    // Plays the entry at this position of the sorted library; a position
    // outside it plays nothing.
    void Play(int Liednr);
    // The buttons of the bar, each with the bar's own action after it.
    void PlayClick();
    void PauseClick();
    void StopClick();
    void NextClick();
    void PrevClick();
    // A release on the progress bar at this fraction of its width.
    void Fortschritt_MouseUp(double anteil);
    void springen(qint64 ms);

    void Timer1_Timer();

    void setTonAn(bool an);
    void ZufallEinAus(bool an);
    // Uniform over 0 … Obergrenze − 1 (0 when that is empty); the lower bound
    // is ignored and nothing is excluded, not even the track just played.
    int Zufallszahl(int Untergrenze, int Obergrenze);
    // Tests fix the draws with a seeded generator; it must outlive this object.
    void setZufallsgenerator(QRandomGenerator* generator) { m_zufall = generator; }

    static QString SekundenInMinuten(int Sekunden);

    // The entry chosen in the track chooser, which Play selects.
    int Auswahl() const { return m_auswahl.row(); }
    void setAuswahl(int Listennummer);

    Zustand zustand() const { return m_zustand; }
    Knoepfe knoepfe() const;
    const Anzeige& anzeige() const { return m_anzeige; }
    const QString& titel() const { return m_titel; }
    int Listennummer() const { return m_Listennummer.row(); }
    bool TonAn() const { return m_TonAn; }
    bool ZufallAn() const { return m_ZufallAn; }
    bool laeuft() const { return m_Timer1.isActive(); }
    // Where the open track stands and how long it is, in ms; 0 until the engine knows.
    qint64 Position() const { return m_engine->Position(); }
    qint64 Length() const { return m_engine->Length(); }

    // Start-up: sound on, the device opened, random off, the clock still.
    void vorbereiten();
    void beenden();

Q_SIGNALS:
    // The buttons that can be pressed change with it.
    void zustandChanged(Wiedergabe::Zustand zustand);
    void titelChanged(const QString& titel);
    void auswahlChanged(int Listennummer);
    void tonChanged(bool an);
    void zufallChanged(bool an);
    void ticked();
    void seeked(qint64 ms);

private:
    // A track the next-track choice picked: a library position, and the queue
    // entry (its N) it came from, or -1.
    struct Wahl {
        QPersistentModelIndex lied;
        int warteN = -1;
    };

    void liedZeigen(int Liednr);
    // The choice after the track at `Liednr`, once the queue entries `gehoert`
    // (their N) have been heard.
    Wahl waehlen(int Liednr, QList<int> gehoert);
    void vormerken();
    void naechstesGenommen(int id);
    void naechstesGestartet(int id);
    void naechstesVerworfen(int id);
    void setZustand(Zustand zustand);
    void setTakt(int ms);
    void endeErkennen();
    void naechstesLied();
    void anzeigen();

    std::unique_ptr<MediaEngine> m_engine;
    const Bibliothek& m_bibliothek;
    Warteliste& m_warteliste;
    QTimer m_Timer1;
    QRandomGenerator* m_zufall = QRandomGenerator::global();

    Zustand m_zustand = Zustand::Bereit;
    Anzeige m_anzeige;
    QString m_titel;
    // Positions in the sorted library that move along when an entry joins it.
    QPersistentModelIndex m_auswahl;
    QPersistentModelIndex m_Listennummer;
    bool m_TonAn = false;
    bool m_ZufallAn = false;
    bool m_Liedende = false;
    int m_failedInARow = 0;
    // The successors given to the engine, by their id: the engine may still
    // take one that a later choice replaced. Those it took wait in order to be
    // heard; the next choice follows the last of them.
    QHash<int, Wahl> m_vorgemerkt;
    QList<int> m_genommen;
    int m_letzteId = 0;
};
