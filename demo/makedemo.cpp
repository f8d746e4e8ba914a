// Builds the demo library that `make run` plays: a handful of short pieces,
// composed from a chord progression by a few simple rules, rendered either as
// soft synthesised audio (WAV, then mp3 or wma through the tests' encoder) or
// as Standard MIDI Files; and a working directory whose data files point at them.
//
//   makedemo --music DIR       writes the pieces into DIR (replacing it)
//   makedemo --work DIR MUSIC  writes the data files that DIR lacks
#include "tests/support/testmedia.h"

#include <QFile>
#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace
{

enum class Figure { Broken, Waltz, Polka, Block };
enum class Voice { Melody, Chords, Bass };

struct Piece {
    const char* artist;
    const char* album;
    const char* title;
    const char* ext; // wav, mp3, wma or mid
    int tonic;       // MIDI pitch of the key note
    bool minor;
    int beats; // per bar, in quarter notes
    double bpm;
    const char* chords; // roman numerals, one bar each; lower case is minor, "7" adds the seventh
    Figure figure;
    unsigned seed;
};

const Piece pieces[] = {
    {"Klara Sonnenberg", "Lieder am Abend", "Abendlied", "wav", 65, false, 4, 76, "I vi IV V",
     Figure::Broken, 11},
    {"Klara Sonnenberg", "Lieder am Abend", "Morgenstimmung am See", "mp3", 67, false, 3, 100,
     "I IV I V vi IV ii V", Figure::Broken, 5},
    {"Die Brückenmusikanten", "Tanzboden", "Walzer für Änne", "mp3", 62, false, 3, 150,
     "I IV V7 I vi ii V7 I", Figure::Waltz, 23},
    {"Die Brückenmusikanten", "Tanzboden", "Polka vom Mühlbach", "mid", 60, false, 4, 126,
     "I V7 V7 I I IV V7 I", Figure::Polka, 7},
    {"Jörg Weißhaupt", "Klavierstücke", "Regentropfen", "mid", 64, true, 4, 120,
     "i VI III VII i iv V i", Figure::Broken, 3},
    {"Jörg Weißhaupt", "Klavierstücke", "Wiegenlied für Lotte", "mid", 58, false, 3, 84,
     "I IV V7 I", Figure::Broken, 19},
    {"Ensemble Flußufer", "Jahreszeiten", "Herbstlaub im Park", "wma", 62, true, 4, 88, "i iv V7 i",
     Figure::Block, 29},
    {"Ensemble Flußufer", "Jahreszeiten", "Schneeflöckchen tanzt", "wav", 64, false, 3, 138,
     "I vi ii V I IV V I", Figure::Waltz, 13},
};

struct Note {
    double start;  // in beats
    double length; // in beats
    int pitch;
    int velocity;
    Voice voice;
};

struct Chord {
    int root;            // semitones above the key note
    std::vector<int> pc; // chord tones, semitones above the key note
};

constexpr std::array<int, 7> majorScale{0, 2, 4, 5, 7, 9, 11};
constexpr std::array<int, 7> minorScale{0, 2, 3, 5, 7, 8, 10};

int mod12(int v)
{
    return ((v % 12) + 12) % 12;
}

std::vector<Chord> parseChords(std::string_view text, bool minorKey)
{
    const auto& scale = minorKey ? minorScale : majorScale;
    std::vector<Chord> chords;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        const bool minor = text[i] == 'i' || text[i] == 'v';
        std::string numeral;
        while (i < text.size() && std::string_view("IViv").find(text[i]) != std::string_view::npos)
            numeral += char(std::toupper(static_cast<unsigned char>(text[i++])));
        constexpr std::array<std::string_view, 7> names{"I", "II", "III", "IV", "V", "VI", "VII"};
        const auto degree = size_t(std::find(names.begin(), names.end(), numeral) - names.begin());
        const bool seventh = i < text.size() && text[i] == '7';
        if (seventh)
            ++i;
        const int root = scale.at(degree);
        Chord c{root, {root, root + (minor ? 3 : 4), root + 7}};
        if (seventh)
            c.pc.push_back(root + 10);
        chords.push_back(c);
    }
    return chords;
}

