#pragma once

#include "platform/mediaengine.h"

#include <QObject>

// Plays media files through a GStreamer playbin.
class GstEngine final : public QObject, public MediaEngine {
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
    qint64 Length() const override;
    qint64 Position() const override;
    int Mode() const override;
    bool failed() const override;
};
