#include "core/sitzung.h"

#include "core/aufraeumen.h"
#include "core/linestore.h"

#include <QFile>
#include <QStandardPaths>
#include <QThreadPool>
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <mutex>
#include <optional>
#include <span>
#include <stop_token>
#include <thread>
#include <unordered_map>

namespace
{

// The engine tells the tags of the track that is heard.
std::unique_ptr<MediaEngine> mitAngaben(std::unique_ptr<MediaEngine> engine, Liedangaben& angaben)
{
    engine->setTagHandler([&angaben](const MediaEngine::Tags& tags) { angaben.setzen(tags); });
    return engine;
}

} // namespace

Sitzung::Sitzung(std::unique_ptr<MediaEngine> engine, const QString& ordner, QObject* parent)
    : QObject(parent), m_ordner(ordner), m_postfach(std::make_shared<Postfach>(this)),
      m_warteliste(m_bibliothek),
      m_liedangaben(QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
                    QStringLiteral("/cover")),
      m_wiedergabe(mitAngaben(std::move(engine), m_liedangaben), m_bibliothek, m_warteliste)
{
}

QStringList Sitzung::begrenzt(QStringList pfade)
{
    qsizetype zahl = 0, groesse = 0;
    while (zahl < std::min<qsizetype>(pfade.size(), HoechstzahlDateien) &&
           (groesse += pfade[zahl].size() * 2) <= HoechstgroesseDateien)
        ++zahl;
    if (zahl < pfade.size()) {
        qWarning("Tonlaterne: nur die ersten %lld von %lld Dateien werden geöffnet", zahl,
                 pfade.size());
        pfade.resize(zahl);
    }
    return pfade;
}

void Sitzung::starten()
{
    lesen({});
    uebernehmen();
}

void Sitzung::lesenBeginnen()
{
    m_leser = std::jthread([this](std::stop_token halt) {
        lesen(halt);
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!m_leser.get_stop_token().stop_requested())
                    Q_EMIT gelesen();
            },
            Qt::QueuedConnection);
    });
}

void Sitzung::lesen(std::stop_token halt)
{
    m_einstellungenZeile = Lesen(datei(EinstellungenDatei));
    m_wartelisteZeile = Lesen(datei(WartelisteDatei));
    m_quellpfade = Bibliothek::PfadeEinlesen(datei(QuellpfadDatei));
    // A source folder that is not there, as on a drive not mounted now: the
    // queue keeps the names it cannot find until a start finds them again.
    m_quelleFehlt = std::any_of(m_quellpfade.cbegin(), m_quellpfade.cend(), [](const QString& p) {
        std::error_code fehler;
        return !std::filesystem::exists(QFile::encodeName(p).toStdString(), fehler);
    });
    const bool alleDateien = Optionen::ausZeile(m_einstellungenZeile).DateiEndungenRegel == 0;
    const QString indexDatei =
        Bibliothek::indexDatei(m_ordner.absolutePath(), m_quellpfade, alleDateien);
    QThreadPool::globalInstance()->start([indexDatei, ordner = m_ordner.absolutePath()] {
        beimStartAufraeumen(indexDatei, ordner);
    });
    m_bibliothek.AlleDateienAusAllenPfadenEinlesen(m_quellpfade, alleDateien, indexDatei, halt);
    if (!halt.stop_requested())
        m_bibliothek.sortieren();
}

void Sitzung::uebernehmen()
{
    m_wiedergabe.vorbereiten();
    EinstellungenWiederherstellen();
    m_bibliothek.ListeÜbertragen();
    m_suche.setInhalt(m_bibliothek.sortierteTexte());
    m_bibliothek.indexSpeichern();
    const int n = m_bibliothek.size();
    m_wiedergabe.setAuswahl(n == 0 ? -1 : 0);

    WartelisteWiederherstellen();
    m_warteliste.WartendAnzeigen();

    if (m_wiedergabe.ZufallAn()) {
        m_wiedergabe.setAuswahl(n == 0 ? -1 : m_wiedergabe.Zufallszahl(0, n));
        if (m_warteliste.Wartend() > 0)
            m_wiedergabe.setAuswahl(m_bibliothek.ListennummerErmitteln(m_warteliste.kopfNehmen()));
    }
    if (m_optionen.BeimStartLiedSpielen == 1)
        m_wiedergabe.PlayClick();
}