// The key's scale with the chord's tones put in, so that a raised leading note
// in a minor key's dominant also reaches the melody's passing notes.
std::vector<int> scaleFor(const Chord& chord, bool minorKey)
{
    const auto& base = minorKey ? minorScale : majorScale;
    std::vector<int> scale(base.begin(), base.end());
    for (const int tone : chord.pc) {
        const int pc = mod12(tone);
        if (std::find(scale.begin(), scale.end(), pc) != scale.end())
            continue;
        for (int& s : scale)
            if (s == mod12(pc - 1) || s == mod12(pc + 1)) {
                s = pc;
                break;
            }
    }
    return scale;
}

bool inPitchClasses(int pitch, int tonic, const std::vector<int>& pcs)
{
    return std::any_of(pcs.begin(), pcs.end(),
                       [&](int pc) { return mod12(pitch - tonic) == mod12(pc); });
}

// The pitch class placed in the octave that starts at low.
int placeAbove(int low, int tonic, int pc)
{
    return low + mod12(tonic + pc - low);
}

class Composer
{
public:
    explicit Composer(const Piece& piece)
        : m_piece(piece), m_chords(parseChords(piece.chords, piece.minor)), m_random(piece.seed),
          m_low(piece.tonic), m_high(piece.tonic + 16), m_current(piece.tonic + 7)
    {
    }

    // An introductory bar of accompaniment, the progression twice under the
    // same tune, and a closing bar on the key chord.
    std::vector<Note> compose()
    {
        const int bars = int(m_chords.size());
        const std::vector<Note> tune = melody();
        std::vector<Note> notes;
        accompany(notes, m_chords.front(), 0);
        for (int pass = 0; pass < 2; ++pass) {
            const double offset = (1 + pass * bars) * m_piece.beats;
            for (Note n : tune) {
                n.start += offset;
                notes.push_back(n);
            }
            for (int bar = 0; bar < bars; ++bar)
                accompany(notes, m_chords[size_t(bar)], 1 + pass * bars + bar);
        }
        const int last = 1 + 2 * bars;
        const Chord home = parseChords(m_piece.minor ? "i" : "I", m_piece.minor).front();
        const int tonic = nearestIn({0}, m_current);
        notes.push_back(
            {double(last * m_piece.beats), double(m_piece.beats), tonic, 90, Voice::Melody});
        notes.push_back({double(last * m_piece.beats), double(m_piece.beats),
                         placeAbove(m_piece.tonic - 24, m_piece.tonic, 0), 72, Voice::Bass});
        for (const int pc : home.pc)
            notes.push_back({double(last * m_piece.beats), double(m_piece.beats),
                             placeAbove(m_piece.tonic - 10, m_piece.tonic, pc), 52, Voice::Chords});
        return notes;
    }

private:
    unsigned roll(unsigned n) { return m_random() % n; }

    std::vector<double> rhythm(int bar, int bars)
    {
        static const std::vector<std::vector<double>> four{{1, 1, 1, 1},     {2, 1, 1},
                                                           {1, 1, 2},        {1.5, 0.5, 1, 1},
                                                           {0.5, 0.5, 1, 2}, {1, 0.5, 0.5, 2}};
        static const std::vector<std::vector<double>> three{
            {1, 1, 1}, {2, 1}, {1.5, 0.5, 1}, {1, 0.5, 0.5, 1}};
        const bool phraseEnd = bar % 4 == 3 || bar == bars - 1;
        if (phraseEnd)
            return m_piece.beats == 4 ? std::vector<double>{1, 3} : std::vector<double>{3};
        // The second half of a long progression answers the first in its rhythm.
        if (bars == 8 && bar >= 4 && bar < 6)
            return m_rhythms[size_t(bar - 4)];
        const auto& choices = m_piece.beats == 4 ? four : three;
        return choices[roll(unsigned(choices.size()))];
    }

