// Journeys: seeded random evenings of a user, through the real windows with
// real focus and selection, the fake engine and scripted answers. A small
// model says what the data files and the windows hold after every step; a
// failing journey is shrunk and printed as the steps a person would take.
// RapidCheck prints the seed of every run; RC_PARAMS="seed=…" repeats it.
#include "gui/frmeinstellungen.h"
#include "gui/frminfo.h"
#include "gui/frmplayer.h"
#include "gui/frmquellpfad.h"
#include "gui/frmsuchen.h"
#include "gui/frmwarteliste.h"
#include "gui/mediadevice.h"
#include "gui/statusbar.h"
#include "tests/support/fakes.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <map>
#include <optional>
#include <rapidcheck.h>
#include <rapidcheck/state.h>

using namespace Qt::StringLiterals;

namespace
{

// Music in the data folder; the source-path file names M at the first start,
// and a later start hands over files of Draußen or M.
const std::map<QString, QStringList> musik = {{u"M"_s, {u"a.mp3"_s, u"b.mp3"_s, u"c.mp3"_s}},
                                              {u"Ärger"_s, {u"d ä.mp3"_s}},
                                              {u"Draußen"_s, {u"0 neu.mp3"_s, u"bb.mp3"_s}}};
const QStringList draussen = {u"Draußen/0 neu.mp3"_s, u"Draußen/bb.mp3"_s, u"M/c.mp3"_s};
// What a user types as a source folder, with %1 for the data folder, and as a search.
const QStringList eingaben = {u"%1/Ärger"_s, u"  %1/M  "_s, u"%1/fehlt"_s, u"   "_s,
                              u"%1/Rock;Pop"_s};
const QStringList suchtexte = {u"mp3"_s, u"B"_s,         u"c.mp3"_s, u"Ä"_s,  u"#1#"_s,
                               u"neu"_s, u"  A  MP3 "_s, QString(),  u"   "_s};
const QStringList dateien = {EinstellungenDatei, QuellpfadDatei, WartelisteDatei};
const QStringList fenster = {u"Einstellungen"_s, u"Quellpfade"_s, u"Suchen"_s, u"Warteliste"_s,
                             u"Info"_s};
const QStringList menue = {u"&Einstellungen"_s, u"&Quellpfade"_s, u"&Suchen"_s, u"&Warteliste"_s,
                           u"Info"_s};
enum { Einst, Pfade, Such, Warte, Inf };
constexpr int unbekannt = -2; // a track that random play chose

std::string s(const QString& text)
{
    return text.toStdString();
}

struct Lied {
    QString name, ordner;
    int N;
    QString text() const { return name + u"   #"_s + QString::number(N) + u'#'; }
};

struct Modell {
    QString ordner;
    std::map<QString, QByteArray> inhalt; // the data files that exist
    QStringList gesperrt;                 // a folder stands in their place
    QString optionen;                     // what the core holds
    QStringList quellpfade;               // what the session holds …
    bool quellpfadeOffen = false;         // … and has not written yet
    QList<Lied> bibliothek;               // sorted
    QList<int> warteliste;                // entry numbers
    bool zufall = false;
    QString modus;
    int auswahl = -1, aktuell = -1; // entry numbers
    std::array<bool, 5> offen{};    // the windows
    std::array<bool, 5> boxen{};    // of the settings window
    QStringList liste;              // of the source-paths window, with its text box
    QString eingabe;
    int markiert = -1; // and its current and selected row
    bool gesucht = false;
    QString suchtext;
    int fragen = 0, meldungen = 0;
    QStringList nichtGespeichert; // what the last question about failed files named

