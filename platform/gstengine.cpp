#include "platform/gstengine.h"

#include <QApplication>
#include <QMutex>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

// Shows the picture. Frames arrive from a streaming thread; only the newest
// waits to be painted, so a window that falls behind drops frames instead of
// queueing them.
class VideoWindow final : public QWidget
{
public:
    VideoWindow()
    {
        setWindowTitle(QStringLiteral("Tonlaterne - Video"));
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    // The size the picture is meant to be seen at, pixel aspect included.
    void setPictureSize(QSize size)
    {
        m_pictureSize = size;
        resize(size);
    }

    void deliver(QImage frame)
    {
        const QMutexLocker lock(&m_mutex);
        if (m_next.isNull())
            QMetaObject::invokeMethod(this, &VideoWindow::takeFrame, Qt::QueuedConnection);
        m_next = std::move(frame);
    }

    void clear()
    {
        const QMutexLocker lock(&m_mutex);
        m_next = {};
        m_frame = {};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        if (m_frame.isNull())
            return;
        QRect target({}, m_pictureSize.scaled(size(), Qt::KeepAspectRatio));
        target.moveCenter(rect().center());
        painter.drawImage(target, m_frame);
    }

private:
    void takeFrame()
    {
        {
            const QMutexLocker lock(&m_mutex);
            m_frame = std::exchange(m_next, {});
        }
        update();
    }

    QMutex m_mutex;
    QImage m_next; // guarded by m_mutex
    QImage m_frame;
    QSize m_pictureSize;
};

namespace
{

constexpr gint64 nsPerMs = 1'000'000;
constexpr GstClockTime settleTimeoutNs = 2'000 * nsPerMs;
// fluidsynth's own gain of 0.2 leaves MIDI files far quieter than recordings;
// at 0.5 they are about as loud, and the limiter catches the peaks of dense
// passages, which would otherwise go up to 4 dB over full scale.
constexpr double midiGain = 0.5;

GstElement* newPlaybin()
{
    static const bool initialised = gst_init_check(nullptr, nullptr, nullptr);
    GstElement* playbin = initialised ? gst_element_factory_make("playbin", nullptr) : nullptr;
    if (!playbin)
        qFatal("GStreamer's playbin is not available");
    return playbin;
}

GstElement* sinkFrom(const QString& description)
{
    GstElement* sink =
        gst_parse_bin_from_description(description.toUtf8().constData(), TRUE, nullptr);
    return sink ? sink : gst_element_factory_make("fakesink", nullptr);
}

qintptr pollFd(GstBus* bus)
{
    GPollFD fd{};
    gst_bus_get_pollfd(bus, &fd);
    return fd.fd;
}

void onElementSetup(GstElement*, GstElement* element, gpointer limiter)
{
    GstElementFactory* factory = gst_element_get_factory(element);
    g_autofree gchar* name =
        factory ? gst_object_get_name(reinterpret_cast<GstObject*>(factory)) : nullptr;
    if (g_strcmp0(name, "fluiddec") != 0)
        return;
    g_object_set(element, "synth-gain", midiGain, nullptr);
    if (limiter)
        g_object_set(limiter, "enabled", TRUE, nullptr);
}

// Runs on a streaming thread. The frame is copied so that the decoder gets its
// buffer back at once.
GstFlowReturn showFrame(GstSample* pulled, gpointer window)
{
    const GstHandle<GstSample> sample(pulled, GstRef::Owned);
    GstVideoInfo info;
    GstVideoFrame frame;
    if (!sample || !gst_video_info_from_caps(&info, gst_sample_get_caps(sample.get())) ||
        !gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample.get()), GST_MAP_READ))
        return GST_FLOW_OK;
    const QImage image(static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                       GST_VIDEO_FRAME_WIDTH(&frame), GST_VIDEO_FRAME_HEIGHT(&frame),
                       GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0), QImage::Format_RGB32);
    static_cast<VideoWindow*>(window)->deliver(image.copy());
    gst_video_frame_unmap(&frame);
    return GST_FLOW_OK;
}

