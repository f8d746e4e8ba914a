#include "platform/gstengine.h"

#include "platform/gsthandle.h"
#include "platform/videooutput.h"

#include <QDeadlineTimer>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <gst/app/gstappsink.h>
#include <gst/video/video.h>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <thread>

namespace fs = std::filesystem;

namespace
{

constexpr gint64 nsPerMs = 1'000'000;
// How far from the end of the file before a position still counts as its.
constexpr qint64 staleSlackMs = 50;
// fluidsynth's own gain of 0.2 leaves MIDI files far quieter than recordings;
// at 0.5 they are about as loud, and the limiter catches the peaks of dense
// passages, which would otherwise go up to 4 dB over full scale.
constexpr double midiGain = 0.5;
// Posted when a state change fails without an error message of its own.
constexpr const char* stateFailed = "tonlaterne-state-failed";
// Posted when the next file is taken, with its "id".
constexpr const char* nextTaken = "tonlaterne-next-taken";
// Posted once the open file is ready to play, with what the player needs to know of it.
constexpr const char* prerollInfo = "tonlaterne-prerolled";
// How often position and length are read while a pipeline lives.
constexpr std::chrono::milliseconds sampleEvery(20);
// How often the watchdog looks whether playback moves.
constexpr std::chrono::milliseconds watchEvery(250);

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

// Formats that decode to sound alone and end where their samples end. Films,
// MIDI and whatever else take the way through the end of the stream.
bool gaplessFormat(const fs::path& file)
{
    const QString ext = QString::fromStdString(file.extension().string()).toLower();
    for (const char* known : {".wav", ".mp3", ".wma", ".ogg", ".oga", ".flac", ".opus", ".m4a"})
        if (ext == QLatin1StringView(known))
            return true;
    return false;
}

// Runs on a streaming thread. The frame is copied so that the decoder gets its
// buffer back at once.
GstFlowReturn showFrame(GstSample* pulled, gpointer output)
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
    static_cast<VideoOutput*>(output)->deliverFrame(image.copy());
    gst_video_frame_unmap(&frame);
    return GST_FLOW_OK;
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

// One playbin: the file opened and those that follow it without a gap. Its
// state changes run one after another on GStreamer's thread pool, so that a
// file that hangs holds up only its own pipeline.
class Pipeline final : public std::enable_shared_from_this<Pipeline>
{
public:
    using Task = std::function<void(GstElement*)>;
    struct Handover {
        fs::path file;
        std::string uri;
        int id = 0;
    };
    // Position and length in ns as last read, -1 where unknown, with the
    // epoch at which they were read.
    struct Sample {
        gint64 position = -1, duration = -1;
        int epoch = 0;
    };

    Pipeline(const GstEngine::Sinks& sinks, VideoOutput* video, const char* uri, bool silent)
        : m_playbin(newPlaybin(), GstRef::NeedsRef),
          m_limiter(gst_element_factory_make("rglimiter", nullptr), GstRef::NeedsRef),
          m_bus(gst_element_get_bus(m_playbin.get()), GstRef::Owned)
    {
        // WORKAROUND: playbin's own soft volume leaks its volume element, pads
        // included, each time the pipeline goes to NULL (GStreamer 1.22). Given
        // a sink that has a volume, it uses that one and makes none of its own.
        GstElement* audio =
            sinkFrom(QStringLiteral("volume ! ") +
                     (sinks.audio.isEmpty() ? QStringLiteral("autoaudiosink") : sinks.audio));
        GstElement* videoSink = !sinks.video.isEmpty() ? sinkFrom(sinks.video)
                                : video                ? videoSinkFor(video)
                                        : gst_element_factory_make("fakesink", nullptr);
        g_object_set(m_playbin.get(), "audio-sink", audio, "video-sink", videoSink, "uri", uri,
                     "mute", static_cast<gboolean>(silent), nullptr);
        if (m_limiter) {
            g_object_set(m_limiter.get(), "enabled", FALSE, nullptr);
            g_object_set(m_playbin.get(), "audio-filter", m_limiter.get(), nullptr);
        }
        g_signal_connect(m_playbin.get(), "element-setup", G_CALLBACK(&Pipeline::elementSetup),
                         this);
        g_signal_connect(m_playbin.get(), "about-to-finish", G_CALLBACK(&Pipeline::aboutToFinish),
                         this);
    }
    ~Pipeline() { g_signal_handlers_disconnect_by_data(m_playbin.get(), this); }
    Q_DISABLE_COPY_MOVE(Pipeline)