    QString pfad(const QString& relativ) const { return ordner + u'/' + relativ; }
    const Lied& lied(int N) const
    {
        return *std::find_if(bibliothek.begin(), bibliothek.end(),
                             [&](const Lied& l) { return l.N == N; });
    }
    QStringList treffer() const
    {
        QStringList hits, woerter = suchtext.toCaseFolded().split(u' ', Qt::SkipEmptyParts);
        if (woerter.isEmpty())
            woerter.append(QString());
        for (const Lied& l : bibliothek)
            if (gesucht && !suchtext.isEmpty() &&
                std::all_of(woerter.cbegin(), woerter.cend(),
                            [&](const QString& w) { return l.text().toCaseFolded().contains(w); }))
                hits.append(l.text());
        return hits;
    }
    void einreihen(const Lied& l)
    {
        const auto vor = [](const Lied& a, const Lied& b) {
            const int c = sortKey(a.text()).compare(sortKey(b.text()));
            return c != 0 ? c < 0 : a.text() < b.text();
        };
        bibliothek.insert(std::upper_bound(bibliothek.begin(), bibliothek.end(), l, vor), l);
    }
    void spielen(int N)
    {
        if (N == -1)
            return;
        auswahl = aktuell = N;
        modus = u"PLAY"_s;
    }
    void naechstes()
    {
        if (!warteliste.isEmpty())
            return spielen(warteliste.takeFirst());
        if (zufall || aktuell == unbekannt)
            return spielen(unbekannt);
        const auto i = std::find_if(bibliothek.begin(), bibliothek.end(),
                                    [&](const Lied& l) { return l.N == aktuell; });
        spielen(i + 1 == bibliothek.end() ? bibliothek.first().N : (i + 1)->N);
    }
    void speichern(const QString& datei, const QString& zeile, QStringList* fehler)
    {
        if (gesperrt.contains(datei))
            fehler->append(datei);
        else
            inhalt[datei] = zeile.toUtf8() + "\r\n";
    }
    QString zeile(const QString& datei) const
    {
        return inhalt.count(datei) ? QString::fromUtf8(inhalt.at(datei).split('\r').first())
                                   : QString();
    }
    // A start on the data files as they are.
    void starten()
    {
        optionen = Optionen::ausZeile(zeile(EinstellungenDatei)).zeile();
        // Without the file the fallback is the music folder, and there is none.
        quellpfade = zeile(QuellpfadDatei).split(u';', Qt::SkipEmptyParts);
        quellpfadeOffen = false;
        bibliothek.clear();
        int N = 0;
        for (const QString& q : quellpfade)
            for (const QString& name : musik.count(q.mid(ordner.size() + 1))
                                           ? musik.at(q.mid(ordner.size() + 1))
                                           : QStringList())
                einreihen({name, q, N++});
        warteliste.clear();
        for (const QString& name : zeile(WartelisteDatei).split(u'/', Qt::SkipEmptyParts))
            for (const Lied& l : bibliothek)
                if (l.name == name) {
                    warteliste.append(l.N);
                    break;
                }
        zufall = optionen[1] == u'1';
        modus.clear();
        aktuell = -1;
        auswahl = bibliothek.isEmpty() ? -1 : bibliothek.first().N;
        if (zufall && !bibliothek.isEmpty())
            auswahl = warteliste.isEmpty() ? unbekannt : warteliste.takeFirst();
        if (optionen[2] == u'1')
            spielen(auswahl);
        offen = {};
        gesucht = false;
        suchtext = u">> Zu suchendes Lied <<"_s;
    }
};

// The program on the model's data folder, restarted after every end.
struct Programm {
    explicit Programm(const Modell& m) : ordner(m.ordner)
    {
        for (const auto& [folder, files] : musik)
            for (const QString& file : files)
                schreiben(folder + u'/' + file, {});
        for (const auto& [datei, bytes] : m.inhalt)
            schreiben(datei, bytes);
        starten();
    }
    Q_DISABLE_COPY_MOVE(Programm)
    ~Programm() { player.reset(); }