    int nearestIn(const std::vector<int>& pcs, int target) const
    {
        int best = m_low;
        for (int p = m_low; p <= m_high; ++p)
            if (inPitchClasses(p, m_piece.tonic, pcs) &&
                (!inPitchClasses(best, m_piece.tonic, pcs) ||
                 std::abs(p - target) < std::abs(best - target)))
                best = p;
        return best;
    }

    // A note of the chord near the last one, drawn towards the middle of the range.
    int chordTone(const Chord& chord)
    {
        const int middle = (m_low + m_high) / 2;
        const int target = m_current + int(roll(9)) - 4 + (middle - m_current) / 3;
        int p = nearestIn(chord.pc, target);
        if (p == m_current && roll(3) != 0)
            p = nearestIn(chord.pc, target + (target >= m_current ? 3 : -3));
        return p;
    }

    // One or two steps along the scale.
    int scaleStep(const std::vector<int>& scale)
    {
        const int middle = (m_low + m_high) / 2;
        int direction = roll(2) == 0 ? 1 : -1;
        if (std::abs(m_current - middle) > 5)
            direction = m_current > middle ? -1 : 1;
        const int steps = roll(4) == 0 ? 2 : 1;
        int p = m_current;
        for (int s = 0; s < steps; ++s) {
            do
                p += direction;
            while (!inPitchClasses(p, m_piece.tonic, scale));
        }
        return std::clamp(p, m_low, m_high);
    }

    std::vector<Note> melody()
    {
        std::vector<Note> tune;
        const int bars = int(m_chords.size());
        for (int bar = 0; bar < bars; ++bar) {
            const Chord& chord = m_chords[size_t(bar)];
            const std::vector<int> scale = scaleFor(chord, m_piece.minor);
            const std::vector<double> lengths = rhythm(bar, bars);
            if (bar < 2)
                m_rhythms.push_back(lengths);
            double beat = 0;
            for (const double length : lengths) {
                const bool onBeat = beat == std::floor(beat);
                const bool strong = beat == 0 || (onBeat && roll(10) < 7) || length >= 2;
                m_current = strong ? chordTone(chord) : scaleStep(scale);
                const int accent = beat == 0 ? 10 : 0;
                // Slightly detached, as a singer breathes between notes.
                tune.push_back({bar * m_piece.beats + beat, length * 0.92, m_current, 84 + accent,
                                Voice::Melody});
                beat += length;
            }
        }
        return tune;
    }

    void accompany(std::vector<Note>& notes, const Chord& chord, int bar) const
    {
        const double at = bar * m_piece.beats;
        const int tonic = m_piece.tonic;
        const int bass = placeAbove(tonic - 24, tonic, chord.root);
        const int bassFifth = bass + 7 > tonic - 12 ? bass - 5 : bass + 7;
        const auto chordNotes = [&](double beat, double length, int velocity) {
            for (const int pc : chord.pc)
                notes.push_back({at + beat, length, placeAbove(tonic - 10, tonic, pc), velocity,
                                 Voice::Chords});
        };
        switch (m_piece.figure) {
        case Figure::Broken: {
            const int third = chord.pc[1] - chord.root;
            const std::array<int, 4> tones{bass + 12, bass + 12 + third, bass + 19, bass + 24};
            constexpr std::array<int, 8> order{0, 1, 2, 3, 2, 1, 2, 1};
            notes.push_back({at, double(m_piece.beats), bass, 64, Voice::Bass});
            for (int i = 0; i < 2 * m_piece.beats; ++i)
                notes.push_back({at + i * 0.5, 1.5, tones[size_t(order[size_t(i)])],
                                 i == 0 ? 60 : 50, Voice::Chords});
            break;
        }
        case Figure::Waltz:
            notes.push_back({at, 1, bass, 72, Voice::Bass});
            chordNotes(1, 0.8, 46);
            chordNotes(2, 0.8, 42);
            break;
        case Figure::Polka:
            notes.push_back({at, 1, bass, 74, Voice::Bass});
            chordNotes(1, 0.7, 46);
            notes.push_back({at + 2, 1, bassFifth, 66, Voice::Bass});
            chordNotes(3, 0.7, 44);
            break;
        case Figure::Block:
            notes.push_back({at, 2, bass, 66, Voice::Bass});
            notes.push_back({at + 2, 2, bassFifth, 60, Voice::Bass});
            chordNotes(0, m_piece.beats, 48);
            break;
        }
    }

