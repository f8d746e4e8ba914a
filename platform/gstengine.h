#pragma once

#include "platform/gsthandle.h"
#include "platform/mediaengine.h"

#include <QObject>
#include <QSocketNotifier>
#include <memory>
#include <optional>

class VideoWindow;

// Plays media files through one GStreamer playbin. Commands return once the
// pipeline has reached the state they ask for (bounded to about 2 s each).
class GstEngine final : public QObject, public MediaEngine
{
    Q_OBJECT
public:
    // Sink descriptions as gst-launch takes them ("fakesink sync=true"); empty
    // ones choose the platform's output.
    struct Sinks {
        QString audio;
        QString video;
    };
    explicit GstEngine(const Sinks& sinks = {}, QObject* parent = nullptr);
    ~GstEngine() override;
    Q_DISABLE_COPY_MOVE(GstEngine)

    void Command(const QString& command) override;
    void setFileName(const std::filesystem::path& file) override;
    void setFrom(qint64 ms) override;
    void setSilent(bool silent) override;
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
    bool playable() const;
    bool finished() const { return m_ended || m_failed; }
    void fail();
    GstStateChangeReturn changeState(GstState state);
    GstStateChangeReturn settle(GstStateChangeReturn change);
    void seekTo(qint64 ms);
    void showVideo();
    void updateLength();
    void drainBus();
    void reportNewEnd();

    std::unique_ptr<VideoWindow> m_videoWindow; // in a widget program, when no video sink is given
    GstHandle<GstElement> m_playbin;
    GstHandle<GstElement> m_limiter; // the audio filter, switched on for MIDI only
    GstHandle<GstBus> m_bus;
    QSocketNotifier m_busWatch;
    std::filesystem::path m_fileName;
    std::optional<qint64> m_from;
    gint64 m_originNs = 0; // position at preroll: MPEG program streams do not start at 0
    Mode m_mode = Mode::NotReady;
    bool m_ended = false;
    bool m_failed = false;
    bool m_endTaken = false; // the player knows of the end: through poll or the end handler
    qint64 m_length = 0;     // the last one the pipeline told
    Tags m_tags;             // of the open file
};