    void schreiben(const QString& relativ, const QByteArray& bytes) const
    {
        QDir().mkpath(QFileInfo(ordner + u'/' + relativ).path());
        QFile f(ordner + u'/' + relativ);
        RC_ASSERT(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    }
    void starten()
    {
        player.reset();
        auto fake = std::make_unique<FakeEngine>();
        engine = fake.get();
        engine->length = 1000;
        sitzung = std::make_unique<Sitzung>(std::move(fake), ordner);
        player = std::make_unique<frmPlayer>(*sitzung, dialogs);
        QObject::connect(player.get(), &frmPlayer::Programmende, [this] { beendet = true; });
        player->Form_Load();
        player->show();
        // The user brings a minimised window back before using it.
        minimiert = player->isMinimized();
        player->hervorholen();
        beendet = false;
    }
    QWidget* fenster(int welches) const
    {
        const std::array<QWidget*, 5> alle = {player->Einstellungen, player->Quellpfad,
                                              player->Suchen, player->Warteliste, player->Info};
        return alle[size_t(welches)];
    }
    void menu(const QString& text) const
    {
        QList<QAction*> actions = player->menuBar()->actions();
        for (QAction* a : player->menuBar()->actions())
            if (a->menu())
                actions += a->menu()->actions();
        for (QAction* a : actions)
            if (a->text() == text)
                return a->trigger();
        RC_FAIL("no menu entry " + s(text));
    }

    QString ordner;
    FakeDialogs dialogs;
    FakeEngine* engine = nullptr;
    std::unique_ptr<Sitzung> sitzung;
    std::unique_ptr<frmPlayer> player;
    bool beendet = false, minimiert = false;
};

void klicken(QWidget* w, QPoint wo = {})
{
    RC_ASSERT(w->isVisible() && w->isEnabled());
    QTest::mouseClick(w, Qt::LeftButton, {}, wo.isNull() ? w->rect().center() : wo);
}

void zeileKlicken(QAbstractItemView* liste, int zeile)
{
    const QModelIndex i = liste->model()->index(zeile, 0);
    liste->scrollTo(i);
    klicken(liste->viewport(), liste->visualRect(i).center());
}

void tippen(QLineEdit* feld, const QString& text)
{
    klicken(feld);
    QTest::keyClick(feld, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty())
        QTest::keyClick(feld, Qt::Key_Delete);
    QTest::keyClicks(feld, text);
}

void aktivieren(QWidget* w)
{
    QApplication::setActiveWindow(w);
    RC_ASSERT(w->isActiveWindow());
}

QString zeilen(const QAbstractItemModel* model)
{
    QStringList texte;
    for (int i = 0; i < model->rowCount(); ++i)
        texte.append(model->index(i, 0).data().toString());
    return texte.join(u" | ");
}

// Everything the model knows, compared with the program.
void pruefen(const Modell& m, Programm& p)
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (const QString& datei : dateien) {
        QFile f(m.pfad(datei));
        RC_ASSERT(QFileInfo(f).isDir() == m.gesperrt.contains(datei));
        const QByteArray ist = f.open(QIODevice::ReadOnly) ? f.readAll() : "(none)"_ba;
        const QByteArray soll = m.inhalt.count(datei) ? m.inhalt.at(datei) : "(none)"_ba;
        if (!m.gesperrt.contains(datei) && ist != soll)
            RC_FAIL(s(datei) + " holds " + ist.toStdString() + ", expected " + soll.toStdString());
    }
    RC_ASSERT(p.dialogs.questions.size() == m.fragen);
    RC_ASSERT(p.dialogs.messages.size() == m.meldungen);
    for (int w = 0; w < 5; ++w)
        if ((p.fenster(w) && p.fenster(w)->isVisible()) != m.offen[size_t(w)])
            RC_FAIL("window " + s(fenster[w]) + (m.offen[size_t(w)] ? " closed" : " open"));
    if (m.offen[Einst])
        for (size_t i = 0; i < 5; ++i)
            RC_ASSERT(p.player->Einstellungen->checkBox[i]->isChecked() == m.boxen[i]);
    if (m.offen[Pfade]) {
        RC_ASSERT(s(zeilen(p.player->Quellpfad->lstPfade->model())) == s(m.liste.join(u" | ")));
        RC_ASSERT(s(p.player->Quellpfad->txtEingabe->text()) == s(m.eingabe));
    }
    QStringList texte;
    for (const Lied& l : m.bibliothek)
        texte.append(l.text());
    RC_ASSERT(s(zeilen(p.player->LIST1->model())) == s(texte.join(u" | ")));
    texte.clear();
    for (const int N : m.warteliste)
        texte.append(m.lied(N).text());
    RC_ASSERT(s(zeilen(p.player->Warteliste->combowarteliste->model())) == s(texte.join(u" | ")));
    RC_ASSERT(s(zeilen(p.player->Suchen->combosuchen->model())) == s(m.treffer().join(u" | ")));
    RC_ASSERT(s(p.player->Suchen->lblTreffer->text()) ==
              s(m.gesucht ? QString::number(m.treffer().size()) + u" Treffer"_s : QString()));
    RC_ASSERT(s(p.player->StatusBar->panelText(u"Modus"_s)) == s(m.modus));
    if (m.auswahl >= 0)
        RC_ASSERT(s(p.player->LIST1->currentText()) == s(m.lied(m.auswahl).text()));
    if (!m.modus.isEmpty() && m.aktuell >= 0)
        RC_ASSERT(p.engine->fileName.string() ==
                  s(m.lied(m.aktuell).ordner + u'/' + m.lied(m.aktuell).name));
}

// 0 … n − 1, each as likely at every length of the journey.
rc::Gen<int> eine(int n)
{
    return rc::gen::resize(100, rc::gen::inRange(0, n));
}

// One thing a user does: what, on which window, row, text or file, and the
// answer to a question it may bring.
struct Schritt : rc::state::Command<Modell, Programm> {
    enum Art {
        Oeffnen,
        Schliessen,
        PfadTippen,
        PfadKlicken,
        PfadTaste,
        PfadLoeschen,
        Box,
        Hinzufuegen,
        Entfernen,
        Hoch,
        Runter,
        Leeren,
        Suchen,
        Treffer,
        Draussen,
        Sperren,
        Knopf,
        Ende,
        Arten
    };
    enum { Play, Pause, Next, Stop, Liedende };
    enum { SchliessenJa, SchliessenNein, BeendenJa, BeendenNein };
    Art art = Oeffnen;
    int n = 0; // window, row, box, text, file, button or end
    bool ja = *rc::gen::arbitrary<bool>();