// Draws through Qt, so the picture shows wherever a widget does: X11, Wayland
// or any other platform.
GstElement* videoSinkFor(VideoWindow* window)
{
    // Qt's own format for opaque pictures, which it paints without converting:
    // 0xffRRGGBB in the machine's byte order.
    const bool littleEndian = QSysInfo::ByteOrder == QSysInfo::LittleEndian;
    GstElement* bin = sinkFrom(QStringLiteral("videoconvert ! appsink name=frames "
                                              "caps=video/x-raw,format=") +
                               (littleEndian ? u"BGRx" : u"xRGB"));
    // Without the plugins sinkFrom gives a fakesink: no picture, but the sound.
    const GstHandle<GstElement> appsink(
        GST_IS_BIN(bin) ? gst_bin_get_by_name(GST_BIN(bin), "frames") : nullptr, GstRef::Owned);
    if (!appsink)
        return bin;
    GstAppSinkCallbacks callbacks{};
    callbacks.new_preroll = [](GstAppSink* sink, gpointer w) {
        return showFrame(gst_app_sink_pull_preroll(sink), w);
    };
    callbacks.new_sample = [](GstAppSink* sink, gpointer w) {
        return showFrame(gst_app_sink_pull_sample(sink), w);
    };
    gst_app_sink_set_callbacks(GST_APP_SINK(appsink.get()), &callbacks, window, nullptr);
    return bin;
}

// Takes the tags of a message that the player shows into `tags`.
void mergeTags(GstMessage* message, MediaEngine::Tags& tags)
{
    GstTagList* list = nullptr;
    gst_message_parse_tag(message, &list);
    const auto text = [list](const char* tag, QString& into) {
        const gchar* value = nullptr;
        if (gst_tag_list_peek_string_index(list, tag, 0, &value))
            into = QString::fromUtf8(value);
    };
    const auto texts = [list](const char* tag, QStringList& into) {
        const guint n = gst_tag_list_get_tag_size(list, tag);
        if (n > 0)
            into.clear();
        const gchar* value = nullptr;
        for (guint i = 0; i < n; ++i)
            if (gst_tag_list_peek_string_index(list, tag, i, &value))
                into.append(QString::fromUtf8(value));
    };
    text(GST_TAG_TITLE, tags.title);
    text(GST_TAG_ALBUM, tags.album);
    texts(GST_TAG_ARTIST, tags.artists);
    texts(GST_TAG_ALBUM_ARTIST, tags.albumArtists);
    texts(GST_TAG_GENRE, tags.genres);
    if (guint number = 0; gst_tag_list_get_uint(list, GST_TAG_TRACK_NUMBER, &number))
        tags.trackNumber = static_cast<int>(number);
    GstSample* picture = nullptr;
    if (gst_tag_list_get_sample(list, GST_TAG_IMAGE, &picture) ||
        gst_tag_list_get_sample(list, GST_TAG_PREVIEW_IMAGE, &picture)) {
        const GstHandle<GstSample> sample(picture, GstRef::Owned);
        GstBuffer* buffer = gst_sample_get_buffer(picture);
        GstCaps* caps = gst_sample_get_caps(picture);
        GstMapInfo map;
        if (buffer && caps && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            tags.cover = QByteArray(reinterpret_cast<const char*>(map.data),
                                    static_cast<qsizetype>(map.size));
            tags.coverType =
                QString::fromUtf8(gst_structure_get_name(gst_caps_get_structure(caps, 0)));
            gst_buffer_unmap(buffer, &map);
        }
    }
    gst_tag_list_unref(list);
}

} // namespace

GstEngine::GstEngine(const Sinks& sinks, QObject* parent)
    : QObject(parent), m_playbin(newPlaybin(), GstRef::NeedsRef),
      m_limiter(gst_element_factory_make("rglimiter", nullptr), GstRef::NeedsRef),
      m_bus(gst_element_get_bus(m_playbin.get()), GstRef::Owned),
      m_busWatch(pollFd(m_bus.get()), QSocketNotifier::Read)
{
    // WORKAROUND: playbin's own soft volume leaks its volume element, pads
    // included, each time the pipeline goes to NULL (GStreamer 1.22). Given a
    // sink that has a volume, it uses that one and makes none of its own.
    GstElement* audio =
        sinkFrom(QStringLiteral("volume ! ") +
                 (sinks.audio.isEmpty() ? QStringLiteral("autoaudiosink") : sinks.audio));
    GstElement* video = nullptr;
    if (!sinks.video.isEmpty()) {
        video = sinkFrom(sinks.video);
    } else if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        auto window = std::make_unique<VideoWindow>();
        video = videoSinkFor(window.get());
        m_videoWindow = std::move(window);
    }
    if (!video)
        video = gst_element_factory_make("fakesink", nullptr);
    g_object_set(m_playbin.get(), "audio-sink", audio, "video-sink", video, nullptr);
    if (m_limiter)
        g_object_set(m_playbin.get(), "audio-filter", m_limiter.get(), nullptr);
    g_signal_connect_data(m_playbin.get(), "element-setup",
                          reinterpret_cast<GCallback>(&onElementSetup), m_limiter.get(), nullptr,
                          GConnectFlags{});
    connect(&m_busWatch, &QSocketNotifier::activated, this, [this] {
        drainBus();
        reportNewEnd();
    });
}