    // The reader of position and length lives as long as the pipeline does.
    void startSampling()
    {
        std::thread([self = shared_from_this()] { self->sampling(); }).detach();
    }
    Sample sample() const
    {
        const std::lock_guard lock(m_sampleMutex);
        return m_sample;
    }
    // What was read before is stale from now on.
    void newEpoch()
    {
        ++m_epoch;
        wake();
    }
    // Reads what the player needs to know of the file once it is ready, and
    // posts it.
    void prerolled()
    {
        m_prerollWanted = true;
        wake();
    }

    GstElement* playbin() const { return m_playbin.get(); }
    GstBus* bus() const { return m_bus.get(); }

    void run(Task task)
    {
        const std::lock_guard lock(m_mutex);
        if (m_retired)
            return;
        m_tasks.push_back(std::move(task));
        startWork();
    }

    // Drops what has not run yet, stops calling back, and takes the pipeline
    // to NULL after the task that runs now, however long that takes.
    void retire()
    {
        g_signal_handlers_disconnect_by_data(m_playbin.get(), this);
        if (m_frames) {
            GstAppSinkCallbacks none{};
            gst_app_sink_set_callbacks(GST_APP_SINK(m_frames), &none, nullptr, nullptr);
        }
        {
            const std::lock_guard lock(m_mutex);
            m_retired = true;
            m_next.reset();
            m_tasks.clear();
            m_tasks.push_back([](GstElement* e) { gst_element_set_state(e, GST_STATE_NULL); });
            startWork();
        }
        const std::lock_guard lock(m_sampleMutex);
        m_quit = true;
        m_wake.notify_all();
    }

    void setNext(std::optional<Handover> next)
    {
        const std::lock_guard lock(m_mutex);
        m_next = std::move(next);
    }
    // A file opened anew to go on from a later position takes no next file
    // before it stands there: what playbin took before the seek would play
    // in its place.
    void holdNext(bool hold)
    {
        const std::lock_guard lock(m_mutex);
        m_holdNext = hold;
    }
    bool handedOver()
    {
        const std::lock_guard lock(m_mutex);
        return !m_handedOver.empty();
    }
    // The files taken, which now will not follow.
    std::deque<Handover> takeHandovers()
    {
        const std::lock_guard lock(m_mutex);
        m_next.reset();
        return std::exchange(m_handedOver, {});
    }
    // The next file that playback waits on: the one being checked, or else the
    // first one taken; `taken` tells which.
    std::optional<Handover> awaited(bool& taken)
    {
        const std::lock_guard lock(m_mutex);
        taken = !m_checking;
        if (m_checking)
            return m_checking;
        if (m_handedOver.empty())
            return std::nullopt;
        return m_handedOver.front();
    }
    std::optional<Handover> takeHandover()
    {
        const std::lock_guard lock(m_mutex);
        if (m_handedOver.empty())
            return std::nullopt;
        Handover h = std::move(m_handedOver.front());
        m_handedOver.pop_front();
        return h;
    }

private:
    // Draws through the program's own window, so the picture shows wherever
    // a window does: X11, Wayland or any other platform.
    GstElement* videoSinkFor(VideoOutput* output)
    {
        // Qt's own format for opaque pictures, which it paints without
        // converting: 0xffRRGGBB in the machine's byte order.
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
        callbacks.new_preroll = [](GstAppSink* sink, gpointer o) {
            return showFrame(gst_app_sink_pull_preroll(sink), o);
        };
        callbacks.new_sample = [](GstAppSink* sink, gpointer o) {
            return showFrame(gst_app_sink_pull_sample(sink), o);
        };
        gst_app_sink_set_callbacks(GST_APP_SINK(appsink.get()), &callbacks, output, nullptr);
        m_frames = appsink.get();
        return bin;
    }