    // One of the steps that can be taken now, each kind as likely.
    explicit Schritt(const Modell& m)
    {
        std::vector<std::pair<Art, std::vector<int>>> moeglich;
        for (int a = 0; a < Arten; ++a) {
            std::vector<int> ns;
            for (int k = 0; k < 9; ++k)
                if (gilt(Art(a), k, m))
                    ns.push_back(k);
            if (!ns.empty())
                moeglich.emplace_back(Art(a), ns);
        }
        const auto& [a, ns] = moeglich[size_t(*eine(int(moeglich.size())))];
        art = a;
        n = ns[size_t(*eine(int(ns.size())))];
    }
    void checkPreconditions(const Modell& m) const override { RC_PRE(gilt(art, n, m)); }

    static bool gilt(Art art, int n, const Modell& m)
    {
        const bool spielt = m.modus == u"PLAY" || m.modus == u"PAUSE";
        switch (art) {
        case Oeffnen:
            return n < 5;
        case Schliessen:
            return n < 5 && m.offen[size_t(n)];
        case PfadTippen:
            return m.offen[Pfade] && n < eingaben.size();
        case PfadKlicken:
            return m.offen[Pfade] && n < m.liste.size();
        case PfadTaste:
            return m.offen[Pfade] && m.markiert >= 0;
        case PfadLoeschen:
            return m.offen[Pfade];
        case Box:
            return m.offen[Einst] && n < 5;
        case Hinzufuegen:
            return m.offen[Warte] && n < m.bibliothek.size();
        case Leeren:
            return m.offen[Warte];
        case Suchen:
            return m.offen[Such];
        case Treffer:
            return m.offen[Such] && n < m.treffer().size();
        case Draussen:
            return n < draussen.size();
        case Sperren:
            return n < dateien.size();
        case Knopf:
            return (n == Play                 ? !spielt
                    : n == Pause || n == Stop ? spielt
                                              : n < 5 && m.modus == u"PLAY");
        case Ende:
            return n < 4;
        default: // the queue's rows
            return m.offen[Warte] && n < m.warteliste.size();
        }
    }

