#pragma once

#include "core/bibliothek.h"
#include "core/liedangaben.h"
#include "core/optionen.h"
#include "core/suche.h"
#include "core/warteliste.h"
#include "core/wiedergabe.h"

#include <QDir>
#include <QObject>
#include <deque>
#include <memory>
#include <thread>

// One run of the player: the library, the queue, the options, the search and
// playback, with the start-up that fills them and the end that saves them.
// The data files live in one folder.
class Sitzung final : public QObject
{
    Q_OBJECT
public:
    explicit Sitzung(std::unique_ptr<MediaEngine> engine,
                     const QString& ordner = QStringLiteral("."), QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(Sitzung)
    ~Sitzung() override;

    // What one hand-over of files may hold, whichever way it comes (command
    // line, drop, a later start over the bus or the socket, the media
    // controls): no more files than the queue holds, in no more text than a
    // command line gives (2 MiB, here as UTF-16). A broken or hostile sender
    // must not fill the memory.
    static constexpr int HoechstzahlDateien = Warteliste::Hoechstzahl;
    static constexpr qint64 HoechstgroesseDateien = 8 * 1024 * 1024;
    // The first files of the list that keep within both bounds; a line on
    // standard error tells when some were cut.
    static QStringList begrenzt(QStringList pfade);

    // Restores the options, reads the library and the queue, and starts
    // playing when the options say so, all on the calling thread.
    void starten();
    // The same in two steps, so that the window's thread stays free: the data
    // files and the library are read on a thread of their own, and `gelesen`
    // follows on this object's thread; `uebernehmen` then restores the
    // options and the queue and starts playing. `beenden` abandons a read
    // that still runs, and `gelesen` never follows.
    void lesenBeginnen();
    void uebernehmen();
    // Writes the queue (when the options say so), the options, and the source
    // folders while they wait to be written. Returns a line "file: reason" for
    // every file that could not be written.
    QStringList speichern();
    void beenden();
    // Files handed to the player from outside: the first plays now, the others
    // go to the front of the queue in order. A file outside the library joins
    // it for this run. A folder gives its files as the library would take them
    // (walked with its subfolders, by the extension rule) in the library's
    // order; a path that is neither is passed over. The files are looked for
    // beside this thread; `geoeffnet` tells when they are taken, in the order
    // the calls came.
    void oeffnen(std::vector<NativePath> pfade);
    // The same for names as text, as a drop or a URL gives them.
    void oeffnen(const QStringList& pfade);

    bool EinstellungenSpeichern(QString* grund = nullptr);
    bool WartelisteSpeichern(QString* grund = nullptr);

    // The source folders for the next start: what the source-path file holds,
    // or the fallback the library was read from at this start.
    const QStringList& Quellpfade() const { return m_quellpfade; }
    // The folders as the user edited them; they wait to be written.
    void setQuellpfade(const QStringList& pfade);
    // Writes the source-path file. When that fails the folders wait on, and the
    // end of the run tries again.
    bool QuellpfadeSpeichern(QString* grund = nullptr);

    QString datei(const QString& name) const { return m_ordner.filePath(name); }

    Bibliothek& bibliothek() { return m_bibliothek; }
    Warteliste& warteliste() { return m_warteliste; }
    const Suche& suche() const { return m_suche; }
    Optionen& optionen() { return m_optionen; }
    Wiedergabe& wiedergabe() { return m_wiedergabe; }
    const Liedangaben& liedangaben() const { return m_liedangaben; }

Q_SIGNALS:
    // Files joined the library and its search in one step.
    void bibliothekErweitert();
    void gelesen();
    // The files of one `oeffnen` are in the library and the queue, the first plays.
    void geoeffnet();

private:
    struct Oeffnung;
    struct Postfach;
    // What the start reads, on any thread.
    void lesen(std::stop_token halt);
    // From the lines the start read.
    void EinstellungenWiederherstellen();
    void WartelisteWiederherstellen();
    // Takes the openings that are ready, in the order they came.
    void oeffnungenUebernehmen();

    QDir m_ordner;
    std::shared_ptr<Postfach> m_postfach;
    Bibliothek m_bibliothek;
    Warteliste m_warteliste;
    Suche m_suche;
    Optionen m_optionen;
    // Before the playback, whose engine reports to it until it is gone.
    Liedangaben m_liedangaben;
    Wiedergabe m_wiedergabe;
    QStringList m_quellpfade;
    bool m_quellpfadeWarten = false;
    std::deque<std::unique_ptr<Oeffnung>> m_oeffnungen;
    // The lines of the start's read until they are restored.
    QString m_einstellungenZeile, m_wartelisteZeile;
    bool m_quelleFehlt = false;
    std::jthread m_leser; // last: the read ends before what it fills goes
};