    // With m_mutex held.
    void startWork()
    {
        if (std::exchange(m_running, true))
            return;
        gst_element_call_async(
            m_playbin.get(), &Pipeline::work, new std::shared_ptr<Pipeline>(shared_from_this()),
            [](gpointer self) { delete static_cast<std::shared_ptr<Pipeline>*>(self); });
    }

    static void work(GstElement* playbin, gpointer data)
    {
        Pipeline& self = **static_cast<std::shared_ptr<Pipeline>*>(data);
        for (;;) {
            Task task;
            {
                const std::lock_guard lock(self.m_mutex);
                if (self.m_tasks.empty()) {
                    self.m_running = false;
                    return;
                }
                task = std::move(self.m_tasks.front());
                self.m_tasks.pop_front();
            }
            task(playbin);
        }
    }

    void wake()
    {
        const std::lock_guard lock(m_sampleMutex);
        m_poked = true;
        m_wake.notify_all();
    }

    // Any of these calls may wait for as long as playbin opens a file.
    void sampling()
    {
        GstElement* playbin = m_playbin.get();
        for (;;) {
            if (m_prerollWanted.exchange(false))
                postPrerollInfo();
            const int epoch = m_epoch;
            Sample s{-1, -1, epoch};
            if (!gst_element_query_position(playbin, GST_FORMAT_TIME, &s.position))
                s.position = -1;
            if (!gst_element_query_duration(playbin, GST_FORMAT_TIME, &s.duration))
                s.duration = -1;
            std::unique_lock lock(m_sampleMutex);
            m_sample = s;
            m_wake.wait_for(lock, sampleEvery, [this] { return m_quit || m_poked; });
            m_poked = false;
            if (m_quit)
                return;
        }
    }

    void postPrerollInfo()
    {
        GstElement* playbin = m_playbin.get();
        gint64 origin = 0;
        if (!gst_element_query_position(playbin, GST_FORMAT_TIME, &origin) || origin < 0)
            origin = 0;
        gint64 duration = 0;
        if (!gst_element_query_duration(playbin, GST_FORMAT_TIME, &duration) || duration < 0)
            duration = 0;
        gint audio = 0;
        gint video = 0;
        g_object_get(playbin, "n-audio", &audio, "n-video", &video, nullptr);
        QSize size;
        if (video > 0) {
            GstPad* videoPad = nullptr;
            g_signal_emit_by_name(playbin, "get-video-pad", 0, &videoPad);
            const GstHandle<GstPad> pad(videoPad, GstRef::Owned);
            const GstHandle<GstCaps> caps(pad ? gst_pad_get_current_caps(pad.get()) : nullptr,
                                          GstRef::Owned);
            GstVideoInfo info;
            if (caps && gst_video_info_from_caps(&info, caps.get()))
                size = {info.width * std::max(info.par_n, 1) / std::max(info.par_d, 1),
                        info.height};
        }
        gst_element_post_message(
            playbin,
            gst_message_new_application(
                GST_OBJECT(playbin),
                gst_structure_new(prerollInfo, "origin", G_TYPE_INT64, origin, "duration",
                                  G_TYPE_INT64, duration, "audio", G_TYPE_INT, audio, "video",
                                  G_TYPE_INT, video, "width", G_TYPE_INT, size.width(), "height",
                                  G_TYPE_INT, size.height(), nullptr)));
    }

    static void elementSetup(GstElement*, GstElement* element, gpointer data)
    {
        GstElementFactory* factory = gst_element_get_factory(element);
        g_autofree gchar* name =
            factory ? gst_object_get_name(reinterpret_cast<GstObject*>(factory)) : nullptr;
        if (g_strcmp0(name, "fluiddec") != 0)
            return;
        auto* self = static_cast<Pipeline*>(data);
        self->m_midi = true;
        g_object_set(element, "synth-gain", midiGain, nullptr);
        if (self->m_limiter)
            g_object_set(self->m_limiter.get(), "enabled", TRUE, nullptr);
    }

