#include "tests/support/testmedia.h"

#include "platform/gsthandle.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>

namespace
{

constexpr GstClockTime timeoutNs = 30'000'000'000;

// One second of a 440 Hz tone in ten buffers.
const QString tone = QStringLiteral("audiotestsrc num-buffers=10 samplesperbuffer=4410 ! "
                                    "audio/x-raw,rate=44100,channels=2 ! audioconvert");

// A C major chord held for one second (192 ticks of 96 per quarter at 120 bpm).
const QByteArray midi =
    QByteArrayLiteral("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60"         // format 0, one track
                      "MTrk\x00\x00\x00\x27"                                 // 39 bytes of events
                      "\x00\xFF\x51\x03\x07\xA1\x20"                         // tempo 500000 us
                      "\x00\xC0\x00"                                         // piano
                      "\x00\x90\x3C\x64\x00\x90\x40\x64\x00\x90\x43\x64"     // notes on
                      "\x81\x40\x80\x3C\x40\x00\x80\x40\x40\x00\x80\x43\x40" // notes off
                      "\x00\xFF\x2F\x00");                                   // end of track

bool writeMidi(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(midi) == midi.size();
}

} // namespace

bool TestMedia::create(const QString& path)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    const QString file = QStringLiteral(" ! filesink location=\"") + path + u'"';
    if (ext == u"mid")
        return writeMidi(path);
    if (ext == u"wav")
        return run(tone + QStringLiteral(" ! wavenc") + file);
    if (ext == u"mp3")
        return run(tone + QStringLiteral(" ! lamemp3enc ! xingmux ! id3v2mux") + file);
    if (ext == u"wma")
        return run(tone + QStringLiteral(" ! avenc_wmav2 ! asfmux") + file);
    if (ext == u"avi")
        return run(QStringLiteral("videotestsrc num-buffers=10 ! "
                                  "video/x-raw,width=160,height=120,framerate=10/1 ! jpegenc ! "
                                  "avimux name=mux") +
                   file + u' ' + tone + QStringLiteral(" ! mux."));
    if (ext == u"mpg")
        return run(QStringLiteral("videotestsrc num-buffers=25 ! "
                                  "video/x-raw,width=352,height=288,framerate=25/1 ! "
                                  "mpeg2enc format=0 ! mplex name=mux") +
                   file + u' ' + tone + QStringLiteral(" ! twolamemp2enc ! mux."));
    if (ext == u"jpg")
        return run(QStringLiteral("videotestsrc num-buffers=1 ! jpegenc") + file);
    return false;
}

bool TestMedia::run(const QString& pipeline)
{
    if (!gst_init_check(nullptr, nullptr, nullptr))
        return false;
    GError* error = nullptr;
    const GstHandle<GstElement> p(gst_parse_launch(pipeline.toUtf8().constData(), &error),
                                  GstRef::NeedsRef);
    if (error) {
        qWarning() << pipeline << error->message;
        g_error_free(error);
        return false;
    }
    const GstHandle<GstBus> bus(gst_element_get_bus(p.get()), GstRef::Owned);
    gst_element_set_state(p.get(), GST_STATE_PLAYING);
    const GstHandle<GstMessage> end(
        gst_bus_timed_pop_filtered(
            bus.get(), timeoutNs, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)),
        GstRef::Owned);
    gst_element_set_state(p.get(), GST_STATE_NULL);
    return end && end->type == GST_MESSAGE_EOS;
}