QStringList Sitzung::speichern()
{
    QStringList fehler;
    QString grund;
    if (m_optionen.WartelisteninhaltSpeichern == 1 && !WartelisteSpeichern(&grund))
        fehler.append(WartelisteDatei + QStringLiteral(": ") + grund);
    if (!EinstellungenSpeichern(&grund))
        fehler.append(EinstellungenDatei + QStringLiteral(": ") + grund);
    if (m_quellpfadeWarten && !QuellpfadeSpeichern(&grund))
        fehler.append(QuellpfadDatei + QStringLiteral(": ") + grund);
    return fehler;
}

void Sitzung::beenden()
{
    m_leser.request_stop();
    m_wiedergabe.beenden();
}

namespace
{

// A file handed to the player, as it was found beside the window's thread.
struct Fund {
    NativePath pfad;
    NativePath echt;                // its real path; empty when there is none
    std::optional<FolderId> ordner; // the identity of its folder
};
// What one path handed over stands for: a file, or a folder's files, which
// go in the order of the list.
struct Gruppe {
    std::vector<Fund> dateien;
    bool ordner = false;
};

Fund finden(const NativePath& pfad, std::optional<FolderId> ordner)
{
    std::error_code fehler;
    NativePath echt = std::filesystem::canonical(pfad, fehler).native();
    if (fehler)
        echt.clear();
    if (!ordner)
        if (const auto stamp = stampOf(std::filesystem::path(pfad).parent_path().native()))
            ordner = stamp->id;
    return {pfad, std::move(echt), ordner};
}

// The files the paths stand for, up to as many as a queue holds.
std::vector<Gruppe> suchen(const std::vector<NativePath>& pfade, bool alle,
                           const std::stop_token& halt)
{
    std::vector<Gruppe> gruppen;
    std::atomic<int> anzahl = 0;
    const auto voll = [&] { return halt.stop_requested() || anzahl >= Warteliste::Hoechstzahl; };
    for (const NativePath& pfad : pfade) {
        if (voll())
            break;
        std::error_code fehler;
        const auto art = std::filesystem::status(pfad, fehler).type();
        if (art == std::filesystem::file_type::regular) {
            gruppen.push_back({{finden(pfad, {})}, false});
            ++anzahl;
        } else if (art == std::filesystem::file_type::directory) {
            Gruppe g{{}, true};
            std::mutex mutex;
            std::unordered_map<NativePath, FolderId> ids;
            walkFolders(
                {pfad},
                [&](const NativePath& ordner, std::vector<NativePath>& dateien) {
                    std::optional<FolderId> id;
                    {
                        const std::lock_guard lock(mutex);
                        if (const auto i = ids.find(ordner); i != ids.end())
                            id = i->second;
                    }
                    for (const NativePath& datei : dateien)
                        if ((alle || EndungPasst(datei)) && !voll()) {
                            g.dateien.push_back(finden(joinPath(ordner, datei), id));
                            ++anzahl;
                        }
                },
                [&](const NativePath& ordner) -> std::optional<FolderListing> {
                    if (voll())
                        return std::nullopt;
                    std::optional<FolderListing> listing = GetFolder(ordner);
                    if (listing) {
                        const std::lock_guard lock(mutex);
                        ids.try_emplace(ordner, listing->stamp.id);
                    }
                    return listing;
                });
            gruppen.push_back(std::move(g));
        }
    }
    return gruppen;
}

} // namespace

struct Sitzung::Oeffnung {
    std::optional<std::vector<Gruppe>> gruppen;
    std::stop_source halt;
};

// Where a search for files hands what it found: to the session while it lives.
// A search that hangs on a stalled drive is let go at the end, not waited for.
struct Sitzung::Postfach {
    explicit Postfach(Sitzung* s) : sitzung(s) {}
    std::mutex mutex;
    Sitzung* sitzung;
};

Sitzung::~Sitzung()
{
    const std::lock_guard lock(m_postfach->mutex);
    m_postfach->sitzung = nullptr;
    for (const auto& o : m_oeffnungen)
        o->halt.request_stop();
}

void Sitzung::oeffnen(const QStringList& pfade)
{
    std::vector<NativePath> namen;
    for (const QString& p : begrenzt(pfade))
        namen.push_back(QFile::encodeName(p).toStdString());
    oeffnen(std::move(namen));
}

