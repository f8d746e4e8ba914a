// Changes tracks through the engine as the player does over a long evening,
// alternating a short audio file and a short film in the video window, and
// prints the resident memory every 50 changes: the curve, the growth after
// the warm-up of 400 changes and its trend from there on.
// Usage: bench_soak AUDIO VIDEO [CHANGES] (bench/soak.sh makes the files)
#include "gui/videowindow.h"
#include "platform/gstengine.h"

#include <QApplication>
#include <QFile>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <gst/gst.h>

namespace
{

constexpr int warmUp = 400;
constexpr int every = 50; // changes between two figures

double residentMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    // Read whole: a file of /proc tells no size, so atEnd() holds from the start.
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    return 0;
}

// Returns the number of files that failed to play.
int soak(const char* audio, const char* video, int changes)
{
    VideoWindow window;
    GstEngine engine({}, &window);
    int done = 0;
    double afterWarmUp = 0;
    double atEnd = 0;
    int failures = 0;
    // Least squares over the figures after the warm-up: MiB per change.
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    const auto next = [&] {
        if (done > 0 && done % every == 0) {
            const double mib = residentMiB();
            std::printf("resident after %5d changes        %.1f MiB\n", done, mib);
            std::fflush(stdout);
            if (done >= warmUp) {
                n += 1;
                sx += done;
                sy += mib;
                sxx += double(done) * done;
                sxy += done * mib;
            }
        }
        if (done == warmUp)
            afterWarmUp = residentMiB();
        if (done == changes) {
            atEnd = residentMiB();
            QApplication::quit();
            return;
        }
        ++done;
        engine.open(done % 2 ? audio : video);
        engine.play();
    };
    // The player's tick: run on its timer and at once when the engine reports an end.
    const auto tick = [&] {
        engine.poll();
        if (engine.mode() != MediaEngine::Mode::Stopped)
            return;
        failures += engine.failed();
        next();
    };
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, tick);
    timer.start(500);
    engine.setEndHandler([&] { QTimer::singleShot(0, tick); });
    next();
    QApplication::exec();
    engine.close();

    std::printf("track changes                      %d (%d failed)\n", done, failures);
    if (done > warmUp) {
        std::printf("growth after the first %d changes %.2f MiB (goal <= 2)\n", warmUp,
                    atEnd - afterWarmUp);
        if (n > 1)
            std::printf("trend after them                   %.2f MiB per 1000 changes\n",
                        1000 * (n * sxy - sx * sy) / (n * sxx - sx * sx));
    }
    return failures;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s AUDIO VIDEO [CHANGES]\n", argv[0]);
        return 2;
    }
    const int failures = soak(argv[1], argv[2], argc > 3 ? std::atoi(argv[3]) : 2000);
    // With GStreamer's leaks tracer on, what is still alive now is reported.
    gst_deinit();
    return failures == 0 ? 0 : 1;
}
