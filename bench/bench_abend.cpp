// A whole evening on a large library, through the real windows and the real
// engine, with a watchdog on the window's thread: a 10 ms timer whose lateness
// is the longest the event loop was kept from running. Each step prints its
// largest and 99th-percentile lateness.
//
//   bench_abend LIBRARY WAV MP3   (bench/abend.sh makes them)
#include "core/sitzung.h"
#include "gui/dialogs.h"
#include "gui/frmplayer.h"
#include "gui/frmsuchen.h"
#include "platform/gstengine.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

constexpr qint64 takt = 10'000'000; // ns

// Answers every question with yes and counts the messages, without a modal loop.
class Antworten final : public Dialogs
{
public:
    bool askYesNo(QWidget*, const QString&, const QString&) override { return true; }
    void inform(QWidget*, const QString&) override { ++meldungen; }
    int meldungen = 0;
};

struct Schritt {
    const char* name;
    std::function<void()> los;      // starts the step, as one event of its own
    std::function<bool()> fertig;   // asked at every tick
    int sekunden;                   // the step gives up after this long
    std::vector<qint64> spaet = {}; // the ticks' lateness, ns
    double dauer = 0;               // s
    bool abgebrochen = false;
};

double ms(qint64 ns)
{
    return static_cast<double>(ns) / 1e6;
}

qint64 perzentil99(std::vector<qint64> werte)
{
    if (werte.empty())
        return 0;
    std::sort(werte.begin(), werte.end());
    return werte[werte.size() * 99 / 100];
}