GstEngine::~GstEngine()
{
    gst_element_set_state(m_playbin.get(), GST_STATE_NULL);
}

void GstEngine::Command(const QString& command)
{
    const QString c = command.toLower();
    if (c == u"open")
        open();
    else if (c == u"play")
        play();
    else if (c == u"stop")
        stop();
    else if (c == u"close")
        close();
}

void GstEngine::setFileName(const std::filesystem::path& file)
{
    m_fileName = file;
}

void GstEngine::setFrom(qint64 ms)
{
    m_from = ms;
}

void GstEngine::setSilent(bool silent)
{
    g_object_set(m_playbin.get(), "mute", static_cast<gboolean>(silent), nullptr);
}

void GstEngine::pause()
{
    if (!playable())
        return;
    changeState(GST_STATE_PAUSED);
    m_mode = Mode::Paused;
}

void GstEngine::resume()
{
    if (m_mode != Mode::Paused || !playable())
        return;
    changeState(GST_STATE_PLAYING);
    m_mode = Mode::Playing;
}

void GstEngine::rewind()
{
    if (playable())
        seekTo(0);
}

void GstEngine::poll()
{
    drainBus();
    if (finished())
        m_endTaken = true;
    updateLength();
}

qint64 GstEngine::Length() const
{
    return m_length;
}

qint64 GstEngine::Position() const
{
    if (m_mode == Mode::NotReady)
        return 0;
    // The player takes Position == Length for the end, so only the end of the
    // stream reports it: mp3 positions stop some 30 ms short of the duration,
    // and estimated durations (VBR mp3, MPEG) can be shorter than what plays.
    if (m_ended)
        return m_length;
    gint64 ns = 0;
    if (!gst_element_query_position(m_playbin.get(), GST_FORMAT_TIME, &ns))
        return 0;
    const qint64 ms = std::max<qint64>(0, (ns - m_originNs) / nsPerMs);
    return m_length > 0 ? std::min(ms, m_length - 1) : ms;
}

MediaEngine::Mode GstEngine::mode() const
{
    if (m_mode != Mode::NotReady && finished())
        return Mode::Stopped;
    return m_mode;
}

bool GstEngine::failed() const
{
    return m_failed;
}

void GstEngine::open()
{
    close();
    m_tags = {};
    reportTags(m_tags);
    if (m_fileName.empty())
        return;
    m_mode = Mode::Stopped;
    g_autofree gchar* uri = gst_filename_to_uri(m_fileName.c_str(), nullptr);
    if (!uri) {
        fail();
        return;
    }
    g_object_set(m_playbin.get(), "uri", uri, nullptr);
    if (m_limiter)
        g_object_set(m_limiter.get(), "enabled", FALSE, nullptr);
    if (changeState(GST_STATE_PAUSED) != GST_STATE_CHANGE_SUCCESS)
        return;
    gint64 ns = 0;
    if (gst_element_query_position(m_playbin.get(), GST_FORMAT_TIME, &ns) && ns > 0)
        m_originNs = ns;
    updateLength();
    gint audio = 0;
    gint video = 0;
    g_object_get(m_playbin.get(), "n-audio", &audio, "n-video", &video, nullptr);
    // A picture prerolls as a video without a length: nothing would ever end.
    if (audio == 0 && m_length == 0)
        fail();
    else if (video > 0 && m_videoWindow)
        showVideo();
}

void GstEngine::play()
{
    if (!playable())
        return;
    if (m_from) {
        seekTo(*m_from);
        m_from.reset();
    }
    changeState(GST_STATE_PLAYING);
    m_mode = Mode::Playing;
}

void GstEngine::stop()
{
    if (!playable())
        return;
    changeState(GST_STATE_PAUSED);
    m_mode = Mode::Stopped;
}