    void apply(Modell& m) const override
    {
        switch (art) {
        case Oeffnen:
            if (n == Einst && !m.offen[Einst])
                for (size_t i = 0; i < 5; ++i)
                    m.boxen[i] = m.optionen[int(i)] == u'1';
            if (n == Pfade && !m.offen[Pfade]) {
                m.liste = m.quellpfade;
                m.eingabe.clear();
                m.markiert = -1;
            }
            m.offen[size_t(n)] = true;
            return;
        case Schliessen:
            m.offen[size_t(n)] = false;
            if (n == Einst)
                for (size_t i = 0; i < 5; ++i)
                    m.optionen[int(i)] = m.boxen[i] ? u'1' : u'0';
            if (n == Pfade) {
                QStringList fehler;
                m.quellpfade = m.liste;
                m.speichern(QuellpfadDatei, teileSchreiben(m.liste, u';'), &fehler);
                m.quellpfadeOffen = !fehler.isEmpty();
                // A failed write asks whether to close all the same.
                m.fragen += int(fehler.size());
                m.offen[Pfade] = !fehler.isEmpty() && !ja;
            }
            return;
        case PfadTippen: {
            m.eingabe = QString(eingaben[n]).replace(u"%1"_s, m.ordner);
            const QString pfad = ohneRandLeerzeichen(m.eingabe);
            // A ";" would split the folder at the next start: refused.
            if (pfad.contains(u';'))
                ++m.meldungen;
            else if (!pfad.isEmpty())
                m.liste.append(pfad);
            return;
        }
        case PfadKlicken:
            m.markiert = n;
            m.eingabe = m.liste[n];
            return;
        case PfadTaste:
            if (const int ziel = m.markiert + (ja ? 1 : -1); ziel >= 0 && ziel < m.liste.size()) {
                m.markiert = ziel;
                m.eingabe = m.liste[ziel];
            }
            return;
        case PfadLoeschen:
            if (m.markiert >= 0)
                m.liste.removeAt(std::exchange(m.markiert, -1));
            return;
        case Box:
            m.boxen[size_t(n)] = !m.boxen[size_t(n)];
            m.optionen[n] = m.boxen[size_t(n)] ? u'1' : u'0';
            return;
        case Hinzufuegen:
            m.warteliste.append(m.bibliothek[n].N);
            return;
        case Entfernen:
            m.warteliste.removeAt(n);
            return;
        case Hoch:
        case Runter:
            if (const int ziel = n + (art == Hoch ? -1 : 1);
                ziel >= 0 && ziel < m.warteliste.size())
                m.warteliste.swapItemsAt(n, ziel);
            return;
        case Leeren:
            m.warteliste.clear();
            return;
        case Suchen:
            // Deleting nothing is no change: no search runs.
            m.gesucht = m.gesucht || !suchtexte[n].isEmpty() || !m.suchtext.isEmpty();
            m.suchtext = suchtexte[n];
            return;
        case Treffer: {
            const int N =
                std::find_if(m.bibliothek.begin(), m.bibliothek.end(), [&](const Lied& l) {
                    return l.text() == m.treffer()[n];
                })->N;
            return ja ? m.spielen(N) : m.warteliste.append(N);
        }
        case Draussen: {
            const Lied neu{draussen[n].section(u'/', 1), m.pfad(draussen[n].section(u'/', 0, 0)),
                           int(m.bibliothek.size())};
            // The first entry of that file, when the library has one.
            int erstes = neu.N;
            for (const Lied& l : m.bibliothek)
                if (l.ordner == neu.ordner && l.name == neu.name)
                    erstes = std::min(erstes, l.N);
            if (erstes == neu.N)
                m.einreihen(neu);
            return m.spielen(erstes);
        }
        case Sperren:
            if (!m.gesperrt.removeOne(dateien[n])) {
                m.gesperrt.append(dateien[n]);
                m.inhalt.erase(dateien[n]);
            }
            return;
        case Knopf:
            if (n == Play)
                m.spielen(m.auswahl);
            else if (n == Pause)
                m.modus = m.modus == u"PLAY" ? u"PAUSE"_s : u"PLAY"_s;
            else if (n == Stop)
                m.modus = u"STOP"_s;
            else
                m.naechstes();
            return;
        case Ende:
            ++m.fragen;
            if (n == SchliessenNein || n == BeendenNein)
                return;
            if (n == SchliessenJa) {
                QStringList fehler, namen;
                for (const int N : m.warteliste)
                    namen.append(m.lied(N).name);
                if (m.optionen[0] == u'1')
                    m.speichern(WartelisteDatei,
                                namen.isEmpty() ? u"/"_s : teileSchreiben(namen, u'/'), &fehler);
                m.speichern(EinstellungenDatei, m.optionen, &fehler);
                // An open source-paths window saves its list with the rest.
                if (m.offen[Pfade] || m.quellpfadeOffen)
                    m.speichern(QuellpfadDatei,
                                teileSchreiben(m.offen[Pfade] ? m.liste : m.quellpfade, u';'),
                                &fehler);
                m.nichtGespeichert = fehler;
                if (!fehler.isEmpty() && (++m.fragen, !ja))
                    return;
            }
            return m.starten();
        default:
            return;
        }
    }

