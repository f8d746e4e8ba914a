// Journeys: seeded random evenings of a user, through the real windows with
// real focus and selection, the fake engine and scripted answers. A small
// model says what the data files and the windows hold after every step; a
// failing journey is shrunk and printed as the steps a person would take.
// RapidCheck prints the seed of every run; RC_PARAMS="seed=…" repeats it.
#include "desktop/sitzungsende.h"
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
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSessionManager>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QWindow>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <rapidcheck.h>
#include <rapidcheck/state.h>
#include <set>

using namespace Qt::StringLiterals;

namespace
{

// Music in the data folder; the source-path file names M at the first start,
// and a later start hands over files of Draußen or M, or the folder Draußen.
// M is a link to the folder echt. The name with the replacement mark is the
// byte 0xff on disk, no UTF-8.
const std::set<QString> musik = {u"M/a.mp3"_s,       u"M/b.mp3"_s,       u"M/c.mp3"_s,
                                 u"M/\uFFFD.mp3"_s,  u"Ärger/d ä.mp3"_s, u"Draußen/0 neu.mp3"_s,
                                 u"Draußen/bb.mp3"_s};
// How the music changes between an end and the next start: a file comes or
// goes (the last one of a subfolder, or of the drive "fehlt", with its
// folder), or "a>b" is renamed.
const QStringList wechsel = {u"M/ab.mp3"_s,      u"M/b.mp3"_s,           u"M/Sub/s.mp3"_s,
                             u"Ärger/d ä.mp3"_s, u"M/c.mp3>M/0 c.mp3"_s, u"fehlt/x.mp3"_s};
const QStringList draussen = {u"Draußen/0 neu.mp3"_s, u"Draußen/bb.mp3"_s, u"M/c.mp3"_s,
                              u"echt/a.mp3"_s,        u"M/\uFFFD.mp3"_s,   u"Draußen"_s};
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

QByteArray aufDerPlatte(const QString& pfad)
{
    return QFile::encodeName(pfad).replace("\xef\xbf\xbd", "\xff");
}

QString wechselText(int w)
{
    const QStringList ab = wechsel[w].split(u'>');
    return ab.size() > 1 ? u"rename <data folder>/%1 to %2, or back"_s.arg(ab[0], ab[1])
                         : u"add or remove <data folder>/%1"_s.arg(ab[0]);
}

// The file that change w moves: from where (empty when it comes) to where
// (empty when it goes).
template <typename Da> std::pair<QString, QString> gewechselt(Da da, int w)
{
    const QStringList ab = wechsel[w].split(u'>');
    if (ab.size() > 1)
        return da(ab[0]) ? std::pair(ab[0], ab[1]) : std::pair(ab[1], ab[0]);
    return da(ab[0]) ? std::pair(ab[0], QString()) : std::pair(QString(), ab[0]);
}

int ausDemIndex = 0; // starts that read no folder, for the index held them all

struct Lied {
    QString name, ordner;
    int N;
    QString text() const { return name + u"   #"_s + QString::number(N) + u'#'; }
};

struct Modell {
    QString ordner;
    std::map<QString, QByteArray> inhalt; // the data files that exist
    QStringList gesperrt;                 // a folder stands in their place
    QStringList unsichtbar;               // queued names of a source folder not there
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
    std::set<QString> lieder = musik;

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
    // A path with the link M resolved.
    QString wirklich(const QString& p) const
    {
        const QString link = pfad(u"M/"_s);
        return p.startsWith(link) ? pfad(u"echt/"_s) + p.mid(link.size()) : p;
    }
    bool da(const QString& relativ) const
    {
        return relativ == u"Draußen" || lieder.count(relativ) ||
               (relativ.startsWith(u"echt/") && lieder.count(u"M/"_s + relativ.mid(5)));
    }
    // The entry of a file handed over: the first the library has of that file
    // by any name, else a new one by its real path.
    int aufnehmen(const QString& relativ)
    {
        const QString echt = wirklich(pfad(relativ));
        int erstes = -1;
        for (const Lied& l : bibliothek)
            if (wirklich(l.ordner + u'/' + l.name) == echt && (erstes < 0 || l.N < erstes))
                erstes = l.N;
        if (erstes >= 0)
            return erstes;
        const Lied neu{echt.section(u'/', -1), echt.section(u'/', 0, -2), int(bibliothek.size())};
        einreihen(neu);
        return neu.N;
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
    void wechseln(int w)
    {
        if (w < 0)
            return;
        const auto [von, nach] = gewechselt([&](const QString& d) { return lieder.count(d); }, w);
        lieder.erase(von);
        if (!nach.isEmpty())
            lieder.insert(nach);
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
        for (const QString& q : quellpfade) {
            // As the walk finds them: subfolders first, names in byte order.
            QStringList drin;
            for (const QString& lied : lieder)
                if (q.startsWith(ordner) && lied.startsWith(q.mid(ordner.size() + 1) + u'/'))
                    drin.append(lied.mid(q.size() - ordner.size()));
            std::stable_partition(drin.begin(), drin.end(),
                                  [](const QString& d) { return d.contains(u'/'); });
            for (const QString& d : drin)
                einreihen({d.section(u'/', -1), QString(q + u'/' + d).section(u'/', 0, -2), N++});
        }
        warteliste.clear();
        unsichtbar.clear();
        const bool fehlt =
            std::any_of(quellpfade.cbegin(), quellpfade.cend(), [&](const QString& q) {
                return !QStringList{pfad(u"M"_s), pfad(u"Ärger"_s), pfad(u"Draußen"_s)}.contains(
                           q) &&
                       !(q == pfad(u"fehlt"_s) && lieder.count(u"fehlt/x.mp3"_s));
            });
        for (const QString& name : zeile(WartelisteDatei).split(u'/', Qt::SkipEmptyParts)) {
            const auto l = std::find_if(bibliothek.cbegin(), bibliothek.cend(),
                                        [&](const Lied& x) { return x.name == name; });
            if (l != bibliothek.cend())
                warteliste.append(l->N);
            else if (fehlt)
                unsichtbar.append(name);
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
        RC_ASSERT(QDir().mkpath(ordner + u"/echt"_s) &&
                  QFile::link(ordner + u"/echt"_s, ordner + u"/M"_s));
        for (const QString& lied : musik)
            schreiben(lied, {});
        for (const auto& [datei, bytes] : m.inhalt)
            schreiben(datei, bytes);
        starten();
    }
    Q_DISABLE_COPY_MOVE(Programm)
    ~Programm() { player.reset(); }

    void schreiben(const QString& relativ, const QByteArray& bytes) const
    {
        QDir().mkpath(QFileInfo(ordner + u'/' + relativ).path());
        QFile f;
        const int fd = ::open(aufDerPlatte(ordner + u'/' + relativ).constData(),
                              O_CREAT | O_TRUNC | O_WRONLY, 0644);
        RC_ASSERT(f.open(fd, QIODevice::WriteOnly, QFile::AutoCloseHandle) &&
                  f.write(bytes) == bytes.size());
    }
    // The music as the model's change w leaves it.
    void wechseln(int w)
    {
        if (w < 0)
            return;
        const auto [von, nach] =
            gewechselt([&](const QString& d) { return QFile::exists(ordner + u'/' + d); }, w);
        if (von.isEmpty())
            return schreiben(nach, {});
        if (!nach.isEmpty())
            return RC_ASSERT(QDir(ordner).rename(von, nach));
        RC_ASSERT(QFile::remove(ordner + u'/' + von));
        if (von.count(u'/') > 1 || von.startsWith(u"fehlt/"))
            RC_ASSERT(QDir(ordner).rmdir(von.section(u'/', 0, -2)));
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
        // Wired as the program wires them.
        QObject::connect(&sitzungsende, &Sitzungsende::ende, player.get(),
                         &frmPlayer::ohneFrageBeenden);
        QObject::connect(&sitzungsende, &Sitzungsende::sichern, player.get(),
                         &frmPlayer::ohneFrageSpeichern);
        QSignalSpy geladen(player.get(), &frmPlayer::geladen);
        player->Form_Load();
        RC_ASSERT(geladen.wait());
        player->show();
        // The search's index comes from a worker.
        RC_ASSERT(QTest::qWaitFor([this] { return sitzung->suche().istBereit(); }));
        const Bibliothek& b = sitzung->bibliothek();
        ausDemIndex += b.size() > 0 && b.ordnerGelesen() == 0;
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
    Sitzungsende sitzungsende;
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
    // The one message of an evening: a source folder refused for its ";".
    RC_ASSERT(p.dialogs.messages ==
              QStringList(m.meldungen, u"Achtung: Ein Quellpfad darf kein \";\" enthalten."_s));
    for (int w = 0; w < 5; ++w) {
        if ((p.fenster(w) && p.fenster(w)->isVisible()) != m.offen[size_t(w)])
            RC_FAIL("window " + s(fenster[w]) + (m.offen[size_t(w)] ? " closed" : " open"));
        // Each a window of its own on the desktop, not kept above the main one.
        if (m.offen[size_t(w)])
            RC_ASSERT(!p.fenster(w)->windowHandle()->transientParent());
    }
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
    const auto panel = [&](const QString& name) { return s(p.player->StatusBar->panelText(name)); };
    RC_ASSERT(panel(u"Modus"_s) == s(m.modus));
    RC_ASSERT(panel(u"Tracks"_s) == std::to_string(m.bibliothek.size()) + " Lieder");
    RC_ASSERT(panel(u"Zufall"_s) == (m.zufall ? "Ein" : "Aus"));
    RC_ASSERT(p.player->cmdKeinzufall->isVisible() == m.zufall);
    if (m.auswahl >= 0)
        RC_ASSERT(s(p.player->LIST1->currentText()) == s(m.lied(m.auswahl).text()));
    if (!m.modus.isEmpty() && m.aktuell >= 0)
        RC_ASSERT(
            p.engine->fileName.string() ==
            aufDerPlatte(m.lied(m.aktuell).ordner + u'/' + m.lied(m.aktuell).name).toStdString());
}

// 0 … n − 1, each as likely at every length of the journey.
rc::Gen<int> eine(int n)
{
    return rc::gen::resize(100, rc::gen::inRange(0, n));
}

// One thing a user does: its kind, the window, row, box, text, file, button
// or end it takes, the answer to a question it may bring, and for an end the
// change to the music before the next start.
struct Schritt : rc::state::Command<Modell, Programm> {
    int art = 0, n = 0, w = *eine(int(wechsel.size()) + 1) - 1;
    bool ja = *rc::gen::arbitrary<bool>();
    explicit Schritt(const Modell& m);
    void checkPreconditions(const Modell& m) const override;
    void apply(Modell& m) const override;
    void run(const Modell& vorher, Programm& p) const override;
    void show(std::ostream& os) const override;
};

// One kind of step: when it can be taken, what the model expects, what the
// user does, and how a person reads it: %n is the row, %w the n-th of the
// values, [a|b] a when the answer is Ja, and %c the change before a start.
struct Art {
    bool (*gilt)(const Modell&, int n);
    void (*erwarten)(Modell&, const Schritt&);
    void (*tun)(const Modell& vorher, Programm&, const Schritt&);
    const char16_t* text;
    const QStringList* werte = nullptr;
};

void druecken(QWidget* w, const QString& text)
{
    for (QPushButton* b : w->findChildren<QPushButton*>())
        if (b->text() == text)
            return klicken(b);
    RC_FAIL("no button " + s(text));
}

// A queue button, after a click on row n of the library's or the queue's list.
template <int Liste> void inWarteliste(const Modell&, Programm& p, const Schritt& x)
{
    const QStringList knoepfe = {u".... Hinzufügen"_s, u".... Entfernen"_s,
                                 x.ja ? u"Runter"_s : u"Hoch"_s, u"Alles löschen"_s};
    frmWarteliste* w = p.player->Warteliste;
    if (Liste >= 0)
        zeileKlicken(Liste == 0 ? w->comboLieder : w->combowarteliste, x.n);
    druecken(w, knoepfe[x.art - 7]);
}

bool spielt(const Modell& m)
{
    return m.modus == u"PLAY" || m.modus == u"PAUSE";
}

enum { Play, Pause, Next, Stop, Liedende };
const QStringList knopftexte = {u"Press Play"_s, u"Press Pause"_s, u"Press Next"_s, u"Press Stop"_s,
                                u"Let the track play to its end"_s};
enum { SchliessenJa, SchliessenNein, BeendenJa, BeendenNein, Signal, Abmelden };
const QStringList enden = {
    u"Close the main window, answer Ja; if a question follows, answer [Ja|Nein], %c start again"_s,
    u"Close the main window, answer Nein"_s,
    u"Choose \"Beenden\", answer Ja, %c start again"_s,
    u"Choose \"Beenden\", answer Nein"_s,
    u"Send the player [SIGTERM|SIGINT], %c start again"_s,
    u"Log out, and [let the logout go ahead, %c start again|cancel the logout]"_s};

// What a save asking nothing writes; the names of the files it failed on.
QStringList sichern(Modell& m)
{
    QStringList fehler, namen;
    for (const int N : m.warteliste)
        namen.append(m.lied(N).name);
    namen += m.unsichtbar;
    if (m.optionen[0] == u'1')
        m.speichern(WartelisteDatei, namen.isEmpty() ? u"/"_s : teileSchreiben(namen, u'/'),
                    &fehler);
    m.speichern(EinstellungenDatei, m.optionen, &fehler);
    // An open source-paths window saves its list with the rest.
    if (m.offen[Pfade])
        m.quellpfade = m.liste;
    if (m.offen[Pfade] || m.quellpfadeOffen) {
        QStringList quelle;
        m.speichern(QuellpfadDatei, teileSchreiben(m.quellpfade, u';'), &quelle);
        m.quellpfadeOffen = !quelle.isEmpty();
        fehler += quelle;
    }
    return fehler;
}

void ende(Modell& m, const Schritt& x)
{
    if (x.n == Signal || x.n == Abmelden) {
        // Nobody is there to answer: what can be saved is, and the run ends
        // unless the logout is cancelled.
        sichern(m);
        if (x.n == Abmelden && !x.ja)
            return;
    } else if (++m.fragen, x.n == SchliessenNein || x.n == BeendenNein) {
        return;
    } else if (x.n == SchliessenJa) {
        m.nichtGespeichert = sichern(m);
        if (!m.nichtGespeichert.isEmpty() && (++m.fragen, !x.ja))
            return;
    }
    m.wechseln(x.w);
    m.starten();
}

void beenden(const Modell& vorher, Programm& p, const Schritt& x)
{
    p.dialogs.answers = {x.n == SchliessenJa || x.n == BeendenJa, x.ja};
    if (x.n == SchliessenJa || x.n == SchliessenNein) {
        p.player->close();
    } else if (x.n == Signal) {
        RC_ASSERT(std::raise(x.ja ? SIGTERM : SIGINT) == 0);
        RC_ASSERT(QTest::qWaitFor([&] { return p.beendet; }));
    } else if (x.n == Abmelden) {
        Q_EMIT qApp->commitDataRequest(*qApp->findChild<QSessionManager*>());
        if (x.ja) {
            QEvent weiter(QEvent::Quit);
            QCoreApplication::sendEvent(qApp, &weiter);
        }
    } else {
        p.menu(u"Beenden"_s);
    }
    const Modell nachher = x.nextState(vorher);
    if (x.n == SchliessenJa && !nachher.nichtGespeichert.isEmpty())
        for (const QString& datei : dateien)
            RC_ASSERT(p.dialogs.questions.last().contains(datei + u':') ==
                      nachher.nichtGespeichert.contains(datei));
    if (p.beendet) {
        // The close that a session manager sends after the end asks nothing.
        RC_ASSERT(p.player->close());
        p.wechseln(x.w);
        p.starten();
        RC_ASSERT(p.minimiert == (nachher.optionen[3] == u'1'));
    }
}

const Art arten[] = {
    {// open a window
     [](const Modell&, int n) { return n < 5; },
     [](Modell& m, const Schritt& x) {
         if (x.n == Einst && !m.offen[Einst])
             for (size_t i = 0; i < 5; ++i)
                 m.boxen[i] = m.optionen[int(i)] == u'1';
         if (x.n == Pfade && !m.offen[Pfade]) {
             m.liste = m.quellpfade;
             m.eingabe.clear();
             m.markiert = -1;
         }
         m.offen[size_t(x.n)] = true;
     },
     [](const Modell&, Programm& p, const Schritt& x) { p.menu(menue[x.n]); },
     u"Open \"%w\" from the menu", &fenster},
    {// close it
     [](const Modell& m, int n) { return n < 5 && m.offen[size_t(n)]; },
     [](Modell& m, const Schritt& x) {
         m.offen[size_t(x.n)] = false;
         if (x.n == Einst)
             for (size_t i = 0; i < 5; ++i)
                 m.optionen[int(i)] = m.boxen[i] ? u'1' : u'0';
         if (x.n == Pfade) {
             QStringList fehler;
             m.quellpfade = m.liste;
             m.speichern(QuellpfadDatei, teileSchreiben(m.liste, u';'), &fehler);
             m.quellpfadeOffen = !fehler.isEmpty();
             // A failed write asks whether to close all the same.
             m.fragen += int(fehler.size());
             m.offen[Pfade] = !fehler.isEmpty() && !x.ja;
         }
     },
     [](const Modell&, Programm& p, const Schritt& x) {
         if (!x.ja)
             return p.fenster(x.n)->close(), void();
         aktivieren(p.fenster(x.n));
         QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
     },
     u"[Press Escape in|Close] \"%w\"[| with its close box]; if a question follows, answer "
     u"[Ja|Nein]",
     &fenster},
    {// type a source folder and save it
     [](const Modell& m, int n) { return m.offen[Pfade] && n < eingaben.size(); },
     [](Modell& m, const Schritt& x) {
         m.eingabe = QString(eingaben[x.n]).replace(u"%1"_s, m.ordner);
         const QString pfad = ohneRandLeerzeichen(m.eingabe);
         // A ";" would split the folder at the next start: refused.
         if (pfad.contains(u';'))
             ++m.meldungen;
         else if (!pfad.isEmpty())
             m.liste.append(pfad);
     },
     [](const Modell& vorher, Programm& p, const Schritt& x) {
         tippen(p.player->Quellpfad->txtEingabe,
                QString(eingaben[x.n]).replace(u"%1"_s, vorher.ordner));
         klicken(p.player->Quellpfad->cmdSpeichern);
     },
     u"In \"Quellpfade\", type \"%w\" and press \"Neuen Quellpfad jetzt speichern\"", &eingaben},
    {// click a source folder
     [](const Modell& m, int n) { return m.offen[Pfade] && n < m.liste.size(); },
     [](Modell& m, const Schritt& x) { m.eingabe = m.liste[m.markiert = x.n]; },
     [](const Modell&, Programm& p, const Schritt& x) {
         zeileKlicken(p.player->Quellpfad->lstPfade, x.n);
     },
     u"In \"Quellpfade\", click row %n"},
    {// move through them with the keyboard
     [](const Modell& m, int n) { return m.offen[Pfade] && m.markiert >= 0 && n == 0; },
     [](Modell& m, const Schritt& x) {
         if (const int ziel = m.markiert + (x.ja ? 1 : -1); ziel >= 0 && ziel < m.liste.size())
             m.eingabe = m.liste[m.markiert = ziel];
     },
     [](const Modell&, Programm& p, const Schritt& x) {
         aktivieren(p.player->Quellpfad);
         p.player->Quellpfad->lstPfade->setFocus(Qt::TabFocusReason);
         QTest::keyClick(p.player->Quellpfad->lstPfade, x.ja ? Qt::Key_Down : Qt::Key_Up);
     },
     u"In \"Quellpfade\", give the list the focus and press [Down|Up]"},
    {// delete the selected one
     [](const Modell& m, int n) { return m.offen[Pfade] && n == 0; },
     [](Modell& m, const Schritt&) {
         if (m.markiert >= 0)
             m.liste.removeAt(std::exchange(m.markiert, -1));
     },
     [](const Modell&, Programm& p, const Schritt&) { klicken(p.player->Quellpfad->cmdlöschen); },
     u"In \"Quellpfade\", press \"Markierten Pfad löschen\""},
    {// tick an option
     [](const Modell& m, int n) { return m.offen[Einst] && n < 5; },
     [](Modell& m, const Schritt& x) {
         m.boxen[size_t(x.n)] = !m.boxen[size_t(x.n)];
         m.optionen[x.n] = m.boxen[size_t(x.n)] ? u'1' : u'0';
     },
     [](const Modell&, Programm& p, const Schritt& x) {
         klicken(p.player->Einstellungen->checkBox[size_t(x.n)], {8, 8});
     },
     u"In \"Einstellungen\", click box %n"},
    {// the queue window: add, remove, down or up, clear
     [](const Modell& m, int n) { return m.offen[Warte] && n < m.bibliothek.size(); },
     [](Modell& m, const Schritt& x) { m.warteliste.append(m.bibliothek[x.n].N); }, inWarteliste<0>,
     u"In \"Warteliste\", click row %n of the library, press \".... Hinzufügen\""},
    {[](const Modell& m, int n) { return m.offen[Warte] && n < m.warteliste.size(); },
     [](Modell& m, const Schritt& x) { m.warteliste.removeAt(x.n); }, inWarteliste<1>,
     u"In \"Warteliste\", click row %n of the queue, press \".... Entfernen\""},
    {[](const Modell& m, int n) { return m.offen[Warte] && n < m.warteliste.size(); },
     [](Modell& m, const Schritt& x) {
         if (const int ziel = x.n + (x.ja ? 1 : -1); ziel >= 0 && ziel < m.warteliste.size())
             m.warteliste.swapItemsAt(x.n, ziel);
     },
     inWarteliste<1>, u"In \"Warteliste\", click row %n of the queue, press \"[Runter|Hoch]\""},
    {[](const Modell& m, int n) { return m.offen[Warte] && n == 0; },
     [](Modell& m, const Schritt&) { m.warteliste.clear(); }, inWarteliste<-1>,
     u"In \"Warteliste\", press \"Alles löschen\""},
    {// search
     [](const Modell& m, int n) { return m.offen[Such] && n < suchtexte.size(); },
     [](Modell& m, const Schritt& x) {
         // Deleting nothing is no change: no search runs.
         m.gesucht = m.gesucht || !suchtexte[x.n].isEmpty() || !m.suchtext.isEmpty();
         m.suchtext = suchtexte[x.n];
     },
     [](const Modell&, Programm& p, const Schritt& x) {
         tippen(p.player->Suchen->txtSuchtext, suchtexte[x.n]);
     },
     u"In \"Suchen\", replace the text with \"%w\"", &suchtexte},
    {// play or queue a hit
     [](const Modell& m, int n) { return m.offen[Such] && n < m.treffer().size(); },
     [](Modell& m, const Schritt& x) {
         const int N = std::find_if(m.bibliothek.begin(), m.bibliothek.end(), [&](const Lied& l) {
                           return l.text() == m.treffer()[x.n];
                       })->N;
         x.ja ? m.spielen(N) : m.warteliste.append(N);
     },
     [](const Modell&, Programm& p, const Schritt& x) {
         zeileKlicken(p.player->Suchen->combosuchen, x.n);
         klicken(x.ja ? p.player->Suchen->cmdJetztSpielen : p.player->Suchen->cmdWarteListe);
     },
     u"In \"Suchen\", click hit %n, press \"[Jetzt abspielen|Zur Warteliste hinzufügen]\""},
    {// a later start hands over a file or a folder
     [](const Modell& m, int n) { return n < draussen.size() && m.da(draussen[n]); },
     [](Modell& m, const Schritt& x) {
         QList<int> nummern;
         for (const QString& d : draussen[x.n] == u"Draußen"
                                     ? QStringList{u"Draußen/0 neu.mp3"_s, u"Draußen/bb.mp3"_s}
                                     : QStringList{draussen[x.n]})
             nummern.append(m.aufnehmen(d));
         // A folder's files in the order of the list.
         const auto stelle = [&](int N) {
             return std::find_if(m.bibliothek.begin(), m.bibliothek.end(),
                                 [&](const Lied& l) { return l.N == N; });
         };
         std::sort(nummern.begin(), nummern.end(),
                   [&](int a, int b) { return stelle(a) < stelle(b); });
         for (int i = 1; i < nummern.size(); ++i)
             m.warteliste.insert(i - 1, nummern[i]);
         m.spielen(nummern.first());
     },
     [](const Modell& vorher, Programm& p, const Schritt& x) {
         QSignalSpy geoeffnet(p.sitzung.get(), &Sitzung::geoeffnet);
         p.sitzung->oeffnen({aufDerPlatte(vorher.pfad(draussen[x.n])).toStdString()});
         RC_ASSERT(geoeffnet.wait());
         p.player->hervorholen();
     },
     u"Start the player again with <data folder>/%w", &draussen},
    {// a data file cannot be written, or can again
     [](const Modell&, int n) { return n < dateien.size(); },
     [](Modell& m, const Schritt& x) {
         if (!m.gesperrt.removeOne(dateien[x.n])) {
             m.gesperrt.append(dateien[x.n]);
             m.inhalt.erase(dateien[x.n]);
         }
     },
     [](const Modell& vorher, Programm& p, const Schritt& x) {
         const QString pfad = vorher.pfad(dateien[x.n]);
         if (vorher.gesperrt.contains(dateien[x.n]))
             return RC_ASSERT(QDir(pfad).removeRecursively());
         QFile::remove(pfad);
         RC_ASSERT(QDir().mkpath(pfad + u"/x"_s));
         (void)p;
     },
     u"Put a folder in the place of %w, or remove the one there", &dateien},
    {// a playback button, or the track ends
     [](const Modell& m, int n) {
         return n == Play                 ? !spielt(m)
                : n == Pause || n == Stop ? spielt(m)
                                          : n < 5 && m.modus == u"PLAY";
     },
     [](Modell& m, const Schritt& x) {
         if (x.n == Play)
             m.spielen(m.auswahl);
         else if (x.n == Pause)
             m.modus = m.modus == u"PLAY" ? u"PAUSE"_s : u"PLAY"_s;
         else if (x.n == Stop)
             m.modus = u"STOP"_s;
         else
             m.naechstes();
     },
     [](const Modell&, Programm& p, const Schritt& x) {
         const auto& k = *p.player->mscMusik;
         if (x.n == Liedende)
             return p.engine->finish();
         klicken(std::array<QWidget*, 4>{k.play, k.pause, k.next, k.stop}[size_t(x.n)]);
     },
     u"%w", &knopftexte},
    {// one of the three ends, and a start after it
     [](const Modell&, int n) { return n < 6; }, ende, beenden, u"%w", &enden},
};
constexpr int anzahlArten = int(std::size(arten));

// One of the steps that can be taken now, each kind as likely.
Schritt::Schritt(const Modell& m)
{
    std::vector<std::pair<int, std::vector<int>>> moeglich;
    for (int a = 0; a < anzahlArten; ++a) {
        std::vector<int> ns;
        for (int k = 0; k < 9; ++k)
            if (arten[a].gilt(m, k))
                ns.push_back(k);
        if (!ns.empty())
            moeglich.emplace_back(a, ns);
    }
    const auto& [a, ns] = moeglich[size_t(*eine(int(moeglich.size())))];
    art = a;
    n = ns[size_t(*eine(int(ns.size())))];
}

void Schritt::checkPreconditions(const Modell& m) const
{
    RC_PRE(arten[art].gilt(m, n));
}

void Schritt::apply(Modell& m) const
{
    arten[art].erwarten(m, *this);
}

void Schritt::run(const Modell& vorher, Programm& p) const
{
    p.dialogs.answers = {ja};
    arten[art].tun(vorher, p, *this);
    pruefen(nextState(vorher), p);
}

void Schritt::show(std::ostream& os) const
{
    const Art& a = arten[art];
    QString t = QString::fromUtf16(a.text);
    if (a.werte)
        t.replace(u"%w"_s, QString(a.werte->at(n)).replace(u"%1"_s, u"<data folder>"_s));
    static const QRegularExpression wahl(u"\\[([^|]*)\\|([^\\]]*)\\]"_s);
    t.replace(wahl, ja ? u"\\1"_s : u"\\2"_s);
    t.replace(u"%n"_s, QString::number(n + 1));
    os << s(t.replace(u"%c"_s, w < 0 ? u"then"_s : wechselText(w) + u", then"_s));
}

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
        // Five hundred journeys of up to forty steps; RC_PARAMS from outside
        // (seed=…, or the reproduce=… that a failure prints) comes after and wins.
        qputenv("RC_PARAMS", "max_success=500 max_size=40 " + qgetenv("RC_PARAMS"));
        // The offscreen windows cannot be raised or sized by hints; that is no news.
        static const QtMessageHandler weiter = qInstallMessageHandler(nullptr);
        qInstallMessageHandler([](QtMsgType t, const QMessageLogContext& c, const QString& text) {
            if (!text.startsWith(u"This plugin does not support") &&
                !text.startsWith(u"Tonlaterne: nicht gespeichert"))
                weiter(t, c, text);
        });
    }

    void evenings()
    {
        const bool ok = rc::check("a user's evening", [] {
            const QTemporaryDir dir;
            // QTemporaryDir cannot name the file that is no UTF-8 to remove it.
            const auto weg =
                qScopeGuard([&] { std::filesystem::remove_all(dir.path().toStdString()); });
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
        // The index kept between starts was read, not passed over.
        qInfo("%d starts took their library from the index", ausDemIndex);
        QVERIFY(ausDemIndex > 0);
    }

private:
    QTemporaryDir m_home;
};

QTEST_MAIN(JourneyTest)
#include "tst_journey.moc"
