#include "core/sitzung.h"

#include "core/linestore.h"

#include <QFile>
#include <QStandardPaths>
#include <algorithm>
#include <filesystem>

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
    : QObject(parent), m_ordner(ordner), m_warteliste(m_bibliothek),
      m_liedangaben(QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
                    QStringLiteral("/cover")),
      m_wiedergabe(mitAngaben(std::move(engine), m_liedangaben), m_bibliothek, m_warteliste)
{
}

void Sitzung::starten()
{
    m_wiedergabe.vorbereiten();
    EinstellungenWiederherstellen();

    m_quellpfade = Bibliothek::PfadeEinlesen(datei(QuellpfadDatei));
    const bool alleDateien = m_optionen.DateiEndungenRegel == 0;
    m_bibliothek.AlleDateienAusAllenPfadenEinlesen(
        m_quellpfade, alleDateien,
        Bibliothek::indexDatei(m_ordner.absolutePath(), m_quellpfade, alleDateien));
    m_bibliothek.ListeÜbertragen();
    m_suche.setInhalt(m_bibliothek.sortiert());
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
    m_wiedergabe.beenden();
}

int Sitzung::aufnehmen(const NativePath& pfad)
{
    // By the path as named first: a library read through a linked folder holds
    // that one. Then by the file's real path, by which a new file joins.
    int N = m_bibliothek.nummerVon(pfad);
    if (N >= 0)
        return N;
    std::error_code fehler;
    const std::filesystem::path echt = std::filesystem::canonical(pfad, fehler);
    if (!fehler)
        N = m_bibliothek.nummerVon(echt.native());
    if (N < 0) {
        N = m_bibliothek.hinzufuegen(fehler ? pfad : echt.native());
        m_suche.einfuegen(m_bibliothek.ListennummerErmitteln(N), m_bibliothek.text(N));
    }
    return N;
}

void Sitzung::oeffnen(const QStringList& pfade)
{
    const int vorher = m_bibliothek.size();
    std::vector<int> nummern;
    for (const QString& p : pfade) {
        const NativePath pfad = QFile::encodeName(p).toStdString();
        std::error_code fehler;
        if (std::filesystem::is_regular_file(pfad, fehler)) {
            nummern.push_back(aufnehmen(pfad));
        } else if (std::filesystem::is_directory(pfad, fehler)) {
            const bool alle = m_optionen.DateiEndungenRegel == 0;
            const auto ab = static_cast<std::ptrdiff_t>(nummern.size());
            walkFolders({pfad}, [&](const NativePath& ordner, std::vector<NativePath>& dateien) {
                for (const NativePath& datei : dateien)
                    if (alle || EndungPasst(datei))
                        nummern.push_back(aufnehmen(joinPath(ordner, datei)));
            });
            std::sort(nummern.begin() + ab, nummern.end(), [this](int a, int b) {
                return m_bibliothek.ListennummerErmitteln(a) <
                       m_bibliothek.ListennummerErmitteln(b);
            });
        }
    }
    if (nummern.empty())
        return;
    // Once the library and its search agree, and once for a whole folder.
    if (m_bibliothek.size() != vorher)
        Q_EMIT bibliothekErweitert();
    for (size_t i = 1; i < nummern.size(); ++i)
        m_warteliste.einfuegen(static_cast<int>(i) - 1, nummern[i]);
    m_wiedergabe.Play(m_bibliothek.ListennummerErmitteln(nummern.front()));
    m_warteliste.WartendAnzeigen();
}

void Sitzung::EinstellungenWiederherstellen()
{
    m_optionen = Optionen::ausZeile(Lesen(datei(EinstellungenDatei)));
    if (m_optionen.Zufallsstart == 1)
        m_wiedergabe.ZufallEinAus(QStringLiteral("Ein"));
}

bool Sitzung::EinstellungenSpeichern(QString* grund)
{
    return Speichern(m_optionen.zeile(), datei(EinstellungenDatei), grund);
}

void Sitzung::WartelisteWiederherstellen()
{
    m_warteliste.WartelisteWiederherstellen(Lesen(datei(WartelisteDatei)));
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
