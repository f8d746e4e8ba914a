// Plays one file through the engine with the player's 500 ms tick and, at the
// same time, through gst-launch-1.0's playbin; prints the CPU time per minute
// of playback of both and how long "play" takes after a warm open.
// Usage: bench_play FILE (bench/play.sh makes a 60-second mp3)
#include "platform/gstengine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <gst/gst.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace
{

const GstEngine::Sinks sinks{QStringLiteral("fakesink sync=true"), QStringLiteral("fakesink")};

double cpuSeconds(const rusage& u)
{
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(u.ru_utime) + seconds(u.ru_stime);
}

double selfCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return cpuSeconds(u);
}

pid_t startGstLaunch(const char* file)
{
    g_autofree gchar* uri = gst_filename_to_uri(file, nullptr);
    std::vector<QByteArray> args{"gst-launch-1.0", "-q", "playbin", QByteArray("uri=") + uri,
                                 "audio-sink=fakesink sync=true"};
    std::vector<char*> argv;
    for (QByteArray& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return 0;
    return pid;
}

void open(GstEngine& engine, const char* file)
{
    engine.open(file);
}

// Milliseconds from `start` until the position moves on: the commands return
// at once, the sound comes once the pipeline plays.
template <typename Start> double playLatencyMs(GstEngine& engine, Start start)
{
    QElapsedTimer t;
    t.start();
    start();
    qint64 from = -1;
    for (;; QCoreApplication::processEvents()) {
        engine.poll();
        if (t.hasExpired(5000))
            break;
        if (engine.Length() == 0)
            continue;
        if (from < 0)
            from = engine.Position();
        else if (engine.Position() != from)
            break;
    }
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

void printLatency(const char* what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    std::printf("%-34s median %6.2f ms, max %6.2f ms\n", what, ms[ms.size() / 2], ms.back());
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    const char* file = argv[1];

    const double engineStart = selfCpuSeconds();
    GstEngine engine(sinks);
    const pid_t launch = startGstLaunch(file);
    if (launch == 0) {
        std::fprintf(stderr, "gst-launch-1.0 could not be started\n");
        return 1;
    }
    open(engine, file);
    engine.play();
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        // What the player's tick reads.
        engine.poll();
        const bool ended =
            engine.failed() || (engine.Length() != 0 && engine.Position() == engine.Length());
        if (ended || engine.mode() == MediaEngine::Mode::Stopped)
            QCoreApplication::quit();
    });
    tick.start(500);
    QCoreApplication::exec();
    const double engineCpu = selfCpuSeconds() - engineStart;
    const qint64 length = engine.Length();

    int status = 0;
    rusage launchUsage{};
    wait4(launch, &status, 0, &launchUsage);
    if (engine.failed() || length == 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "playback failed\n");
        return 1;
    }
    const double minutes = static_cast<double>(length) / 60000.0;
    const double launchCpu = cpuSeconds(launchUsage);
    std::printf("file length                        %.1f s\n", static_cast<double>(length) / 1000);
    std::printf("engine with 500 ms tick            %.3f CPU s per minute\n", engineCpu / minutes);
    std::printf("gst-launch-1.0 playbin             %.3f CPU s per minute\n", launchCpu / minutes);
    std::printf("ratio engine / gst-launch          %.2f (goal <= 1.2)\n", engineCpu / launchCpu);

    std::vector<double> opening;
    std::vector<double> fromStart;
    std::vector<double> fromMiddle;
    for (int i = 0; i < 9; ++i) {
        QElapsedTimer t;
        t.start();
        open(engine, file);
        opening.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        fromStart.push_back(playLatencyMs(engine, [&] { engine.play(); }));
        fromMiddle.push_back(playLatencyMs(engine, [&] { engine.seek(length / 2); }));
    }
    printLatency("warm \"close\" + \"open\"", opening);
    printLatency("then play -> sounding (goal <= 50)", fromStart);
    printLatency("seek -> sounding", fromMiddle);
    return 0;
}