// Opens a FIFO for writing and closes it at once whenever a reader waits on
// it, so that the reader sees its end; a reader may come back for more.
void fifoFreigeben(const std::string& fifo, const std::stop_token& stop)
{
    while (!stop.stop_requested()) {
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: bench_abend LIBRARY WAV MP3\n");
        return 2;
    }
    QApplication::setQuitOnLastWindowClosed(false);
    QTemporaryDir arbeit;
    const QString ordner = arbeit.filePath(QStringLiteral("Daten"));
    const QString neu = arbeit.filePath(QStringLiteral("Neu"));
    QDir().mkpath(ordner);
    QDir().mkpath(neu);
    Speichern(QDir(args[0]).absolutePath() + u';', QDir(ordner).filePath(QuellpfadDatei));
    Speichern(QStringLiteral("00000"), QDir(ordner).filePath(EinstellungenDatei));
    for (int i = 0; i < 1000; ++i)
        QFile::copy(args[1], neu + QStringLiteral("/w%1.wav").arg(i, 4, 10, QChar(u'0')));
    const QString vorher = arbeit.filePath(QStringLiteral("y.mp3"));
    const QString haengt = arbeit.filePath(QStringLiteral("z.mp3"));
    QFile::copy(args[2], vorher);
    QFile::copy(args[2], haengt);

    // A first start writes the index that the evening starts with.
    const GstEngine::Sinks sinks{QStringLiteral("fakesink sync=true"), QStringLiteral("fakesink")};
    {
        Sitzung erster(std::make_unique<GstEngine>(sinks), ordner);
        erster.starten();
        while (!erster.suche().istBereit())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }

    std::unique_ptr<Sitzung> sitzung;
    std::unique_ptr<frmPlayer> player;
    const GstEngine* engine = nullptr;
    Antworten antworten;
    bool beendet = false;
    std::jthread freigeben;
    int eintraege = 0;
    int geklickt = 0;
    std::function<void()> klick;
    bool vorherGespielt = false;

    const auto spielt = [&](const QString& endung) {
        const int position = sitzung->wiedergabe().Listennummer();
        const Bibliothek& b = sitzung->bibliothek();
        return engine->mode() == MediaEngine::Mode::Playing && position >= 0 &&
               b.name(b.nummer(position)).endsWith(endung);
    };
    // Keys one at a time, as a user types them.
    const auto tippen = [&](const QString& text) {
        for (qsizetype i = 0; i < text.size(); ++i)
            QTimer::singleShot(120 * static_cast<int>(i), player.get(), [&, c = text[i]] {
                player->Suchen->txtSuchtext->insert(QString(c));
            });
    };
    const QString suchtext = QStringLiteral("müller grüße");

    std::vector<Schritt> schritte{
        {"start with the index",
         [&] {
             auto gst = std::make_unique<GstEngine>(sinks);
             engine = gst.get();
             sitzung = std::make_unique<Sitzung>(std::move(gst), ordner);
             player = std::make_unique<frmPlayer>(*sitzung, antworten);
             QObject::connect(player.get(), &frmPlayer::Programmende, [&] { beendet = true; });
             QObject::connect(player.get(), &frmPlayer::geladen, player.get(),
                              [&] { player->show(); });
             player->Form_Load();
         },
         [&] {
             eintraege = sitzung ? sitzung->bibliothek().size() : 0;
             return eintraege > 0 && sitzung->suche().istBereit() && player->isVisible();
         },
         60},
        {"type a search, key by key",
         [&] {
             player->mnuSuchen_Click();
             player->Suchen->txtSuchtext->clear();
             tippen(suchtext);
         },
         [&] { return player->Suchen->txtSuchtext->text() == suchtext; }, 30},
        {"type \"e\" after clearing",
         [&] {
             player->Suchen->txtSuchtext->clear();
             tippen(QStringLiteral("e"));
         },
         [&] { return player->Suchen->txtSuchtext->text() == QStringLiteral("e"); }, 30},
        {"open a folder of 1,000 new files", [&] { sitzung->oeffnen({neu}); },
         [&] {
             return sitzung->bibliothek().size() >= eintraege + 1000 &&
                    sitzung->warteliste().Wartend() >= 999 && spielt(QStringLiteral(".wav"));
         },
         600},
        {"queue 10,000 entries from the search",
         [&] {
             // One click after another, each an event of its own.
             klick = [&] {
                 frmSuchen* s = player->Suchen;
                 const QAbstractItemModel* treffer = s->combosuchen->model();
                 s->combosuchen->setCurrentIndex(treffer->index(geklickt % treffer->rowCount(), 0));
                 s->cmdWarteListe->click();
                 if (++geklickt < 10000)
                     QTimer::singleShot(0, player.get(), klick);
             };
             QTimer::singleShot(0, player.get(), klick);
         },
         [&] { return geklickt == 10000; }, 300},
        {"a next track that hangs",
         [&] {
             sitzung->oeffnen({vorher, haengt});
             // Replaced by a FIFO while its predecessor plays, as a file on a
             // stalled share; released after 15 s if nothing else ends it.
             QFile::remove(haengt);
             ::mkfifo(QFile::encodeName(haengt).constData(), 0600);
             freigeben = std::jthread(
                 [fifo = QFile::encodeName(haengt).toStdString()](const std::stop_token& stop) {
                     for (int i = 0; i < 300 && !stop.stop_requested(); ++i)
                         std::this_thread::sleep_for(std::chrono::milliseconds(50));
                     fifoFreigeben(fifo, stop);
                 });
         },
         [&] {
             vorherGespielt = vorherGespielt || spielt(QStringLiteral("y.mp3"));
             const bool weiter = vorherGespielt && spielt(QStringLiteral(".wav"));
             if (weiter)
                 freigeben.request_stop();
             return weiter;
         },
         60},
        {"end", [&] { player->speichernUndBeenden(); }, [&] { return beendet; }, 60},
    };

    QElapsedTimer uhr;
    size_t aktuell = 0;
    qint64 letzter = 0;
    qint64 anfang = 0;
    QTimer wache;
    wache.setTimerType(Qt::PreciseTimer);
    const auto beginnen = [&] {
        anfang = uhr.nsecsElapsed();
        QTimer::singleShot(0, &app, schritte[aktuell].los);
    };
    QObject::connect(&wache, &QTimer::timeout, &app, [&] {
        const qint64 jetzt = uhr.nsecsElapsed();
        Schritt& s = schritte[aktuell];
        s.spaet.push_back(std::max<qint64>(0, jetzt - letzter - takt));
        letzter = jetzt;
        s.abgebrochen = jetzt - anfang > qint64{s.sekunden} * 1'000'000'000;
        if (!s.abgebrochen && !s.fertig())
            return;
        s.dauer = static_cast<double>(jetzt - anfang) / 1e9;
        if (++aktuell < schritte.size())
            beginnen();
        else
            QApplication::exit(0);
    });
    uhr.start();
    letzter = uhr.nsecsElapsed();
    wache.start(10);
    beginnen();
    QApplication::exec();

    std::printf("evening on %d entries, watchdog of 10 ms on the window's thread\n", eintraege);
    std::printf("%-40s %8s %10s %10s\n", "step", "took s", "max ms", "p99 ms");
    std::vector<qint64> alle;
    for (const Schritt& s : schritte) {
        std::printf("%-40s %8.2f %10.1f %10.1f%s\n", s.name, s.dauer,
                    ms(s.spaet.empty() ? 0 : *std::max_element(s.spaet.begin(), s.spaet.end())),
                    ms(perzentil99(s.spaet)), s.abgebrochen ? "  (gave up)" : "");
        alle.insert(alle.end(), s.spaet.begin(), s.spaet.end());
    }
    const qint64 groesste = alle.empty() ? 0 : *std::max_element(alle.begin(), alle.end());
    std::printf("%-40s %8s %10.1f %10.1f   goal: longest stall <= 50 ms: %s\n", "whole evening", "",
                ms(groesste), ms(perzentil99(alle)), groesste <= 50'000'000 ? "ok" : "MISSED");
    freigeben = {};
    player.reset();
    sitzung.reset();
    return 0;
}