    void run(const Modell& vorher, Programm& p) const override
    {
        frmPlayer& f = *p.player;
        p.dialogs.answers = {ja};
        switch (art) {
        case Oeffnen:
            p.menu(menue[n]);
            break;
        case Schliessen:
            if (ja) {
                aktivieren(p.fenster(n));
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            } else {
                p.fenster(n)->close();
            }
            break;
        case PfadTippen:
            tippen(f.Quellpfad->txtEingabe, QString(eingaben[n]).replace(u"%1"_s, vorher.ordner));
            klicken(f.Quellpfad->cmdSpeichern);
            break;
        case PfadKlicken:
            zeileKlicken(f.Quellpfad->lstPfade, n);
            break;
        case PfadTaste:
            aktivieren(f.Quellpfad);
            f.Quellpfad->lstPfade->setFocus(Qt::TabFocusReason);
            QTest::keyClick(f.Quellpfad->lstPfade, ja ? Qt::Key_Down : Qt::Key_Up);
            break;
        case PfadLoeschen:
            klicken(f.Quellpfad->cmdlöschen);
            break;
        case Box:
            klicken(f.Einstellungen->checkBox[size_t(n)], {8, 8});
            break;
        case Suchen:
            tippen(f.Suchen->txtSuchtext, suchtexte[n]);
            break;
        case Treffer:
            zeileKlicken(f.Suchen->combosuchen, n);
            klicken(ja ? f.Suchen->cmdJetztSpielen : f.Suchen->cmdWarteListe);
            break;
        case Draussen:
            p.sitzung->oeffnen({vorher.pfad(draussen[n])});
            f.hervorholen();
            break;
        case Sperren:
            if (vorher.gesperrt.contains(dateien[n])) {
                RC_ASSERT(QDir(vorher.pfad(dateien[n])).removeRecursively());
            } else {
                QFile::remove(vorher.pfad(dateien[n]));
                RC_ASSERT(QDir().mkpath(vorher.pfad(dateien[n] + u"/x"_s)));
            }
            break;
        case Knopf:
            if (n == Liedende)
                p.engine->finish();
            else
                klicken(std::array<QWidget*, 4>{f.mscMusik->play, f.mscMusik->pause,
                                                f.mscMusik->next, f.mscMusik->stop}[size_t(n)]);
            break;
        case Ende: {
            p.dialogs.answers = {n == SchliessenJa || n == BeendenJa, ja};
            if (n == SchliessenJa || n == SchliessenNein)
                f.close();
            else
                p.menu(u"Beenden"_s);
            const Modell nachher = nextState(vorher);
            if (n == SchliessenJa && !nachher.nichtGespeichert.isEmpty())
                for (const QString& datei : dateien)
                    RC_ASSERT(p.dialogs.questions.last().contains(datei + u':') ==
                              nachher.nichtGespeichert.contains(datei));
            if (p.beendet) {
                p.starten();
                RC_ASSERT(p.minimiert == (nachher.optionen[3] == u'1'));
            }
            break;
        }
        default: { // the queue window
            static const QStringList knoepfe = {u".... Hinzufügen"_s, u".... Entfernen"_s,
                                                u"Hoch"_s, u"Runter"_s, u"Alles löschen"_s};
            if (art != Leeren)
                zeileKlicken(art == Hinzufuegen ? f.Warteliste->comboLieder
                                                : f.Warteliste->combowarteliste,
                             n);
            for (QPushButton* b : f.Warteliste->findChildren<QPushButton*>())
                if (b->text() == knoepfe[art - Hinzufuegen])
                    klicken(b);
        }
        }
        pruefen(nextState(vorher), p);
    }