    const Piece& m_piece;
    std::vector<Chord> m_chords;
    std::mt19937 m_random;
    int m_low;
    int m_high;
    int m_current;
    std::vector<std::vector<double>> m_rhythms; // of the first two bars
};

// --- Audio ----------------------------------------------------------------

constexpr int sampleRate = 44100;

double frequency(int pitch)
{
    return 440.0 * std::pow(2.0, (pitch - 69) / 12.0);
}

struct Stereo {
    std::vector<float> left, right;
};

// One note into the mix. The melody sings (slow attack, held, a late gentle
// vibrato); chords and bass are plucked and fade on their own, their overtones
// sooner than the fundamental, so that the sound mellows.
void renderNote(Stereo& mix, const Note& note, double secondsPerBeat)
{
    constexpr double twoPi = 2 * std::numbers::pi;
    const double start = note.start * secondsPerBeat;
    const double held = note.length * secondsPerBeat;
    const double release = note.voice == Voice::Melody ? 0.12 : 0.08;
    const double f = frequency(note.pitch);
    const double gain = note.velocity / 127.0 *
                        (note.voice == Voice::Melody ? 0.32
                         : note.voice == Voice::Bass ? 0.3
                                                     : 0.13);
    const auto [panLeft, panRight] = note.voice == Voice::Melody   ? std::pair{0.8, 1.0}
                                     : note.voice == Voice::Chords ? std::pair{1.0, 0.75}
                                                                   : std::pair{0.9, 0.9};
    const size_t first = size_t(start * sampleRate);
    const size_t count = size_t((held + 8 * release) * sampleRate);
    double phase = 0;
    for (size_t i = 0; i < count && first + i < mix.left.size(); ++i) {
        const double t = double(i) / sampleRate;
        double level = 0;
        double wave = 0;
        double bend = 1;
        if (note.voice == Voice::Melody) {
            level = std::min(1.0, t / 0.04) * (0.7 + 0.3 * std::exp(-t / 0.3));
            bend =
                1 + 0.004 * std::min(1.0, std::max(0.0, t - 0.25) / 0.3) * std::sin(twoPi * 5 * t);
            wave = std::sin(phase) + 0.25 * std::sin(2 * phase) + 0.08 * std::sin(3 * phase);
        } else {
            const double decay = note.voice == Voice::Bass ? 1.2 : 0.9;
            level = std::min(1.0, t / 0.005) * std::exp(-t / decay);
            wave = std::sin(phase) + 0.35 * std::exp(-t / 0.3) * std::sin(2 * phase) +
                   0.1 * std::exp(-t / 0.15) * std::sin(3 * phase);
        }
        if (t > held)
            level *= std::exp(-(t - held) / release);
        phase += twoPi * f * bend / sampleRate;
        const double v = gain * level * wave;
        mix.left[first + i] += float(v * panLeft);
        mix.right[first + i] += float(v * panRight);
    }
}

// A soft ping-pong echo gives the dry tones some room.
void addRoom(Stereo& mix)
{
    const size_t delayLeft = size_t(0.27 * sampleRate);
    const size_t delayRight = size_t(0.31 * sampleRate);
    std::vector<float> echoLeft(mix.left.size()), echoRight(mix.right.size());
    for (size_t i = 0; i < mix.left.size(); ++i) {
        if (i >= delayLeft)
            echoLeft[i] = mix.left[i - delayLeft] + 0.3f * echoRight[i - delayLeft];
        if (i >= delayRight)
            echoRight[i] = mix.right[i - delayRight] + 0.3f * echoLeft[i - delayRight];
    }
    for (size_t i = 0; i < mix.left.size(); ++i) {
        mix.left[i] += 0.22f * echoLeft[i];
        mix.right[i] += 0.22f * echoRight[i];
    }
}

