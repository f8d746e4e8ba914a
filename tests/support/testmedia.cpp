#include "tests/support/testmedia.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace
{

// A 440 Hz tone in buffers of a tenth of a second.
QString tone(int tenths)
{
    return QStringLiteral("audiotestsrc num-buffers=%1 samplesperbuffer=4410 ! "
                          "audio/x-raw,rate=44100,channels=2 ! audioconvert")
        .arg(tenths);
}

QString sink(const QString& path)
{
    return QStringLiteral(" ! filesink location=\"") + path + u'"';
}

// What turns raw sound into a file of the format `ext`; empty for others.
QString audioEncoder(const QString& ext)
{
    if (ext == u"wav")
        return QStringLiteral("wavenc");
    if (ext == u"mp3")
        return QStringLiteral("lamemp3enc ! xingmux ! id3v2mux");
    if (ext == u"wma")
        return QStringLiteral("avenc_wmav2 ! asfmux");
    return {};
}

// A C major chord on the piano. At 96 ticks a quarter and 120 bpm a second
// has 192 ticks; the two-byte delta of the notes off holds 128 to 16383 ticks.
QByteArray midi(int tenths)
{
    const int ticks = tenths * 192 / 10;
    QByteArray bytes =
        QByteArrayLiteral("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60" // format 0, one track
                          "MTrk\x00\x00\x00\x27"                         // 39 bytes of events
                          "\x00\xFF\x51\x03\x07\xA1\x20"                 // tempo 500000 us
                          "\x00\xC0\x00"                                 // piano
                          "\x00\x90\x3C\x64\x00\x90\x40\x64\x00\x90\x43\x64"); // notes on
    bytes += char(0x80 | ticks >> 7);
    bytes += char(ticks & 0x7F);
    bytes += QByteArrayLiteral("\x80\x3C\x40\x00\x80\x40\x40\x00\x80\x43\x40" // notes off
                               "\x00\xFF\x2F\x00");                           // end of track
    return bytes;
}

bool write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

bool TestMedia::create(const QString& path, int tenths)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == u"mid")
        return write(path, midi(tenths));
    if (ext == u"jpg")
        return run(QStringLiteral("videotestsrc num-buffers=1 ! jpegenc") + sink(path));
    if (ext == u"avi")
        return run(QStringLiteral("videotestsrc num-buffers=%1 ! "
                                  "video/x-raw,width=160,height=120,framerate=10/1 ! jpegenc ! "
                                  "avimux name=mux")
                       .arg(tenths) +
                   sink(path) + u' ' + tone(tenths) + QStringLiteral(" ! mux."));
    // Not mplex: now and then it rejects this input as an invalid audio stream
    // and ends its process. Not mpegpsmux: its files read as half their length.
    if (ext == u"mpg")
        return run(QStringLiteral("videotestsrc num-buffers=%1 ! "
                                  "video/x-raw,width=352,height=288,framerate=25/1 ! "
                                  "mpeg2enc format=0 ! mpegvideoparse ! avmux_mpeg name=mux")
                       .arg(tenths * 5 / 2) +
                   sink(path) + u' ' + tone(tenths) +
                   QStringLiteral(" ! twolamemp2enc ! mpegaudioparse ! mux."));
    const QString encoder = audioEncoder(ext);
    return !encoder.isEmpty() && run(tone(tenths) + QStringLiteral(" ! ") + encoder + sink(path));
}

bool TestMedia::encode(const QString& wav, const QString& path)
{
    const QString encoder = audioEncoder(QFileInfo(path).suffix().toLower());
    return !encoder.isEmpty() &&
           run(QStringLiteral("filesrc location=\"") + wav +
               QStringLiteral("\" ! wavparse ! audioconvert ! ") + encoder + sink(path));
}

// In a child process: mjpegtools' MPEG encoder leaks, and may end the process
// that runs it with exit().
bool TestMedia::run(const QString& pipeline)
{
    QProcess gst;
    gst.setProcessChannelMode(QProcess::ForwardedChannels);
    gst.start(QStringLiteral("gst-launch-1.0"),
              QStringList(QStringLiteral("-q")) + QProcess::splitCommand(pipeline));
    // As long as it takes on a busy machine: the test's own timeout ends one that hangs.
    return gst.waitForFinished(-1) && gst.exitStatus() == QProcess::NormalExit &&
           gst.exitCode() == 0;
}
