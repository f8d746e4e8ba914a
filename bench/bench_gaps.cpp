// Measures the joins between tracks in a recording of what the player played
// (raw signed 16-bit mono at 44100 Hz; bench/gap.sh makes it).
//
// bench_gaps tones RECORDING: tones of differing frequency, one per track.
// Prints each change of tone with the silence before it, then the median and
// the longest. The first change is left out of those: a fresh PulseAudio
// starts the first streams some 150 ms late, a bare playbin as much as the
// program.
//
// bench_gaps joins RECORDING REFERENCE JOIN...: one sine cut into pieces; the
// reference holds the pieces decoded one by one and joined, JOIN the sample
// positions in it where a piece starts. At each join the recording is lined
// up with the reference just before it and compared around it: rounding
// leaves a few units, a lost or added sample hundreds, silence thousands.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace
{

constexpr int rate = 44100;
constexpr int quiet = 1000;       // of 32767: below this a millisecond counts as silent
constexpr int shortestTone = 100; // ms: shorter sounds are clicks, not tracks

struct Tone {
    int startMs;
    int endMs; // one past the last sounding millisecond
    double hz;
};

// Zero crossings over the tone's samples, halved, per second.
double frequency(const std::vector<int16_t>& s, const Tone& t)
{
    const size_t from = static_cast<size_t>(t.startMs) * rate / 1000;
    const size_t to = static_cast<size_t>(t.endMs) * rate / 1000;
    int crossings = 0;
    for (size_t i = from + 1; i < to; ++i)
        crossings += (s[i - 1] < 0) != (s[i] < 0);
    return crossings / 2.0 / ((t.endMs - t.startMs) / 1000.0);
}

std::vector<int16_t> readRaw(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<int16_t> samples;
    for (int16_t s = 0; in.read(reinterpret_cast<char*>(&s), sizeof s);)
        samples.push_back(s);
    return samples;
}

// The offset o, nearest to `guess`, at which rec[n + o] matches ref[n] best
// over n in [from, from + length).
long lineUp(const std::vector<int16_t>& rec, const std::vector<int16_t>& ref, long from,
            long length, long guess, long radius)
{
    long best = guess;
    double bestError = -1;
    for (long step = 0; step <= 2 * radius; ++step) {
        const long o = guess + (step % 2 ? (step + 1) / 2 : -step / 2);
        if (from + o < 0 || from + length + o > static_cast<long>(rec.size()))
            continue;
        double error = 0;
        for (long n = from; n < from + length && (bestError < 0 || error < bestError); ++n)
            error += std::abs(rec[static_cast<size_t>(n + o)] - ref[static_cast<size_t>(n)]);
        if (bestError < 0 || error < bestError) {
            bestError = error;
            best = o;
        }
    }
    return best;
}

int joins(const std::vector<int16_t>& rec, const std::vector<int16_t>& ref,
          const std::vector<long>& at)
{
    const auto loud = [](const std::vector<int16_t>& x, long from, bool wanted) {
        long i = std::max(0L, from);
        while (i < static_cast<long>(x.size()) &&
               (std::abs(x[static_cast<size_t>(i)]) >= quiet) != wanted)
            ++i;
        return i;
    };
    const long start = loud(ref, 0, true);
    long offset = lineUp(rec, ref, start + 100, 2000, loud(rec, 0, true) - start, rate);
    std::vector<int> deviations;
    int breaks = 0;
    double longestSilence = 0;
    constexpr long around = 1000;
    for (const long j : at) {
        if (j - 2 * around < 0 || j + 2 * around > static_cast<long>(ref.size()) ||
            j + 3 * around + offset > static_cast<long>(rec.size()))
            break;
        offset = lineUp(rec, ref, j - 2 * around, around, offset, 50);
        int worst = 0;
        for (long n = j - around; n < j + around; ++n)
            worst = std::max(worst, std::abs(rec[static_cast<size_t>(n + offset)] -
                                             ref[static_cast<size_t>(n)]));
        // Silence from shortly before the join to where the sound comes back.
        double silence = 0;
        if (worst > 100) {
            const long from = j + offset - around;
            long quietAt = from;
            for (long n = from; n < j + offset + around; n += rate / 1000) {
                int peak = 0;
                for (long i = n; i < n + rate / 1000; ++i)
                    peak = std::max(peak, std::abs(static_cast<int>(rec[static_cast<size_t>(i)])));
                if (peak < quiet) {
                    quietAt = n;
                    break;
                }
            }
            long back = quietAt;
            for (;; back += rate / 1000) {
                int peak = 0;
                for (long i = back; i < back + rate / 1000 && i < static_cast<long>(rec.size());
                     ++i)
                    peak = std::max(peak, std::abs(static_cast<int>(rec[static_cast<size_t>(i)])));
                if (peak >= quiet || back >= static_cast<long>(rec.size()))
                    break;
            }
            silence = 1000.0 * static_cast<double>(back - quietAt) / rate;
            // The sound after the break lines up with the reference after the join.
            offset = lineUp(rec, ref, j + around, around, back + around - (j + around), 50);
        }
        std::printf("join at %6.3f s: largest deviation %5d, silence %5.1f ms\n",
                    static_cast<double>(j) / rate, worst, silence);
        deviations.push_back(worst);
        breaks += worst > 100;
        longestSilence = std::max(longestSilence, silence);
    }
    if (deviations.empty()) {
        std::fprintf(stderr, "no join recorded\n");
        return 1;
    }
    std::sort(deviations.begin(), deviations.end());
    std::printf("%zu joins, %d broken (longest silence %.0f ms): largest deviation median %d, "
                "max %d (goal: none broken; a lost or added sample gives hundreds)\n",
                deviations.size(), breaks, longestSilence, deviations[deviations.size() / 2],
                deviations.back());
    return 0;
}

int tones(const std::vector<int16_t>& samples);

} // namespace

