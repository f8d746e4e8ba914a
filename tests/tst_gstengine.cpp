#include "platform/gstengine.h"
#include "tests/support/testmedia.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace
{

const GstEngine::Sinks fast{QStringLiteral("fakesink sync=false"),
                            QStringLiteral("fakesink sync=false")};
const GstEngine::Sinks realTime{QStringLiteral("fakesink sync=true"),
                                QStringLiteral("fakesink sync=true")};

// Polls the way the player's tick does, without an event loop.
bool endsWithin(GstEngine& engine, int ms)
{
    const QDeadlineTimer deadline(ms);
    for (engine.poll(); engine.mode() != MediaEngine::Mode::Stopped; engine.poll()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(5);
    }
    return true;
}

void openFile(GstEngine& engine, const fs::path& file)
{
    engine.Command(QStringLiteral("close"));
    engine.setFileName(file);
    engine.Command(QStringLiteral("open"));
}

bool aboutOneSecond(qint64 ms)
{
    return ms > 900 && ms < 1150;
}

// One second of seven instruments striking four-note chords at full velocity:
// denser than the loudest passages of real MIDI music.
QByteArray denseMidi()
{
    constexpr int instruments = 7;
    QByteArray events;
    const auto add = [&events](std::initializer_list<int> bytes) {
        for (int b : bytes)
            events.append(static_cast<char>(b));
    };
    for (int ch = 0; ch < instruments; ++ch)
        add({0, 0xC0 | ch, ch * 8}); // program change
    for (int ch = 0; ch < instruments; ++ch)
        for (int note : {48, 52, 55, 60})
            add({0, 0x90 | ch, note + ch, 127});
    add({0x81, 0x40, 0xFF, 0x2F, 0}); // end of track after 192 ticks
    QByteArray file("MThd\0\0\0\x06\0\0\0\x01\0\x60MTrk", 18);
    for (int shift : {24, 16, 8, 0})
        file.append(static_cast<char>(events.size() >> shift));
    return file + events;
}

} // namespace

class GstEngineTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void opensAndPlaysToTheEnd_data();
    void opensAndPlaysToTheEnd();
    void seekLandsNearTheTarget_data();
    void seekLandsNearTheTarget();
    void buttonBarAndStopThenOpen();
    void muteSilencesTheOutput();
    void unplayableFilesFail_data();
    void unplayableFilesFail();
    void endHandlerHearsOfEachEndOnce_data();
    void endHandlerHearsOfEachEndOnce();
    void midiStaysBelowFullScale();

private:
    // Names are bytes: not every file name is valid UTF-8.
    fs::path file(const QByteArray& name) const
    {
        return fs::path(m_dir.path().toStdString()) / name.toStdString();
    }
    QTemporaryDir m_dir;
};

void GstEngineTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    for (const char* name : {"a.wav", "a.mp3", "a.wma", "a.avi", "a.mpg", "a.mid", "picture.jpg"})
        QVERIFY2(TestMedia::create(m_dir.filePath(QLatin1StringView(name))), name);
    QVERIFY(TestMedia::run(QStringLiteral("audiotestsrc num-buffers=10 samplesperbuffer=4410 ! "
                                          "lamemp3enc target=bitrate cbr=true bitrate=128 ! "
                                          "filesink location=\"") +
                           m_dir.filePath(QStringLiteral("cbr.mp3")) + u'"'));

    fs::copy_file(file("a.mp3"), file("Lied #1 – Grüße aus Köln 100%.mp3"));
    fs::copy_file(file("a.mid"), file("alt \xE4\xF6\xFC.mid"));
    fs::copy_file(file("picture.jpg"), file("picture.mp3"));
    fs::copy_file(file("a.mp3"), file("truncated.mp3"));
    fs::resize_file(file("truncated.mp3"), 100);
    QFile text(m_dir.filePath(QStringLiteral("notes.txt")));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("Einkaufsliste: Milch, Brot\n");
    QFile empty(m_dir.filePath(QStringLiteral("empty.mp3")));
    QVERIFY(empty.open(QIODevice::WriteOnly));
}

// QTemporaryDir cannot remove a name that is not valid UTF-8.
void GstEngineTest::cleanupTestCase()
{
    fs::remove_all(file({}));
}

