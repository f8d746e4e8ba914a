// How long a press of Next takes until the next track plays, through the real
// engine: the press runs the clock's choice at once and opens the next file.
//
//   bench_next FILE...   (bench/next.sh makes short tones)
#include "core/sitzung.h"
#include "platform/gstengine.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList files = app.arguments().mid(1);
    if (files.isEmpty()) {
        std::fprintf(stderr, "usage: bench_next FILE...\n");
        return 2;
    }
    QTemporaryDir data;
    Speichern(QFileInfo(files.first()).absolutePath() + u';', data.filePath(QuellpfadDatei));
    Speichern(QStringLiteral("00100"), data.filePath(EinstellungenDatei));
    const GstEngine::Sinks sinks{QStringLiteral("fakesink sync=true"), QStringLiteral("fakesink")};
    auto engine = std::make_unique<GstEngine>(sinks);
    const GstEngine& gst = *engine;
    Sitzung sitzung(std::move(engine), data.path());
    sitzung.starten();
    Wiedergabe& w = sitzung.wiedergabe();

    std::vector<double> ms;
    QTimer press;
    QObject::connect(&press, &QTimer::timeout, [&] {
        QElapsedTimer clock;
        clock.start();
        w.NextClick();
        const bool playing = gst.mode() == MediaEngine::Mode::Playing;
        ms.push_back(playing ? static_cast<double>(clock.nsecsElapsed()) / 1e6 : 1e9);
        if (ms.size() == 41)
            app.quit();
    });
    press.start(150); // within a track, as a listener skipping through would
    app.exec();
    ms.erase(ms.begin()); // the first open of a kind loads its plugins
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    std::printf("Next press to PLAYING over %zu presses: median %.1f ms, max %.1f ms   "
                "goal median <= 50 ms: %s\n",
                ms.size(), median, ms.back(), median <= 50 ? "ok" : "MISSED");
    return 0;
}
