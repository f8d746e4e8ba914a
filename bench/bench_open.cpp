// Opening files from outside into a large library, as a second start or a
// drop hands them over, with the main window on screen: the time from the
// hand-over to the engine's open of the first file, and the longest that the
// window's event loop was late meanwhile (a 10 ms timer's lateness, up to a
// quarter of a second after the open, when the views lay out again).
//
//   bench_open LIBRARY_ROOT [FOLDER_FILES]   (1000 files in the new folder when left out)
#include "core/sitzung.h"
#include "gui/dialogs.h"
#include "gui/frmplayer.h"
#include "tests/support/fakeengine.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace
{

struct Messung {
    double bisGespielt; // ms
    double laengsteStockung;
};

class Uhr
{
public:
    Uhr()
    {
        m_uhr.start();
        m_takt.setInterval(10);
        m_takt.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_takt, &QTimer::timeout, [this] {
            const qint64 jetzt = m_uhr.nsecsElapsed();
            m_laengste = std::max(m_laengste, jetzt - m_letzter - 10'000'000);
            m_letzter = jetzt;
        });
        m_takt.start();
    }

    // Hands the paths over from within the event loop, as a socket or a drop
    // would, and runs the loop until the engine opens `erste`.
    Messung oeffnen(Sitzung& sitzung, FakeEngine& engine, const QStringList& pfade,
                    const QString& erste)
    {
        const std::string ziel = QFile::encodeName(erste).toStdString();
        engine.fileName.clear();
        qint64 beginn = -1, gespielt = -1;
        m_letzter = m_uhr.nsecsElapsed();
        m_laengste = 0;
        QTimer::singleShot(0, [&] {
            beginn = m_uhr.nsecsElapsed();
            sitzung.oeffnen(pfade);
        });
        while (gespielt < 0 || m_uhr.nsecsElapsed() - gespielt < 250'000'000) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            if (gespielt < 0 && beginn >= 0 && engine.fileName == ziel)
                gespielt = m_uhr.nsecsElapsed();
        }
        return {static_cast<double>(gespielt - beginn) / 1e6,
                static_cast<double>(m_laengste) / 1e6};
    }

private:
    QElapsedTimer m_uhr;
    QTimer m_takt;
    qint64 m_letzter = 0;
    qint64 m_laengste = 0;
};

QString datei(const QString& pfad)
{
    QFile f(pfad);
    if (!f.open(QIODevice::WriteOnly))
        std::exit(1);
    return pfad;
}

void zeile(const char* was, const Messung& m)
{
    std::printf("%-44s %10.1f ms %10.1f ms\n", was, m.bisGespielt, m.laengsteStockung);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2)
        return 2;
    QApplication app(argc, argv);
    const QString musik = QFile::decodeName(argv[1]);
    const int ordnerDateien = argc > 2 ? std::atoi(argv[2]) : 1000;
    QTemporaryDir daten;
    QFile quellpfad(daten.filePath(QuellpfadDatei));
    if (!quellpfad.open(QIODevice::WriteOnly) || quellpfad.write(QFile::encodeName(musik)) < 0)
        return 1;
    quellpfad.close();

    auto fake = std::make_unique<FakeEngine>();
    FakeEngine& engine = *fake;
    Sitzung sitzung(std::move(fake), daten.path());
    QtDialogs dialogs;
    frmPlayer player(sitzung, dialogs);
    {
        QEventLoop laden;
        QObject::connect(&player, &frmPlayer::geladen, &laden, &QEventLoop::quit);
        player.Form_Load();
        laden.exec();
    }
    player.show();
    // The window's first paint belongs to the start, not to an opening.
    QCoreApplication::processEvents();
    const Bibliothek& b = sitzung.bibliothek();
    std::printf("%d entries; %d new files in the folder\n", b.size(), ordnerDateien);
    std::printf("%-44s %13s %13s\n", "action", "to playing", "longest stall");
    Uhr uhr;

    // While the first start writes its index.
    const QString frueh = datei(daten.filePath(QStringLiteral("frueh.mp3")));
    zeile("one file from outside, right after the start",
          uhr.oeffnen(sitzung, engine, {frueh}, frueh));

    std::vector<Messung> messungen;
    for (int i = 0; i < 5; ++i) {
        const QString pfad = QFile::decodeName(QByteArray::fromStdString(
            b.pfad(b.nummer(static_cast<int>(static_cast<qint64>(b.size()) * (2 * i + 1) / 10)))));
        messungen.push_back(uhr.oeffnen(sitzung, engine, {pfad}, pfad));
    }
    std::sort(messungen.begin(), messungen.end(),
              [](const Messung& a, const Messung& c) { return a.bisGespielt < c.bisGespielt; });
    zeile("one file of the library (median of 5)", messungen[2]);

    messungen.clear();
    for (int i = 0; i < 5; ++i) {
        const QString pfad = datei(daten.filePath(QStringLiteral("draussen %1.mp3").arg(i)));
        messungen.push_back(uhr.oeffnen(sitzung, engine, {pfad}, pfad));
    }
    std::sort(messungen.begin(), messungen.end(),
              [](const Messung& a, const Messung& c) { return a.bisGespielt < c.bisGespielt; });
    zeile("one file from outside (median of 5)", messungen[2]);

    const QString ordner = daten.filePath(QStringLiteral("Neu"));
    if (!QDir().mkpath(ordner))
        return 1;
    for (int i = 0; i < ordnerDateien; ++i)
        datei(ordner + QStringLiteral("/Lied %1.mp3").arg(i, 4, 10, QLatin1Char('0')));
    // The folder's files play in the list's order: the first by name.
    const QString erste = ordner + QStringLiteral("/Lied 0000.mp3");
    zeile("a folder of new files", uhr.oeffnen(sitzung, engine, {ordner}, erste));
    zeile("the same folder again", uhr.oeffnen(sitzung, engine, {ordner}, erste));
    return 0;
}