void Sitzung::oeffnen(std::vector<NativePath> pfade)
{
    Oeffnung& o = *m_oeffnungen.emplace_back(std::make_unique<Oeffnung>());
    const bool alle = m_optionen.DateiEndungenRegel == 0;
    std::thread([postfach = m_postfach, &o, pfade = std::move(pfade), alle,
                 halt = o.halt.get_token()] {
        std::vector<Gruppe> gruppen = suchen(pfade, alle, halt);
        const std::lock_guard lock(postfach->mutex);
        if (Sitzung* const s = postfach->sitzung)
            QMetaObject::invokeMethod(
                s,
                [s, &o, gruppen = std::move(gruppen)]() mutable {
                    o.gruppen = std::move(gruppen);
                    s->oeffnungenUebernehmen();
                },
                Qt::QueuedConnection);
    }).detach();
}

void Sitzung::oeffnungenUebernehmen()
{
    while (!m_oeffnungen.empty() && m_oeffnungen.front()->gruppen) {
        const std::vector<Gruppe> gruppen = std::move(*m_oeffnungen.front()->gruppen);
        m_oeffnungen.pop_front();
        // By the path as named, or through its folder by another name; then by
        // the file's real path, by which a new file joins.
        std::vector<int> nummern;
        std::vector<NativePath> neu;
        std::vector<size_t> wo;
        for (const Gruppe& g : gruppen)
            for (const Fund& f : g.dateien) {
                int N = m_bibliothek.nummerVon(f.pfad, f.ordner);
                if (N < 0 && !f.echt.empty())
                    N = m_bibliothek.nummerVon(f.echt);
                if (N < 0) {
                    wo.push_back(nummern.size());
                    neu.push_back(f.echt.empty() ? f.pfad : f.echt);
                }
                nummern.push_back(N);
            }
        if (!neu.empty()) {
            const int vorher = m_bibliothek.size();
            const std::vector<int> neue = m_bibliothek.hinzufuegen(neu);
            std::vector<std::pair<int, QString>> eintraege;
            int hoechste = vorher - 1; // a path named twice joined once
            for (size_t i = 0; i < wo.size(); ++i) {
                nummern[wo[i]] = neue[i];
                if (neue[i] > hoechste)
                    eintraege.emplace_back(m_bibliothek.ListennummerErmitteln(neue[i]),
                                           m_bibliothek.text(neue[i]));
                hoechste = std::max(hoechste, neue[i]);
            }
            std::sort(eintraege.begin(), eintraege.end());
            // Once the library and its search agree, and once for a whole folder.
            m_suche.einfuegen(eintraege);
            Q_EMIT bibliothekErweitert();
        }
        size_t ab = 0;
        for (const Gruppe& g : gruppen) {
            if (g.ordner)
                m_bibliothek.ordnen(std::span(nummern).subspan(ab, g.dateien.size()));
            ab += g.dateien.size();
        }
        if (!nummern.empty()) {
            for (size_t i = 1; i < nummern.size(); ++i)
                m_warteliste.einfuegen(static_cast<int>(i) - 1, nummern[i]);
            m_wiedergabe.Play(m_bibliothek.ListennummerErmitteln(nummern.front()));
            m_warteliste.WartendAnzeigen();
        }
        Q_EMIT geoeffnet();
    }
}

void Sitzung::EinstellungenWiederherstellen()
{
    m_optionen = Optionen::ausZeile(m_einstellungenZeile);
    if (m_optionen.Zufallsstart == 1)
        m_wiedergabe.ZufallEinAus(true);
}

bool Sitzung::EinstellungenSpeichern(QString* grund)
{
    return Speichern(m_optionen.zeile(), datei(EinstellungenDatei), grund);
}

void Sitzung::WartelisteWiederherstellen()
{
    m_warteliste.WartelisteWiederherstellen(m_wartelisteZeile, m_quelleFehlt);
}

bool Sitzung::WartelisteSpeichern(QString* grund)
{
    return Speichern(m_warteliste.WartelisteSpeichern(), datei(WartelisteDatei), grund);
}

void Sitzung::setQuellpfade(const QStringList& pfade)
{
    m_quellpfade = pfade;
    m_quellpfadeWarten = true;
}

bool Sitzung::QuellpfadeSpeichern(QString* grund)
{
    m_quellpfadeWarten =
        !Speichern(teileSchreiben(m_quellpfade, u';'), datei(QuellpfadDatei), grund);
    return !m_quellpfadeWarten;
}