template <typename T> void put(std::ofstream& out, T value)
{
    for (size_t i = 0; i < sizeof(T); ++i)
        out.put(char((std::uint64_t(value) >> (8 * i)) & 0xff));
}

bool writeWav(const fs::path& file, const Piece& piece, const std::vector<Note>& notes)
{
    const double secondsPerBeat = 60.0 / piece.bpm;
    double end = 0;
    for (const Note& n : notes)
        end = std::max(end, n.start + n.length);
    const size_t frames = size_t((end * secondsPerBeat + 2.5) * sampleRate);
    Stereo mix{std::vector<float>(frames), std::vector<float>(frames)};
    for (const Note& n : notes)
        renderNote(mix, n, secondsPerBeat);
    addRoom(mix);

    float peak = 0;
    for (size_t i = 0; i < frames; ++i)
        peak = std::max({peak, std::abs(mix.left[i]), std::abs(mix.right[i])});
    const double scale = peak > 0 ? 0.7 * 32767 / peak : 0;

    std::ofstream out(file, std::ios::binary);
    const std::uint32_t dataBytes = std::uint32_t(frames * 4);
    out.write("RIFF", 4);
    put<std::uint32_t>(out, 36 + dataBytes);
    out.write("WAVEfmt ", 8);
    put<std::uint32_t>(out, 16);
    put<std::uint16_t>(out, 1); // PCM
    put<std::uint16_t>(out, 2);
    put<std::uint32_t>(out, sampleRate);
    put<std::uint32_t>(out, sampleRate * 4);
    put<std::uint16_t>(out, 4);
    put<std::uint16_t>(out, 16);
    out.write("data", 4);
    put<std::uint32_t>(out, dataBytes);
    for (size_t i = 0; i < frames; ++i) {
        put<std::uint16_t>(out, std::uint16_t(std::int16_t(std::lround(mix.left[i] * scale))));
        put<std::uint16_t>(out, std::uint16_t(std::int16_t(std::lround(mix.right[i] * scale))));
    }
    return bool(out.flush());
}

// --- MIDI -----------------------------------------------------------------

constexpr int ticksPerBeat = 480;

void putVarLen(std::string& track, std::uint32_t value)
{
    char bytes[5];
    int n = 0;
    do {
        bytes[n++] = char(value & 0x7f);
        value >>= 7;
    } while (value != 0);
    while (n > 1)
        track += char(bytes[--n] | 0x80);
    track += bytes[0];
}

