// Finds the silence between tracks in a recording of what the player played:
// tones of differing frequency, one per track. Prints each change of tone with
// the silence before it, then the median and the longest. The first change is
// left out of those: a fresh PulseAudio starts the first streams some 150 ms
// late, a bare playbin as much as the program.
// Usage: bench_gaps RECORDING (raw signed 16-bit mono at 44100 Hz; bench/gap.sh)
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
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

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s RECORDING\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<int16_t> samples;
    for (int16_t s = 0; in.read(reinterpret_cast<char*>(&s), sizeof s);)
        samples.push_back(s);

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