    // On a streaming thread, once the current file is read to its end: the
    // next file goes on where its samples end. playbin opens it holding its
    // own lock, so only a plain file goes this way: a pipe or a device, which
    // may never open, takes the way of a first open with its bound.
    static void aboutToFinish(GstElement* playbin, gpointer data)
    {
        auto* self = static_cast<Pipeline*>(data);
        gint video = 0;
        g_object_get(playbin, "n-video", &video, nullptr);
        fs::path file;
        {
            const std::lock_guard lock(self->m_mutex);
            if (!self->m_next || self->m_holdNext || self->m_midi || video > 0)
                return;
            self->m_checking = std::exchange(self->m_next, std::nullopt);
            file = self->m_checking->file;
        }
        struct stat st {
        };
        const bool plain = ::stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode);
        const std::lock_guard lock(self->m_mutex);
        Handover next = std::move(*std::exchange(self->m_checking, std::nullopt));
        if (!plain || self->m_retired)
            return;
        g_object_set(playbin, "uri", next.uri.c_str(), nullptr);
        gst_element_post_message(
            playbin, gst_message_new_application(
                         GST_OBJECT(playbin),
                         gst_structure_new(nextTaken, "id", G_TYPE_INT, next.id, nullptr)));
        self->m_handedOver.push_back(std::move(next));
    }

    GstHandle<GstElement> m_playbin;
    GstHandle<GstElement> m_limiter; // the audio filter, switched on for MIDI only
    GstHandle<GstBus> m_bus;
    GstElement* m_frames = nullptr; // the appsink of the video window, owned by the playbin
    std::atomic<bool> m_midi = false;

    std::mutex m_mutex; // guards what follows
    std::deque<Task> m_tasks;
    bool m_running = false;
    bool m_retired = false;
    std::optional<Handover> m_next;
    bool m_holdNext = false;
    std::optional<Handover> m_checking; // taken from m_next, not yet handed over
    std::deque<Handover> m_handedOver;  // in the order their streams start

    std::atomic<int> m_epoch = 0;
    std::atomic<bool> m_prerollWanted = false;
    mutable std::mutex m_sampleMutex; // guards what follows
    std::condition_variable m_wake;
    bool m_poked = false;
    bool m_quit = false;
    Sample m_sample;
};

GstEngine::GstEngine(const Sinks& sinks, VideoOutput* video, QObject* parent)
    : QObject(parent), m_sinks(sinks), m_video(video)
{
    m_openBound.setSingleShot(true);
    m_openBound.setInterval(std::chrono::seconds(10));
    connect(&m_openBound, &QTimer::timeout, this, [this] {
        if (!m_prerolled)
            fail();
    });
    m_watchdog.setInterval(watchEvery);
    connect(&m_watchdog, &QTimer::timeout, this, &GstEngine::watch);
}