void GstEngineTest::opensAndPlaysToTheEnd_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("lengthAtOpen");
    QTest::newRow("wav") << QByteArray("a.wav") << true;
    QTest::newRow("mp3") << QByteArray("a.mp3") << true;
    QTest::newRow("mp3 without Xing header") << QByteArray("cbr.mp3") << false;
    QTest::newRow("wma") << QByteArray("a.wma") << true;
    QTest::newRow("avi") << QByteArray("a.avi") << true;
    QTest::newRow("mpg") << QByteArray("a.mpg") << true;
    QTest::newRow("mid") << QByteArray("a.mid") << true;
    QTest::newRow("#, blanks, umlauts, %")
        << QByteArray("Lied #1 – Grüße aus Köln 100%.mp3") << true;
    QTest::newRow("not UTF-8") << QByteArray("alt \xE4\xF6\xFC.mid") << true;
}

void GstEngineTest::opensAndPlaysToTheEnd()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, lengthAtOpen);
    GstEngine engine(fast);
    openFile(engine, file(name));
    QVERIFY(!engine.failed());
    QCOMPARE(engine.mode(), MediaEngine::Mode::Stopped);
    QCOMPARE(engine.Position(), qint64(0));
    if (lengthAtOpen)
        QVERIFY2(aboutOneSecond(engine.Length()), qPrintable(QString::number(engine.Length())));

    engine.Command(QStringLiteral("PLAY"));
    QVERIFY(endsWithin(engine, 5000));
    QVERIFY(!engine.failed());
    QVERIFY2(aboutOneSecond(engine.Length()), qPrintable(QString::number(engine.Length())));
    QCOMPARE(engine.Position(), engine.Length());
}

void GstEngineTest::seekLandsNearTheTarget_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("wav") << QByteArray("a.wav");
    QTest::newRow("mp3") << QByteArray("a.mp3");
    QTest::newRow("mpg, which starts late") << QByteArray("a.mpg");
}

void GstEngineTest::seekLandsNearTheTarget()
{
    QFETCH(QByteArray, name);
    GstEngine engine(realTime);
    openFile(engine, file(name));
    engine.Command(QStringLiteral("play"));

    // What a click on the progress bar sends.
    engine.Command(QStringLiteral("Stop"));
    QCOMPARE(engine.mode(), MediaEngine::Mode::Stopped);
    engine.setFrom(600);
    engine.Command(QStringLiteral("Play"));
    QCOMPARE(engine.mode(), MediaEngine::Mode::Playing);
    const qint64 position = engine.Position();
    QVERIFY2(position >= 580 && position < 750, qPrintable(QString::number(position)));
}

void GstEngineTest::buttonBarAndStopThenOpen()
{
    GstEngine engine(realTime);
    // The start-up "Open" comes before any file name.
    engine.Command(QStringLiteral("Open"));
    QCOMPARE(engine.mode(), MediaEngine::Mode::NotReady);

    openFile(engine, file("a.wav"));
    engine.Command(QStringLiteral("play"));
    QTRY_VERIFY_WITH_TIMEOUT(engine.Position() >= 150, 2000);
    engine.pause();
    QCOMPARE(engine.mode(), MediaEngine::Mode::Paused);
    const qint64 paused = engine.Position();
    QTest::qWait(150);
    QCOMPARE(engine.Position(), paused);
    engine.resume();
    QCOMPARE(engine.mode(), MediaEngine::Mode::Playing);
    QTRY_VERIFY_WITH_TIMEOUT(engine.Position() > paused, 2000);
    engine.rewind();
    QVERIFY(engine.Position() < paused);

    // The Stop button sends "stop" and then "open" on the file still open.
    engine.Command(QStringLiteral("stop"));
    QCOMPARE(engine.mode(), MediaEngine::Mode::Stopped);
    engine.Command(QStringLiteral("open"));
    QVERIFY(!engine.failed());
    QCOMPARE(engine.mode(), MediaEngine::Mode::Stopped);
    QCOMPARE(engine.Position(), qint64(0));
    engine.Command(QStringLiteral("play"));
    QCOMPARE(engine.mode(), MediaEngine::Mode::Playing);
}

