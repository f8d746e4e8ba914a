#include "platform/gstengine.h"
#include "platform/videooutput.h"
#include "tests/support/fakeengine.h"
#include "tests/support/testmedia.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <ranges>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace Qt::StringLiterals;
using Mode = MediaEngine::Mode;

namespace
{

// Records what the engine shows of a film.
struct Screen final : VideoOutput {
    void showPicture(QSize size) override { shown = size; }
    void hidePicture() override { shown = {}; }
    void deliverFrame(QImage) override { ++frames; }
    QSize shown;
    std::atomic<int> frames = 0;
};

const QString mono16 = u"audioconvert ! audio/x-raw,format=S16LE,channels=1"_s;

template <typename T> std::vector<T> samples(const QString& raw)
{
    QFile f(raw);
    const QByteArray bytes = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    std::vector<T> x(size_t(bytes.size()) / sizeof(T));
    std::memcpy(x.data(), bytes.constData(), x.size() * sizeof(T));
    return x;
}

// Plays the file to its end; what the audio sink wrote to `out`, as floats.
std::vector<float> output(GstEngine& engine, const fs::path& file, const QString& out)
{
    engine.open(file);
    engine.play();
    const bool ended = QTest::qWaitFor(
        [&] {
            engine.poll();
            return engine.mode() == Mode::Stopped;
        },
        10000);
    engine.close();
    return ended ? samples<float>(out) : std::vector<float>();
}

// One second of seven instruments striking four-note chords at full velocity:
// denser than the loudest passages of real MIDI music.
QByteArray denseMidi()
{
    std::string events;
    for (char ch = 0; ch < 7; ++ch)
        events += {0, char(0xC0 | ch), char(ch * 8)}; // program change
    for (char ch = 0; ch < 7; ++ch)
        for (char note : {48, 52, 55, 60})
            events += {0, char(0x90 | ch), char(note + ch), 127};
    events += {char(0x81), 0x40, char(0xFF), 0x2F, 0}; // end of track after 192 ticks
    // Format 0, 96 ticks a quarter, one track of fewer than 256 bytes.
    return QByteArray("MThd\0\0\0\x06\0\0\0\x01\0\x60MTrk\0\0\0", 21) + char(events.size()) +
           QByteArray::fromStdString(events);
}

// Blanks, "#" and "%" must not be read as parts of a URI, and a name that is
// no UTF-8 keeps its bytes.
const QByteArray oddName = "Lied #1 – Grüße 100% \xE4\xF6\xFC.mp3";

} // namespace

class GstEngineTest : public QObject
{
    Q_OBJECT