int main(int argc, char* argv[])
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "tones" && argc == 3)
        return tones(readRaw(argv[2]));
    if (mode == "joins" && argc >= 5) {
        std::vector<long> at;
        for (int i = 4; i < argc; ++i)
            at.push_back(std::atol(argv[i]));
        return joins(readRaw(argv[2]), readRaw(argv[3]), at);
    }
    std::fprintf(stderr, "usage: %s tones RECORDING | joins RECORDING REFERENCE JOIN...\n",
                 argv[0]);
    return 2;
}

namespace
{

int tones(const std::vector<int16_t>& samples)
{
    // The loudest sample of each millisecond.
    std::vector<bool> sounding;
    for (size_t ms = 0;; ++ms) {
        const size_t from = ms * rate / 1000;
        const size_t to = (ms + 1) * rate / 1000;
        if (to > samples.size())
            break;
        int peak = 0;
        for (size_t i = from; i < to; ++i)
            peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
        sounding.push_back(peak >= quiet);
    }

    std::vector<Tone> tones;
    const int total = static_cast<int>(sounding.size());
    for (int ms = 0; ms < total;) {
        if (!sounding[static_cast<size_t>(ms)]) {
            ++ms;
            continue;
        }
        Tone t{ms, ms, 0};
        while (t.endMs < total && sounding[static_cast<size_t>(t.endMs)])
            ++t.endMs;
        ms = t.endMs;
        if (t.endMs - t.startMs >= shortestTone) {
            t.hz = frequency(samples, t);
            tones.push_back(t);
        }
    }

    std::vector<int> gaps;
    int dropouts = 0;
    bool warmedUp = false;
    for (size_t i = 1; i < tones.size(); ++i) {
        const Tone& a = tones[i - 1];
        const Tone& b = tones[i];
        const int gap = b.startMs - a.endMs;
        if (std::abs(a.hz - b.hz) < 0.05 * a.hz) {
            ++dropouts; // the same tone went on after a break
            continue;
        }
        std::printf("%4.0f Hz -> %4.0f Hz at %6.3f s: %4d ms of silence%s\n", a.hz, b.hz,
                    b.startMs / 1000.0, gap, warmedUp ? "" : " (warm-up, not counted)");
        if (warmedUp)
            gaps.push_back(gap);
        warmedUp = true;
    }
    if (gaps.empty()) {
        std::fprintf(stderr, "no change of track heard\n");
        return 1;
    }
    std::sort(gaps.begin(), gaps.end());
    std::printf("%zu changes, %d breaks inside a track: silence median %d ms, max %d ms "
                "(goal median <= 30)\n",
                gaps.size(), dropouts, gaps[gaps.size() / 2], gaps.back());
    return 0;
}

} // namespace