void GstEngineTest::muteSilencesTheOutput()
{
    const QString out = m_dir.filePath(QStringLiteral("out.raw"));
    GstEngine engine({QStringLiteral("filesink location=\"") + out + u'"',
                      QStringLiteral("fakesink sync=false")});
    const auto output = [&] {
        openFile(engine, file("a.wav"));
        engine.Command(QStringLiteral("play"));
        const bool ended = endsWithin(engine, 3000);
        engine.Command(QStringLiteral("close"));
        QFile f(out);
        return ended && f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };

    // Set once, the mute holds for every file opened after it.
    engine.setSilent(true);
    const QByteArray silent = output();
    QVERIFY(!silent.isEmpty());
    QCOMPARE(silent.count('\0'), silent.size());

    engine.setSilent(false);
    const QByteArray loud = output();
    QVERIFY(!loud.isEmpty());
    QVERIFY(loud.count('\0') < loud.size());
}

void GstEngineTest::unplayableFilesFail_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("missing") << QByteArray("missing.mp3");
    QTest::newRow("text") << QByteArray("notes.txt");
    QTest::newRow("picture named .mp3") << QByteArray("picture.mp3");
    QTest::newRow("zero bytes") << QByteArray("empty.mp3");
    QTest::newRow("truncated") << QByteArray("truncated.mp3");
}

void GstEngineTest::unplayableFilesFail()
{
    QFETCH(QByteArray, name);
    GstEngine engine(fast);
    openFile(engine, file(name));
    QVERIFY(engine.failed());
    QCOMPARE(engine.mode(), MediaEngine::Mode::Stopped);
    engine.Command(QStringLiteral("play"));
    QVERIFY(engine.failed());

    openFile(engine, file("a.wav"));
    QVERIFY(!engine.failed());
}

void GstEngineTest::endHandlerHearsOfEachEndOnce_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("polled");
    QTest::addColumn<int>("reports");
    QTest::newRow("end of stream") << QByteArray("a.wav") << false << 1;
    QTest::newRow("failure") << QByteArray("notes.txt") << false << 1;
    // The player's tick handles what its poll took in; a report would repeat it.
    QTest::newRow("end taken in by poll") << QByteArray("a.wav") << true << 0;
    QTest::newRow("failure taken in by poll") << QByteArray("notes.txt") << true << 0;
}

void GstEngineTest::endHandlerHearsOfEachEndOnce()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, polled);
    QFETCH(int, reports);
    GstEngine engine(fast);
    int heard = 0;
    engine.setEndHandler([&] { ++heard; });
    openFile(engine, file(name));
    engine.Command(QStringLiteral("play"));
    if (polled)
        QVERIFY(endsWithin(engine, 5000));
    else
        QTRY_COMPARE_WITH_TIMEOUT(heard, 1, 5000);
    QCOMPARE(engine.mode(), MediaEngine::Mode::Stopped);

    // Whatever is still on the bus or queued must not report the end again.
    QTest::qWait(100);
    QCOMPARE(heard, reports);
}

void GstEngineTest::midiStaysBelowFullScale()
{
    const QString mid = m_dir.filePath(QStringLiteral("dense.mid"));
    QFile f(mid);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(denseMidi()) > 0);
    f.close();
    // Float samples show how far over full scale the output goes before a
    // sound card would clip it.
    const QString out = m_dir.filePath(QStringLiteral("midi.raw"));
    GstEngine engine(
        {QStringLiteral("audioconvert ! audio/x-raw,format=F32LE ! filesink location=\"") + out +
             u'"',
         QStringLiteral("fakesink")});
    openFile(engine, mid.toStdString());
    engine.Command(QStringLiteral("play"));
    QVERIFY(endsWithin(engine, 10000));
    engine.Command(QStringLiteral("close"));

    QFile raw(out);
    QVERIFY(raw.open(QIODevice::ReadOnly));
    const QByteArray bytes = raw.readAll();
    std::vector<float> samples(static_cast<size_t>(bytes.size()) / sizeof(float));
    QVERIFY(!samples.empty());
    std::memcpy(samples.data(), bytes.constData(), samples.size() * sizeof(float));
    float peak = 0;
    for (float x : samples)
        peak = std::max(peak, std::abs(x));
    QVERIFY2(peak < 1.0f, qPrintable(QString::number(peak)));
    QVERIFY2(peak > 0.5f, qPrintable(QString::number(peak))); // still loud
}

QTEST_MAIN(GstEngineTest)
#include "tst_gstengine.moc"