    fs::path file(const QByteArray& name) const
    {
        return fs::path(m_dir.path().toStdString()) / name.toStdString();
    }
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        for (const char* name : {"a.wav", "a.mp3", "a.mpg"})
            QVERIFY2(TestMedia::create(m_dir.filePath(QLatin1StringView(name))), name);
        fs::copy_file(file("a.mp3"), file(oddName));
        QVERIFY(TestMedia::create(m_dir.filePath(u"long.mp3"_s), 30));
        fs::copy_file(file("a.wav"), file("b.wav"));
        // An mp3 without a Xing header tells its length only once it plays;
        // one cut short, whose header promised three seconds, never does.
        QVERIFY(TestMedia::run(u"audiotestsrc num-buffers=10 samplesperbuffer=4410 ! "
                               "audio/x-raw,rate=44100,channels=2 ! audioconvert ! lamemp3enc ! "
                               "filesink location=\""_s +
                               m_dir.filePath(u"late.mp3"_s) + u'"'));
        QCOMPARE(mkfifo(file("pipe.wav").c_str(), 0600), 0);
        fs::copy_file(file("long.mp3"), file("cut.mp3"));
        fs::resize_file(file("cut.mp3"), 2000);
        for (const auto& [name, bytes] : {std::pair{"notes.txt", "Einkaufsliste: Milch, Brot\n"_ba},
                                          {"dense.mid", denseMidi()}}) {
            QFile f(m_dir.filePath(QLatin1StringView(name)));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        }
    }

    // QTemporaryDir cannot remove a name that is not valid UTF-8. A reader
    // that still waits on the pipe is let go.
    void cleanupTestCase()
    {
        if (const int writer = ::open(file("pipe.wav").c_str(), O_WRONLY | O_NONBLOCK); writer >= 0)
            ::close(writer);
        fs::remove_all(file({}));
    }

    // One contract for the real engine and the fake that the player's tests
    // run on, so that the fake cannot drift from what it stands for. Steps:
    // "open X", "next X" (the file to follow), "play", "pause", "resume",
    // "stop", "seek MS", and waits for a report ("taken", "started", "end")
    // or for a known "length". What the engine told, in order: T(aken),
    // S(tarted), D(ropped) with the file, E for an end; then its mode. The
    // file "c" has the odd name. An end must read as one also where no
    // length was told, or the player waits on it for ever.
    void contract_data()
    {
        QTest::addColumn<bool>("real");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("told");
        const QList<std::tuple<const char*, QString, QString>> rows{
            {"plays to its end", u"open a play end"_s, u"E Stopped"_s},
            {"paused, seek", u"open a play length pause seek 600"_s, u"Paused"_s},
            {"paused, resumed", u"open a play length pause resume end"_s, u"E Stopped"_s},
            {"seek near the end", u"open a play length seek 900 end"_s, u"E Stopped"_s},
            {"length known late", u"open late play length end"_s, u"E Stopped"_s},
            {"cut short", u"open cut play end"_s, u"E Stopped"_s},
            {"unplayable", u"open text play end"_s, u"E Stopped failed"_s},
            {"hangs", u"open fifo play end"_s, u"E Stopped failed"_s},
            {"next", u"open a next b play started end"_s, u"Tb Sb E Stopped"_s},
            {"next taken, then Prev", u"open a next b play length taken seek 0 end"_s,
             u"Tb Db E Stopped"_s},
            {"next taken, then seek", u"open a next b play length taken seek 500 end"_s,
             u"Tb Db E Stopped"_s},
            {"next taken, then stop", u"open a next b play length taken stop"_s,
             u"Tb Db Stopped"_s},
            {"next taken, then another", u"open a next b play length taken open c play end"_s,
             u"Tb Db E Stopped"_s},
            {"next unplayable", u"open a next text play end"_s, u"E Stopped"_s},
            {"next hangs", u"open a next fifo play end"_s, u"E Stopped"_s},
        };
        for (const bool real : {true, false})
            for (const auto& [name, steps, told] : rows)
                QTest::addRow("%s, %s", real ? "GstEngine" : "FakeEngine", name)
                    << real << steps << told;
    }

    void contract()
    {
        QFETCH(bool, real);
        QFETCH(QString, steps);
        const std::map<QString, fs::path> files{
            {u"a"_s, file("a.wav")},      {u"b"_s, file("b.wav")},
            {u"c"_s, file(oddName)},      {u"late"_s, file("late.mp3")},
            {u"cut"_s, file("cut.mp3")},  {u"text"_s, file("notes.txt")},
            {u"fifo"_s, file("pipe.wav")}};
        GstEngine gst({u"fakesink sync=true"_s, u"fakesink sync=true"_s});
        gst.setOpenBound(std::chrono::milliseconds(1500));
        FakeEngine fake;
        for (const auto& [name, path] : files)
            fake.files[path] = {.lengthLate = name == u"late" || name == u"cut",
                                .unplayable = name == u"text",
                                .hangs = name == u"fifo"};
        MediaEngine& engine = real ? static_cast<MediaEngine&>(gst) : fake;
        const auto until = [&](const std::function<bool()>& done) {
            if (real)
                return QTest::qWaitFor(done, 15000);
            for (int ms = 0; ms < 60000 && !done(); ms += 10)
                fake.advance(10);
            return done();
        };
        std::map<int, QString> ids;
        QStringList told;
        engine.setEndHandler([&] { told.append(u"E"_s); });
        engine.setNextHandler(
            [&](MediaEngine::Next what, int id) { told.append(u"TSD"_s.at(int(what)) + ids[id]); });
        const QStringList words = steps.split(u' ');
        for (auto word = words.begin(); word != words.end(); ++word) {
            if (*word == u"open") {
                engine.open(files.at(*++word));
            } else if (*word == u"next") {
                const int id = int(ids.size()) + 1;
                ids[id] = *++word;
                engine.setNext(files.at(*word), id);
            } else if (*word == u"play") {
                engine.play();
            } else if (*word == u"pause") {
                engine.pause();
            } else if (*word == u"resume") {
                engine.resume();
            } else if (*word == u"stop") {
                engine.stop();
            } else if (*word == u"seek") {
                engine.seek((++word)->toLongLong());
            } else if (*word == u"length") {
                QVERIFY(until([&] {
                    engine.poll();
                    return engine.Length() > 0;
                }));
            } else { // "taken", "started" or "end": waits for the report
                const QChar report = word->at(0).toUpper();
                const auto seen = [&] {
                    return std::ranges::any_of(told,
                                               [&](const QString& t) { return t[0] == report; });
                };
                QVERIFY2(until(seen), qPrintable(*word + u": "_s + told.join(u' ')));
            }
        }
        told.append(u"NotReady Stopped Playing Paused"_s.split(u' ').at(int(engine.mode())));
        if (engine.failed())
            told.append(u"failed"_s);
        QTEST(told.join(u' '), "told");
        // Where an end was told, the position stands at the length: the
        // player knows an end by that. A seek stays in the file it was made in.
        if (told.contains(u"E"_s) && !engine.failed()) {
            engine.poll();
            QVERIFY(engine.Length() > 0);
            QCOMPARE(engine.Position(), engine.Length());
        }
        // Paused, the position stays where a seek put it.
        if (engine.mode() == Mode::Paused)
            QVERIFY(until([&] {
                engine.poll();
                return std::abs(engine.Position() - 600) <= 20;
            }));
        if (steps.endsWith(u"stop"))
            QCOMPARE(engine.Position(), qint64(0));
    }

    // What reaches the sound card: silence from every file opened after the
    // mute, and MIDI loud yet below full scale. Float samples show how far
    // over full scale the output goes before a sound card would clip it.
    void outputLevel()
    {
        const QString out = m_dir.filePath(u"out.raw"_s);
        GstEngine engine(
            {u"audioconvert ! audio/x-raw,format=F32LE ! filesink location=\""_s + out + u'"',
             u"fakesink"_s});
        engine.setSilent(true);
        const std::vector<float> silent = output(engine, file("a.wav"), out);
        QVERIFY(!silent.empty() && std::ranges::count(silent, 0.0f) == qsizetype(silent.size()));
        engine.setSilent(false);
        const std::vector<float> midi = output(engine, file("dense.mid"), out);
        QVERIFY(!midi.empty());
        const float peak =
            std::ranges::max(midi | std::views::transform([](float x) { return std::abs(x); }));
        QVERIFY2(peak < 1.0f && peak > 0.5f, qPrintable(QString::number(peak)));
    }

    // A film that starts to arrive long after it was opened (a slow share, a
    // pipe) still shows its picture.
    void slowFilmShowsItsPicture()
    {
        const QByteArray fifo = QFile::encodeName(m_dir.filePath(u"slow.mpg"_s));
        QCOMPARE(mkfifo(fifo.constData(), 0600), 0);
        QFile film(m_dir.filePath(u"a.mpg"_s));
        QVERIFY(film.open(QIODevice::ReadOnly));
        const QByteArray bytes = film.readAll();
        Screen screen;
        GstEngine engine({u"fakesink"_s, {}}, &screen);
        // Held open at both ends, the pipe opens at once for the engine and
        // keeps the whole film until it is read. Closed before the engine
        // goes, it lets a reader that waits on it go.
        const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
        int pipe = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
        const auto atEnd = qScopeGuard([&] {
            ::close(pipe);
            ::close(reader);
        });
        QVERIFY(reader >= 0 && pipe >= 0 && fcntl(pipe, F_SETPIPE_SZ, 1 << 20) >= bytes.size());
        engine.open(fifo.toStdString());
        engine.play();
        int ticks = 0;
        QTimer clock;
        connect(&clock, &QTimer::timeout, [&] { ++ticks; });
        clock.start(10);
        QTRY_VERIFY(ticks >= 20);
        QVERIFY(!screen.shown.isValid());
        QCOMPARE(::write(pipe, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
        ::close(std::exchange(pipe, -1)); // the film ends
        QTRY_VERIFY_WITH_TIMEOUT(screen.shown.isValid() || engine.failed(), 10000);
        QVERIFY(!engine.failed());
        QCOMPARE(screen.shown, QSize(352, 288));
        QTRY_VERIFY_WITH_TIMEOUT(screen.frames > 0, 10000);
        engine.close();
        QVERIFY(!screen.shown.isValid());
    }

    // One sine cut into pieces, played one after another, comes
    // out as the pieces decoded one by one, joined: no sample lost or added
    // (hundreds off where one is), nothing but rounding changed. Polled as the
    // player's tick does, length and position always belong to the piece last
    // told as started, as the title shown beside them does.
    void gaplessJoins_data()
    {
        QTest::addColumn<QString>("ext");
        QTest::newRow("wav to wav") << u"wav"_s;
        QTest::newRow("mp3 to mp3") << u"mp3"_s;
    }

    void gaplessJoins()
    {
        QFETCH(QString, ext);
        // Whole periods of a 441 Hz sine at 44.1 kHz, so that the pieces join
        // into one sine.
        const std::vector<int> lengths{22000, 17600, 26500, 13300};
        std::vector<fs::path> pieces;
        std::vector<qint16> expected;
        for (const int length : lengths) {
            const QString wav = m_dir.filePath(u"sine%1.wav"_s.arg(pieces.size()));
            QVERIFY(TestMedia::run(
                u"audiotestsrc freq=441 volume=0.37 num-buffers=1 samplesperbuffer=%1 ! "
                "audio/x-raw,rate=44100,channels=1 ! wavenc ! filesink location=\"%2\""_s
                    .arg(length)
                    .arg(wav)));
            QString piece = wav;
            if (ext == u"mp3") {
                // lame notes its delay and padding, which the decoder trims.
                piece.replace(u".wav"_s, u".mp3"_s);
                QCOMPARE(QProcess::execute(u"lame"_s, {u"--quiet"_s, wav, piece}), 0);
            }
            const QString decoded = piece + u".raw"_s;
            QVERIFY(TestMedia::run(u"filesrc location=\""_s + piece + u"\" ! decodebin ! "_s +
                                   mono16 + u" ! filesink location=\""_s + decoded + u'"'));
            const std::vector<qint16> x = samples<qint16>(decoded);
            QCOMPARE(qsizetype(x.size()), qsizetype(length));
            expected.insert(expected.end(), x.begin(), x.end());
            pieces.push_back(piece.toStdString());
        }
        const QString out = m_dir.filePath(u"joined.raw"_s);
        GstEngine engine(
            {mono16 + u" ! filesink sync=true location=\""_s + out + u'"', u"fakesink"_s});
        // As the player does: the piece after the one taken is given at once.
        QList<int> started;
        engine.setNextHandler([&](MediaEngine::Next what, int id) {
            if (what == MediaEngine::Next::Started)
                started.append(id);
            else if (size_t(id) + 1 < pieces.size())
                engine.setNext(pieces[size_t(id) + 1], id + 1);
        });
        engine.open(pieces[0]);
        engine.setNext(pieces[1], 1);
        engine.play();
        const QDeadlineTimer deadline(15000);
        qsizetype piece = 0;
        qint64 position = 0;
        for (engine.poll(); engine.mode() != Mode::Stopped; engine.poll()) {
            const int now = started.value(started.size() - 1);
            const qint64 ms = lengths[size_t(now)] * 1000 / 44100;
            QVERIFY2(engine.Length() == 0 || std::abs(engine.Length() - ms) < 50,
                     qPrintable(QString::number(now)));
            // Within a piece the position only moves on.
            const qint64 at = engine.Position();
            QVERIFY2(started.size() != piece || at >= position, qPrintable(QString::number(now)));
            piece = started.size();
            position = at;
            QVERIFY(!deadline.hasExpired());
            QThread::msleep(5);
        }
        QCOMPARE(started, (QList<int>{1, 2, 3}));
        QVERIFY(!engine.failed());
        engine.close();
        const std::vector<qint16> joined = samples<qint16>(out);
        QCOMPARE(joined.size(), expected.size());
        int worst = 0;
        for (size_t n = 0; n < joined.size(); ++n)
            worst = std::max(worst, std::abs(joined[n] - expected[n]));
        // The MIDI limiter's float path dithers by a unit or two.
        QVERIFY2(worst <= 4, qPrintable(QString::number(worst)));
    }
};

QTEST_MAIN(GstEngineTest)
#include "tst_gstengine.moc"