void GstEngine::close()
{
    // Going to NULL also flushes the bus of the old file's messages.
    gst_element_set_state(m_playbin.get(), GST_STATE_NULL);
    if (m_videoWindow) {
        m_videoWindow->hide();
        m_videoWindow->clear();
    }
    m_from.reset();
    m_originNs = 0;
    m_mode = Mode::NotReady;
    m_ended = false;
    m_failed = false;
    m_endTaken = false;
    m_length = 0;
}

bool GstEngine::playable() const
{
    return m_mode != Mode::NotReady && !m_failed;
}

// The end handler hears of a failure from the event loop, like of an end of
// stream, even when a command found it.
void GstEngine::fail()
{
    if (m_failed)
        return;
    m_failed = true;
    QMetaObject::invokeMethod(this, &GstEngine::reportNewEnd, Qt::QueuedConnection);
}

GstStateChangeReturn GstEngine::changeState(GstState state)
{
    return settle(gst_element_set_state(m_playbin.get(), state));
}

// Waits (bounded) for an asynchronous state change or seek to complete. A
// change that fails means the file cannot be played.
GstStateChangeReturn GstEngine::settle(GstStateChangeReturn change)
{
    if (change == GST_STATE_CHANGE_ASYNC)
        change = gst_element_get_state(m_playbin.get(), nullptr, nullptr, settleTimeoutNs);
    if (change == GST_STATE_CHANGE_FAILURE)
        fail();
    return change;
}

void GstEngine::seekTo(qint64 ms)
{
    // An end that arrived before the seek belongs to the old position.
    drainBus();
    updateLength();
    const qint64 target = std::max<qint64>(0, m_length > 0 ? std::min(ms, m_length) : ms);
    const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
    if (gst_element_seek_simple(m_playbin.get(), GST_FORMAT_TIME, flags,
                                m_originNs + target * nsPerMs)) {
        m_ended = false;
        m_endTaken = false;
        settle(GST_STATE_CHANGE_ASYNC);
    }
}

void GstEngine::showVideo()
{
    GstPad* videoPad = nullptr;
    g_signal_emit_by_name(m_playbin.get(), "get-video-pad", 0, &videoPad);
    const GstHandle<GstPad> pad(videoPad, GstRef::Owned);
    const GstHandle<GstCaps> caps(pad ? gst_pad_get_current_caps(pad.get()) : nullptr,
                                  GstRef::Owned);
    GstVideoInfo info;
    if (caps && gst_video_info_from_caps(&info, caps.get()))
        m_videoWindow->setPictureSize(
            {info.width * std::max(info.par_n, 1) / std::max(info.par_d, 1), info.height});
    // Shown from the event loop, so that a film that starts with the program
    // opens over the main window, which shows last; unless another file came.
    QMetaObject::invokeMethod(
        m_videoWindow.get(),
        [this, file = m_fileName] {
            if (m_fileName == file && playable())
                m_videoWindow->show();
        },
        Qt::QueuedConnection);
}

void GstEngine::updateLength()
{
    // Asked afresh each time: CBR mp3 without a Xing header tells its duration
    // only once it plays, and VBR estimates improve while it plays.
    gint64 ns = 0;
    if (m_mode != Mode::NotReady &&
        gst_element_query_duration(m_playbin.get(), GST_FORMAT_TIME, &ns) && ns > 0)
        m_length = ns / nsPerMs;
}

void GstEngine::drainBus()
{
    while (const auto message = GstHandle<GstMessage>(gst_bus_pop(m_bus.get()), GstRef::Owned)) {
        switch (message->type) {
        case GST_MESSAGE_EOS:
            m_ended = true;
            break;
        case GST_MESSAGE_ERROR:
            fail();
            break;
        case GST_MESSAGE_TAG: {
            Tags tags = m_tags;
            mergeTags(message.get(), tags);
            if (tags != m_tags) {
                m_tags = std::move(tags);
                reportTags(m_tags);
            }
            break;
        }
        default: // warnings included: a missing sound card is not the file's fault
            break;
        }
    }
}

// Once per end, and never from poll(): the player's tick handles what it polls.
void GstEngine::reportNewEnd()
{
    if (m_mode == Mode::NotReady || !finished() || m_endTaken)
        return;
    m_endTaken = true;
    reportEnd();
}