GstEngine::~GstEngine()
{
    close();
    // The pipelines' threads must be done before the program ends; one that
    // hangs on its file is left behind.
    const QDeadlineTimer deadline(2000);
    for (const auto& pipe : m_closing)
        while (!pipe.expired() && !deadline.hasExpired())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

void GstEngine::open(const fs::path& file)
{
    const std::vector<int> dropped = takeSuccessors();
    m_fileName = file;
    start();
    m_tags = {};
    reportTags(m_tags);
    reportDropped(dropped);
}

void GstEngine::setSilent(bool silent)
{
    m_silent = silent;
    if (m_pipe)
        m_pipe->run([silent](GstElement* playbin) {
            g_object_set(playbin, "mute", static_cast<gboolean>(silent), nullptr);
        });
}

void GstEngine::setNext(const fs::path& file, int id)
{
    if (!m_pipe)
        return;
    g_autofree gchar* uri =
        !file.empty() && gaplessFormat(file) ? gst_filename_to_uri(file.c_str(), nullptr) : nullptr;
    m_pipe->setNext(uri ? std::optional(Pipeline::Handover{file, uri, id}) : std::nullopt);
}

void GstEngine::play()
{
    if (!playable())
        return;
    setState(GST_STATE_PLAYING);
    m_mode = Mode::Playing;
}

void GstEngine::stop()
{
    anew(0, Mode::Stopped);
}

void GstEngine::pause()
{
    if (!playable())
        return;
    setState(GST_STATE_PAUSED);
    m_mode = Mode::Paused;
}

void GstEngine::resume()
{
    if (m_mode != Mode::Paused || !playable())
        return;
    setState(GST_STATE_PLAYING);
    m_mode = Mode::Playing;
}

void GstEngine::seek(qint64 ms)
{
    if (!playable() || !m_prerolled)
        return;
    // The next file is already on its way in the pipeline: only a new start
    // of this one drops it. None is taken from here until the seek is done.
    m_pipe->holdNext(true);
    if (m_pipe->handedOver()) {
        anew(ms, m_mode);
        return;
    }
    // An end that arrived before the seek belongs to the old position.
    drainBus();
    updateLength();
    seekTo(ms);
    deliverReports();
}

void GstEngine::seekTo(qint64 ms)
{
    const qint64 target = std::max<qint64>(0, m_length > 0 ? std::min(ms, m_length) : ms);
    const gint64 ns = m_originNs + target * nsPerMs;
    m_ended = false;
    m_endTaken = false;
    m_staleEnd = 0;
    m_knownMs = target;
    ++m_epoch;
    Pipeline* pipe = m_pipe.get();
    m_pipe->run([ns, pipe](GstElement* playbin) {
        const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
        gst_element_seek_simple(playbin, GST_FORMAT_TIME, flags, ns);
        pipe->holdNext(false);
        pipe->newEpoch();
    });
}

// The open file starts again in a new pipeline, at `ms`, in this mode. What
// was taken to follow it is dropped.
void GstEngine::anew(qint64 ms, Mode mode)
{
    const qint64 length = m_length;
    const std::vector<int> dropped = takeSuccessors();
    start();
    if (m_mode != Mode::NotReady) {
        m_length = length;
        m_knownMs = ms;
        if (ms > 0) {
            m_seekOnPreroll = ms;
            m_pipe->holdNext(true);
        }
        if (mode == Mode::Playing && ms == 0)
            play();
        else if (mode == Mode::Playing || mode == Mode::Paused)
            m_mode = mode; // the pipeline follows once the seek is on its way
    }
    reportDropped(dropped);
}

std::vector<int> GstEngine::takeSuccessors()
{
    std::vector<int> ids;
    if (m_pipe)
        for (const auto& next : m_pipe->takeHandovers())
            ids.push_back(next.id);
    return ids;
}

void GstEngine::reportDropped(const std::vector<int>& ids)
{
    for (const int id : ids)
        m_reports.emplace_back(Next::Dropped, id);
    deliverReports();
}

void GstEngine::poll()
{
    drainBus();
    if (finished())
        m_endTaken = true;
    updateLength();
    deliverReports();
}

qint64 GstEngine::Length() const
{
    return m_length;
}

qint64 GstEngine::Position() const
{
    if (m_mode == Mode::NotReady)
        return 0;
    if (!m_prerolled)
        return m_knownMs;
    // The player takes Position == Length for the end, so only the end of the
    // stream reports it: mp3 positions stop some 30 ms short of the duration,
    // and estimated durations (VBR mp3, MPEG) can be shorter than what plays.
    if (m_ended)
        return m_length;
    const Pipeline::Sample sample = m_pipe->sample();
    if (sample.epoch != m_epoch || sample.position < 0)
        return m_knownMs;
    const qint64 ms = std::max<qint64>(0, (sample.position - m_originNs) / nsPerMs);
    // Just after a gapless change the sink may still tell where the file
    // before ended; the new one starts at 0, so the first position away from
    // that end is the new file's own.
    if (m_staleEnd > 0 && std::abs(ms - m_staleEnd) <= staleSlackMs)
        return 0;
    m_staleEnd = 0;
    m_knownMs = m_length > 0 ? std::min(ms, m_length - 1) : ms;
    return m_knownMs;
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

// A new pipeline for m_fileName, stopped at its start.
void GstEngine::start()
{
    close();
    if (m_fileName.empty())
        return;
    m_mode = Mode::Stopped;
    g_autofree gchar* uri = gst_filename_to_uri(m_fileName.c_str(), nullptr);
    if (!uri) {
        fail();
        return;
    }
    m_pipe = std::make_shared<Pipeline>(m_sinks, m_video, uri, m_silent);
    m_pipe->startSampling();
    m_busWatch = std::make_unique<QSocketNotifier>(pollFd(m_pipe->bus()), QSocketNotifier::Read);
    connect(m_busWatch.get(), &QSocketNotifier::activated, this, [this] {
        drainBus();
        deliverReports();
        reportNewEnd();
    });
    m_openBound.start();
    m_watchdog.start();
    setState(GST_STATE_PAUSED);
}

void GstEngine::close()
{
    m_openBound.stop();
    m_watchdog.stop();
    m_busWatch.reset();
    if (m_pipe) {
        m_pipe->retire();
        std::erase_if(m_closing, [](const auto& p) { return p.expired(); });
        m_closing.push_back(m_pipe);
        m_pipe.reset();
    }
    if (std::exchange(m_showsVideo, false))
        m_video->hidePicture();
    m_originNs = 0;
    m_mode = Mode::NotReady;
    m_prerolled = false;
    m_ended = false;
    m_failed = false;
    m_endTaken = false;
    m_streams = 0;
    m_length = 0;
    m_staleEnd = 0;
    m_epoch = 0;
    m_knownMs = 0;
    m_seekOnPreroll.reset();
    m_lastSampleNs = -1;
    m_reports.clear();
}

void GstEngine::setState(int state)
{
    m_pipe->run([state](GstElement* playbin) {
        if (gst_element_set_state(playbin, static_cast<GstState>(state)) ==
            GST_STATE_CHANGE_FAILURE)
            gst_element_post_message(
                playbin, gst_message_new_application(GST_OBJECT(playbin),
                                                     gst_structure_new_empty(stateFailed)));
    });
}

bool GstEngine::playable() const
{
    return m_pipe && m_mode != Mode::NotReady && !m_failed;
}

// The end handler hears of a failure from the event loop, like of an end of
// stream, even when a command found it.
void GstEngine::fail()
{
    if (m_failed)
        return;
    m_failed = true;
    m_openBound.stop();
    QMetaObject::invokeMethod(this, &GstEngine::reportNewEnd, Qt::QueuedConnection);
}

void GstEngine::prerolled(const GstStructure* info)
{
    m_prerolled = true;
    m_openBound.stop();
    gint64 origin = 0;
    gint64 duration = 0;
    gint audio = 0;
    gint video = 0;
    QSize size;
    gst_structure_get(info, "origin", G_TYPE_INT64, &origin, "duration", G_TYPE_INT64, &duration,
                      "audio", G_TYPE_INT, &audio, "video", G_TYPE_INT, &video, "width", G_TYPE_INT,
                      &size.rwidth(), "height", G_TYPE_INT, &size.rheight(), nullptr);
    m_originNs = origin;
    if (duration > 0)
        m_length = duration / nsPerMs;
    // A picture prerolls as a video without a length: nothing would ever end.
    if (audio == 0 && m_length == 0) {
        fail();
        return;
    }
    if (m_seekOnPreroll) {
        seekTo(*std::exchange(m_seekOnPreroll, std::nullopt));
        if (m_mode == Mode::Playing)
            setState(GST_STATE_PLAYING);
    }
    if (video == 0 || !m_video || !m_sinks.video.isEmpty())
        return;
    m_showsVideo = true;
    m_video->showPicture(size.isEmpty() ? QSize() : size);
}

// While it plays, the position moves. When it stands for as long as a file
// may take to open, playback waits on a file that does not open: the next one
// where one is on its way, else the open one. Either ends as unplayable.
void GstEngine::watch()
{
    const gint64 at = m_pipe ? m_pipe->sample().position : -1;
    if (m_mode != Mode::Playing || !m_prerolled || finished() || at != m_lastSampleNs ||
        !m_standing.isValid()) {
        m_lastSampleNs = at;
        m_standing.start();
        return;
    }
    if (m_standing.elapsed() < m_openBound.interval())
        return;
    bool taken = false;
    if (const auto next = m_pipe->awaited(taken)) {
        const Mode mode = m_mode;
        close();
        m_fileName = next->file;
        m_mode = mode;
        if (!taken)
            m_reports.emplace_back(Next::Taken, next->id);
        m_reports.emplace_back(Next::Started, next->id);
        m_tags = {};
        reportTags(m_tags);
    }
    fail();
    deliverReports();
}

// The file handed over at the end of the last one is heard now.
void GstEngine::nextStarted()
{
    auto next = m_pipe->takeHandover();
    if (!next)
        return;
    m_fileName = next->file;
    m_originNs = 0;
    m_staleEnd = m_length;
    m_length = 0;
    m_ended = false;
    m_endTaken = false;
    m_knownMs = 0;
    ++m_epoch;
    m_pipe->newEpoch();
    m_tags = {};
    reportTags(m_tags);
    m_reports.emplace_back(Next::Started, next->id);
}

// Told once the bus is read to its end, never from inside the reading: a
// handler may give the next file or open another. Told before anyone asks for
// the position again, so that the title the player shows and the position
// that it takes from here always belong to the same file.
void GstEngine::deliverReports()
{
    while (!m_reports.empty()) {
        const auto [what, id] = m_reports.front();
        m_reports.pop_front();
        reportNext(what, id);
    }
}

void GstEngine::updateLength()
{
    // Read afresh each time: CBR mp3 without a Xing header tells its duration
    // only once it plays, and VBR estimates improve while it plays.
    // Once the next file is read, the pipeline answers with its duration
    // while this one still plays; this one is read to its end by then.
    if (!m_prerolled || m_mode == Mode::NotReady || (m_length > 0 && m_pipe->handedOver()))
        return;
    if (const Pipeline::Sample s = m_pipe->sample(); s.epoch == m_epoch && s.duration > 0)
        m_length = s.duration / nsPerMs;
}

void GstEngine::drainBus()
{
    if (!m_pipe)
        return;
    while (const auto message = GstHandle<GstMessage>(gst_bus_pop(m_pipe->bus()), GstRef::Owned)) {
        switch (message->type) {
        case GST_MESSAGE_ASYNC_DONE:
            if (!m_prerolled && !m_failed)
                m_pipe->prerolled();
            break;
        case GST_MESSAGE_STREAM_START: {
            // A seek may bring the stream's start again: only a new group of
            // streams is the next file.
            guint group = 0;
            const bool grouped = gst_message_parse_group_id(message.get(), &group);
            if (++m_streams > 1 && !(grouped && group == m_group))
                nextStarted();
            m_group = group;
            break;
        }
        case GST_MESSAGE_EOS:
            // A file that never told its length, such as an mp3 cut short
            // whose header promised more, ends where it stopped: the player
            // knows an end only by a length.
            if (m_length == 0)
                m_length = std::max<qint64>(1, Position());
            m_ended = true;
            break;
        case GST_MESSAGE_ERROR:
            fail();
            break;
        case GST_MESSAGE_TAG: {
            // Only what reaches a sink, which comes in the order the files are
            // heard; a demuxer tells the next file's tags as soon as it reads them.
            if (!GST_OBJECT_FLAG_IS_SET(GST_MESSAGE_SRC(message.get()), GST_ELEMENT_FLAG_SINK))
                break;
            Tags tags = m_tags;
            mergeTags(message.get(), tags);
            if (tags != m_tags) {
                m_tags = std::move(tags);
                reportTags(m_tags);
            }
            break;
        }
        case GST_MESSAGE_APPLICATION: {
            const GstStructure* data = gst_message_get_structure(message.get());
            if (gst_message_has_name(message.get(), stateFailed)) {
                fail();
            } else if (gst_message_has_name(message.get(), prerollInfo)) {
                if (!m_prerolled && !m_failed)
                    prerolled(data);
            } else if (gint id = 0; gst_message_has_name(message.get(), nextTaken) &&
                                    gst_structure_get_int(data, "id", &id)) {
                m_reports.emplace_back(Next::Taken, id);
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
