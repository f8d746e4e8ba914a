#pragma once

#include "platform/mediaengine.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

class Pipeline;
struct _GstStructure;
using GstStructure = _GstStructure;
class VideoOutput;

// Plays media files through GStreamer's playbin, one pipeline per opened file.
// The calling thread never waits for GStreamer: state changes run on
// GStreamer's own threads and their outcome comes back as bus messages, and
// position and length are read by a thread of the pipeline's own, since
// playbin answers no query while it opens the next file, however long that
// takes.
class GstEngine final : public QObject, public MediaEngine
{
    Q_OBJECT
public:
    // Sink descriptions as gst-launch takes them ("fakesink sync=true"); empty
    // ones choose the platform's output. Without a video sink, films are drawn
    // on `video` when there is one.
    struct Sinks {
        QString audio;
        QString video;
    };
    explicit GstEngine(const Sinks& sinks = {}, VideoOutput* video = nullptr,
                       QObject* parent = nullptr);
    ~GstEngine() override;
    Q_DISABLE_COPY_MOVE(GstEngine)

    // A file that is not ready to play after this long counts as unplayable (a
    // stalled network share, a pipe nobody writes to), and so does a next file
    // that playback waits on this long.
    void setOpenBound(std::chrono::milliseconds bound) { m_openBound.setInterval(bound); }

    void open(const std::filesystem::path& file) override;
    void close() override;
    void play() override;
    void stop() override;
    void pause() override;
    void resume() override;
    void seek(qint64 ms) override;
    void setSilent(bool silent) override;
    void setNext(const std::filesystem::path& file, int id) override;
    void poll() override;
    qint64 Length() const override;
    qint64 Position() const override;
    Mode mode() const override;
    bool failed() const override;

private:
    void start();
    void anew(qint64 ms, Mode mode);
    std::vector<int> takeSuccessors();
    void reportDropped(const std::vector<int>& ids);
    void seekTo(qint64 ms);
    void setState(int state);
    bool playable() const;
    bool finished() const { return m_ended || m_failed; }
    void fail();
    void prerolled(const GstStructure* info);
    void watch();
    void nextStarted();
    void updateLength();
    void drainBus();
    void deliverReports();
    void reportNewEnd();

    const Sinks m_sinks;
    VideoOutput* const m_video;
    std::shared_ptr<Pipeline> m_pipe;
    // Closed pipelines on their way to NULL; waited for (bounded) at the end.
    std::vector<std::weak_ptr<Pipeline>> m_closing;
    std::unique_ptr<QSocketNotifier> m_busWatch;
    QTimer m_openBound;
    QTimer m_watchdog;
    QElapsedTimer m_standing;   // since the position last moved while playing
    qint64 m_lastSampleNs = -1; // the position that the watchdog saw last
    std::filesystem::path m_fileName;
    bool m_silent = false;
    qint64 m_originNs = 0; // position at preroll: MPEG program streams do not start at 0
    Mode m_mode = Mode::NotReady;
    bool m_prerolled = false;
    bool m_showsVideo = false;
    bool m_ended = false;
    bool m_failed = false;
    bool m_endTaken = false;       // the player knows of the end: through poll or the end handler
    int m_streams = 0;             // streams started since the open: the first is the file opened
    unsigned m_group = 0;          // the group of streams that started last
    qint64 m_length = 0;           // the last one the pipeline told
    mutable qint64 m_staleEnd = 0; // the end of the file before, until a position leaves it
    // Each seek and each gapless change makes the position read before it
    // stale; until one is read after it, the position is the one last known.
    int m_epoch = 0;
    mutable qint64 m_knownMs = 0;
    std::optional<qint64> m_seekOnPreroll;      // a file opened anew goes on from here
    Tags m_tags;                                // of the open file
    std::deque<std::pair<Next, int>> m_reports; // read from the bus, not yet told
};