    void show(std::ostream& os) const override
    {
        const QString zeile = QString::number(n + 1);
        const QString ende = ja ? u"; if a question follows, answer Ja"_s
                                : u"; if a question follows, answer Nein"_s;
        const std::array<QString, Arten> texte = {
            u"Open \"%1\" from the menu"_s.arg(fenster.value(n)),
            (ja ? u"Press Escape in \"%1\""_s : u"Close \"%1\" with its close box"_s)
                    .arg(fenster.value(n)) +
                ende,
            u"In \"Quellpfade\", type \"%1\" and press \"Neuen Quellpfad jetzt speichern\""_s.arg(
                QString(eingaben.value(n)).replace(u"%1"_s, u"<data folder>"_s)),
            u"In \"Quellpfade\", click row "_s + zeile,
            u"In \"Quellpfade\", give the list the focus and press "_s + (ja ? u"Down" : u"Up"),
            u"In \"Quellpfade\", press \"Markierten Pfad löschen\""_s,
            u"In \"Einstellungen\", click box "_s + zeile,
            u"In \"Warteliste\", click row %1 of the library, press \".... Hinzufügen\""_s.arg(n +
                                                                                               1),
            u"In \"Warteliste\", click row %1 of the queue, press \".... Entfernen\""_s.arg(n + 1),
            u"In \"Warteliste\", click row %1 of the queue, press \"Hoch\""_s.arg(n + 1),
            u"In \"Warteliste\", click row %1 of the queue, press \"Runter\""_s.arg(n + 1),
            u"In \"Warteliste\", press \"Alles löschen\""_s,
            u"In \"Suchen\", replace the text with \"%1\""_s.arg(suchtexte.value(n)),
            u"In \"Suchen\", click hit %1, press \"%2\""_s.arg(zeile).arg(
                ja ? u"Jetzt abspielen"_s : u"Zur Warteliste hinzufügen"_s),
            u"Start the player again with <data folder>/"_s + draussen.value(n),
            u"Put a folder in the place of %1, or remove the one there"_s.arg(dateien.value(n)),
            QStringList{u"Press Play"_s, u"Press Pause"_s, u"Press Next"_s, u"Press Stop"_s,
                        u"Let the track play to its end"_s}
                .value(n),
            QStringList{u"Close the main window, answer Ja"_s + ende + u", then start again"_s,
                        u"Close the main window, answer Nein"_s,
                        u"Choose \"Beenden\", answer Ja, then start again"_s,
                        u"Choose \"Beenden\", answer Nein"_s}
                .value(n),
        };
        os << s(texte[art]);
    }
};

} // namespace

class JourneyTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        // No music folder to fall back on when the source-path file is missing.
        qputenv("HOME", m_home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", m_home.path().toUtf8());
        // Two hundred journeys of up to forty steps; RC_PARAMS from outside
        // (seed=…, or the reproduce=… that a failure prints) comes after and wins.
        qputenv("RC_PARAMS", "max_success=200 max_size=40 " + qgetenv("RC_PARAMS"));
        // The offscreen windows cannot be raised or sized by hints; that is no news.
        static const QtMessageHandler weiter = qInstallMessageHandler(nullptr);
        qInstallMessageHandler([](QtMsgType t, const QMessageLogContext& c, const QString& text) {
            if (!text.startsWith(u"This plugin does not support"))
                weiter(t, c, text);
        });
    }

    void evenings()
    {
        const bool ok = rc::check("a user's evening", [] {
            const QTemporaryDir dir;
            Modell m;
            m.ordner = dir.path();
            m.inhalt[QuellpfadDatei] = m.pfad(u"M;\r\n"_s).toUtf8();
            const QByteArray einstellungen[] = {"00000\r\n", "10000\r\n", "01000\r\n", "00100\r\n",
                                                "10200\r\n"};
            const QByteArray wartelisten[] = {{}, "/\r\n", "b.mp3/a.mp3/b.mp3/weg.mp3/\r\n"};
            m.inhalt[EinstellungenDatei] = einstellungen[*eine(5)];
            const QByteArray warteliste = wartelisten[*eine(3)];
            if (!warteliste.isEmpty())
                m.inhalt[WartelisteDatei] = warteliste;
            Programm p(m);
            m.starten();
            pruefen(m, p);
            rc::state::check(m, p, [](const Modell& s) {
                return rc::gen::exec([s] {
                    return std::shared_ptr<const Schritt::CommandType>(
                        std::make_shared<Schritt>(s));
                });
            });
        });
        QVERIFY(ok);
    }

private:
    QTemporaryDir m_home;
};

QTEST_MAIN(JourneyTest)
#include "tst_journey.moc"