// Format 0: melody and chords on two piano channels, bass on a third.
bool writeMidi(const fs::path& file, const Piece& piece, const std::vector<Note>& notes)
{
    struct Event {
        std::uint32_t tick;
        std::string bytes;
    };
    std::vector<Event> events;
    const auto channel = [](Voice v) {
        return v == Voice::Melody ? 0 : v == Voice::Chords ? 1 : 2;
    };
    for (const Note& n : notes) {
        const int ch = channel(n.voice);
        const auto on = std::uint32_t(std::lround(n.start * ticksPerBeat));
        const auto off = std::uint32_t(std::lround((n.start + n.length) * ticksPerBeat));
        events.push_back({off, {char(0x80 | ch), char(n.pitch), 64}});
        events.push_back({on, {char(0x90 | ch), char(n.pitch), char(n.velocity)}});
    }
    // A key that is let go and struck again at the same moment must go up first.
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        return a.tick != b.tick ? a.tick < b.tick : (a.bytes[0] & 0xf0) < (b.bytes[0] & 0xf0);
    });

    std::string track;
    const std::string name = piece.title;
    track += std::string{0, char(0xff), 0x03};
    putVarLen(track, std::uint32_t(name.size()));
    track += name;
    const auto microsPerBeat = std::uint32_t(std::lround(60'000'000 / piece.bpm));
    track += std::string{0,
                         char(0xff),
                         0x51,
                         0x03,
                         char(microsPerBeat >> 16),
                         char(microsPerBeat >> 8),
                         char(microsPerBeat)};
    track += std::string{0, char(0xff), 0x58, 0x04, char(piece.beats), 2, 24, 8};
    // Piano, piano, acoustic bass; the melody a little right, the chords left.
    constexpr std::array<std::array<char, 3>, 3> channels{{{0, 0, 76}, {1, 0, 50}, {2, 32, 64}}};
    for (const auto& [ch, program, pan] : channels) {
        track += std::string{0, char(0xc0 | ch), program};
        track += std::string{0, char(0xb0 | ch), 10, pan};
    }
    std::uint32_t now = 0;
    for (const Event& e : events) {
        putVarLen(track, e.tick - now);
        track += e.bytes;
        now = e.tick;
    }
    putVarLen(track, ticksPerBeat);
    track += std::string{char(0xff), 0x2f, 0};

    std::ofstream out(file, std::ios::binary);
    out.write("MThd", 4);
    const char header[] = {
        0, 0, 0, 6, 0, 0, 0, 1, char(ticksPerBeat >> 8), char(ticksPerBeat & 0xff)};
    out.write(header, sizeof header);
    out.write("MTrk", 4);
    for (int shift = 24; shift >= 0; shift -= 8)
        out.put(char(track.size() >> shift));
    out.write(track.data(), std::streamsize(track.size()));
    return bool(out.flush());
}

// --- Files ----------------------------------------------------------------

QString qPath(const fs::path& path)
{
    return QFile::decodeName(path.c_str());
}

int writeMusic(const fs::path& dir)
{
    // Built beside the target and moved in at the end, so that a failed run
    // leaves no half library behind.
    fs::path staging = dir;
    staging += ".neu";
    fs::remove_all(staging);
    for (size_t i = 0; i < std::size(pieces); ++i) {
        const Piece& piece = pieces[i];
        const fs::path folder = staging / piece.artist / piece.album;
        fs::create_directories(folder);
        const fs::path file = folder / (std::string(piece.title) + "." + piece.ext);
        const std::vector<Note> notes = Composer(piece).compose();
        const std::string_view ext = piece.ext;
        bool ok = false;
        if (ext == "mid") {
            ok = writeMidi(file, piece, notes);
        } else if (ext == "wav") {
            ok = writeWav(file, piece, notes);
        } else {
            const fs::path wav = staging / ("roh" + std::to_string(i) + ".wav");
            ok = writeWav(wav, piece, notes) && TestMedia::encode(qPath(wav), qPath(file));
            fs::remove(wav);
        }
        if (!ok) {
            std::fprintf(stderr, "makedemo: could not write %s\n", file.c_str());
            return 1;
        }
    }
    fs::remove_all(dir);
    fs::rename(staging, dir);
    return 0;
}

// The data files are the user's once written: only missing ones are made.
int writeWork(const fs::path& dir, const fs::path& music)
{
    fs::create_directories(dir);
    const auto writeIfMissing = [&](const char* name, const std::string& line) {
        if (fs::exists(dir / name))
            return true;
        std::ofstream out(dir / name, std::ios::binary);
        out << line << "\r\n";
        return bool(out.flush());
    };
    // Play a track at start, so that a newcomer hears something at once.
    const bool ok = writeIfMissing("Quellpfad.wob", fs::absolute(music).string() + ";") &&
                    writeIfMissing("Einstellungen.wob", "00100");
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    const std::span<char*> args(argv, size_t(argc));
    try {
        if (args.size() == 3 && std::string_view(args[1]) == "--music")
            return writeMusic(args[2]);
        if (args.size() == 4 && std::string_view(args[1]) == "--work")
            return writeWork(args[2], args[3]);
    } catch (const fs::filesystem_error& e) {
        std::fprintf(stderr, "makedemo: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "usage: makedemo --music DIR | --work DIR MUSIC\n");
    return 2;
}
