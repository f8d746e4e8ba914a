#include "core/sitzung.h"

#include "core/linestore.h"

#include <QFile>
#include <filesystem>

Sitzung::Sitzung(std::unique_ptr<MediaEngine> engine, const QString& ordner, QObject* parent)
    : QObject(parent), m_ordner(ordner), m_warteliste(m_bibliothek),
      m_wiedergabe(std::move(engine), m_bibliothek, m_warteliste)
{
}

void Sitzung::starten()
{
    m_wiedergabe.vorbereiten();
    EinstellungenWiederherstellen();

    m_quellpfade = Bibliothek::PfadeEinlesen(datei(QuellpfadDatei));
    m_bibliothek.AlleDateienAusAllenPfadenEinlesen(m_quellpfade,
                                                   m_optionen.DateiEndungenRegel == 0);
    m_bibliothek.ListeÜbertragen();
    m_suche.setInhalt(m_bibliothek.sortiert());
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

void Sitzung::oeffnen(const QStringList& pfade)
{
    std::vector<int> nummern;
    for (const QString& p : pfade) {
        const NativePath pfad = QFile::encodeName(p).toStdString();
        std::error_code fehler;
        if (!std::filesystem::is_regular_file(pfad, fehler))
            continue;
        int N = m_bibliothek.nummerVon(pfad);
        if (N < 0) {
            N = m_bibliothek.hinzufuegen(pfad);
            m_suche.einfuegen(m_bibliothek.ListennummerErmitteln(N), m_bibliothek.text(N));
            Q_EMIT bibliothekErweitert();
        }
        nummern.push_back(N);
    }
    if (nummern.empty())
        return;
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
