#include "platform/gstengine.h"
#include "tests/support/testmedia.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;
using namespace Qt::StringLiterals;
using Mode = MediaEngine::Mode;

namespace
{

const GstEngine::Sinks fast{u"fakesink sync=false"_s, u"fakesink sync=false"_s};
const GstEngine::Sinks realTime{u"fakesink sync=true"_s, u"fakesink sync=true"_s};

// Polls the way the player's tick does, without an event loop.
bool endsWithin(GstEngine& engine, int ms)
{
    const QDeadlineTimer deadline(ms);
    for (engine.poll(); engine.mode() != Mode::Stopped; engine.poll()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(5);
    }
    return true;
}

void openFile(GstEngine& engine, const fs::path& file)
{
    engine.Command(u"close"_s);
    engine.setFileName(file);
    engine.Command(u"open"_s);
}

// Plays the file to its end; what the audio sink wrote to `out`.
QByteArray output(GstEngine& engine, const fs::path& file, const QString& out)
{
    openFile(engine, file);
    engine.Command(u"play"_s);
    const bool ended = endsWithin(engine, 10000);
    engine.Command(u"close"_s);
    QFile f(out);
    return ended && f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every recording made here lasts a second.
void verifyAboutOneSecond(qint64 ms)
{
    QVERIFY2(ms > 900 && ms < 1150, qPrintable(QString::number(ms)));
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
        for (const char* name : {"a.wav", "a.mp3", "a.wma", "a.avi", "a.mpg", "a.mid", "p.jpg"})
            QVERIFY2(TestMedia::create(m_dir.filePath(QLatin1StringView(name))), name);
        fs::copy_file(file("a.mp3"), file(oddName));
        fs::copy_file(file("p.jpg"), file("picture.mp3"));
        fs::copy_file(file("a.mp3"), file("truncated.mp3"));
        fs::resize_file(file("truncated.mp3"), 100);
        for (const auto& [name, bytes] : {std::pair{"notes.txt", "Einkaufsliste: Milch, Brot\n"_ba},
                                          {"empty.mp3", ""_ba},
                                          {"dense.mid", denseMidi()}}) {
            QFile f(m_dir.filePath(QLatin1StringView(name)));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        }
    }

    // QTemporaryDir cannot remove a name that is not valid UTF-8.
    void cleanupTestCase() { fs::remove_all(file({})); }

    void playsToTheEndOrFails_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("playable");
        // The player's tick handles what its poll took in; the end handler
        // must not tell of it again.
        QTest::addColumn<bool>("polled");
        QTest::newRow("wav") << "a.wav"_ba << true << false;
        QTest::newRow("mp3") << "a.mp3"_ba << true << true;
        QTest::newRow("wma") << "a.wma"_ba << true << false;
        QTest::newRow("avi") << "a.avi"_ba << true << true;
        QTest::newRow("mpg") << "a.mpg"_ba << true << false;
        QTest::newRow("mid") << "a.mid"_ba << true << true;
        QTest::newRow("odd name") << oddName << true << false;
        QTest::newRow("missing") << "missing.mp3"_ba << false << false;
        QTest::newRow("text") << "notes.txt"_ba << false << true;
        QTest::newRow("picture named .mp3") << "picture.mp3"_ba << false << false;
        QTest::newRow("zero bytes") << "empty.mp3"_ba << false << true;
        QTest::newRow("truncated") << "truncated.mp3"_ba << false << false;
    }

    void playsToTheEndOrFails()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, playable);
        QFETCH(bool, polled);
        GstEngine engine(fast);
        int heard = 0;
        engine.setEndHandler([&] { ++heard; });
        openFile(engine, file(name));
        QCOMPARE(engine.failed(), !playable);
        QCOMPARE(engine.mode(), Mode::Stopped);
        QCOMPARE(engine.Position(), qint64(0));
        if (playable)
            verifyAboutOneSecond(engine.Length());

        engine.Command(u"PLAY"_s);
        if (polled)
            QVERIFY(endsWithin(engine, 5000));
        else
            QTRY_COMPARE_WITH_TIMEOUT(heard, 1, 5000);
        // Whatever is still on the bus or queued must not tell of the end again.
        QTest::qWait(100);
        QCOMPARE(heard, polled ? 0 : 1);
        QCOMPARE(engine.mode(), Mode::Stopped);
        QCOMPARE(engine.failed(), !playable);
        if (playable) {
            engine.poll(); // as the tick that the end handler starts does
            verifyAboutOneSecond(engine.Length());
            QCOMPARE(engine.Position(), engine.Length());
        }
        openFile(engine, file("a.wav"));
        QVERIFY(!engine.failed());
    }

    void buttonsAndSeek_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("wav") << "a.wav"_ba;
        QTest::newRow("mp3") << "a.mp3"_ba;
        QTest::newRow("mpg, which starts late") << "a.mpg"_ba;
    }

    void buttonsAndSeek()
    {
        QFETCH(QByteArray, name);
        GstEngine engine(realTime);
        // The start-up "Open" comes before any file name.
        engine.Command(u"Open"_s);
        QCOMPARE(engine.mode(), Mode::NotReady);
        openFile(engine, file(name));
        engine.Command(u"play"_s);
        // What a click on the progress bar sends.
        engine.Command(u"Stop"_s);
        QCOMPARE(engine.mode(), Mode::Stopped);
        engine.setFrom(600);
        // A real-time sink moves on no faster than the clock.
        QElapsedTimer clock;
        clock.start();
        engine.Command(u"Play"_s);
        QCOMPARE(engine.mode(), Mode::Playing);
        const qint64 from = engine.Position();
        QVERIFY2(from >= 580 && from < 650 + clock.elapsed(), qPrintable(QString::number(from)));
        clock.restart();
        engine.rewind();
        QVERIFY(engine.Position() < 50 + clock.elapsed());
        // The Stop button sends "stop" and then "open" on the file still open.
        engine.Command(u"stop"_s);
        QCOMPARE(engine.mode(), Mode::Stopped);
        engine.Command(u"open"_s);
        QVERIFY(!engine.failed());
        QCOMPARE(engine.mode(), Mode::Stopped);
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
        const QByteArray silent = output(engine, file("a.wav"), out);
        QVERIFY(!silent.isEmpty());
        QCOMPARE(silent.count('\0'), silent.size());
        engine.setSilent(false);
        const QByteArray bytes = output(engine, file("dense.mid"), out);
        std::vector<float> samples(static_cast<size_t>(bytes.size()) / sizeof(float));
        QVERIFY(!samples.empty());
        std::memcpy(samples.data(), bytes.constData(), samples.size() * sizeof(float));
        float peak = 0;
        for (float x : samples)
            peak = std::max(peak, std::abs(x));
        QVERIFY2(peak < 1.0f && peak > 0.5f, qPrintable(QString::number(peak)));
    }
};

QTEST_MAIN(GstEngineTest)
#include "tst_gstengine.moc"
