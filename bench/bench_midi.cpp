// Renders MIDI files through the engine as fast as it can and prints, per file,
// the peak and RMS level of what would reach the sound card and the share of
// samples at or over full scale, which a sound card clips.
// Usage: bench_midi FILE... (bench/midi.sh passes the openmsx set)
#include "platform/gstengine.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace
{

struct Levels {
    double peak = 0;
    double sumOfSquares = 0;
    qint64 overFullScale = 0;
    qint64 samples = 0;
};

Levels levelsOf(const QString& rawFloats)
{
    Levels l;
    QFile f(rawFloats);
    if (!f.open(QIODevice::ReadOnly))
        return l;
    while (!f.atEnd()) {
        const QByteArray chunk = f.read(1 << 20);
        const auto n = static_cast<size_t>(chunk.size()) / sizeof(float);
        for (size_t i = 0; i < n; ++i) {
            float x = 0;
            std::memcpy(&x, chunk.constData() + i * sizeof(float), sizeof x);
            const double a = std::abs(static_cast<double>(x));
            l.peak = std::max(l.peak, a);
            l.sumOfSquares += a * a;
            l.overFullScale += a >= 1.0;
        }
        l.samples += static_cast<qint64>(n);
    }
    return l;
}

double dB(double amplitude)
{
    return 20 * std::log10(std::max(amplitude, 1e-9));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE...\n", argv[0]);
        return 2;
    }
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out.raw"));
    GstEngine engine(
        {QStringLiteral("audioconvert ! audio/x-raw,format=F32LE ! filesink location=\"") + out +
             u'"',
         QStringLiteral("fakesink")});
    double loudestPeak = 0;
    int clipping = 0;
    std::vector<double> rms;
    for (int i = 1; i < argc; ++i) {
        engine.open(argv[i]);
        engine.play();
        for (engine.poll(); engine.mode() == MediaEngine::Mode::Playing; engine.poll())
            QThread::msleep(20);
        engine.close();
        const Levels l = levelsOf(out);
        if (engine.failed() || l.samples == 0) {
            std::fprintf(stderr, "%s: rendering failed\n", argv[i]);
            return 1;
        }
        const double r = std::sqrt(l.sumOfSquares / static_cast<double>(l.samples));
        std::printf("%-32s peak %6.2f dBFS  rms %6.2f dBFS  at/over full scale %.3f %%\n",
                    std::filesystem::path(argv[i]).filename().c_str(), dB(l.peak), dB(r),
                    100.0 * static_cast<double>(l.overFullScale) / static_cast<double>(l.samples));
        loudestPeak = std::max(loudestPeak, l.peak);
        clipping += l.overFullScale > 0;
        rms.push_back(dB(r));
    }
    std::sort(rms.begin(), rms.end());
    std::printf("%d files: highest peak %.2f dBFS, %d reach full scale (goal 0), "
                "median rms %.2f dBFS\n",
                argc - 1, dB(loudestPeak), clipping, rms[rms.size() / 2]);
    return 0;
}
