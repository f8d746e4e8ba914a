#pragma once

#include "platform/mediaengine.h"

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <chrono>
#include <deque>
#include <memory>
#include <vector>

class Pipeline;
class VideoOutput;

// Plays media files through GStreamer's playbin, one pipeline per opened file.
// The calling thread never waits for GStreamer: state changes run on
// GStreamer's own threads and their outcome comes back as bus messages.
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
    // stalled network share, a pipe nobody writes to).
    void setOpenBound(std::chrono::milliseconds bound) { m_openBound.setInterval(bound); }

    void Command(const QString& command) override;
    void setFileName(const std::filesystem::path& file) override;
    void seek(qint64 ms) override;
    void setSilent(bool silent) override;
    void setNext(const std::filesystem::path& file, int id) override;
    void pause() override;
    void resume() override;
    void rewind() override;
    void poll() override;
    qint64 Length() const override;
    qint64 Position() const override;
    Mode mode() const override;
    bool failed() const override;

private:
    void open();
    void play();
    void stop();
    void close();
    void setState(int state);
    bool playable() const;
    bool finished() const { return m_ended || m_failed; }
    void fail();
    void prerolled();
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
    qint64 m_length = 0;           // the last one the pipeline told
    mutable qint64 m_staleEnd = 0; // the end of the file before, until a position leaves it
    Tags m_tags;                   // of the open file
    std::deque<std::pair<Next, int>> m_reports; // read from the bus, not yet told
};
