#pragma once

#include "platform/mediaengine.h"

#include <QWidget>
#include <memory>

class QToolButton;

// The media device of the main window: a bar of five buttons (Prev, Next, Play,
// Pause, Stop) over an engine. A press first reaches the program's handler
// through the matching signal, then the bar does its own action: Pause pauses
// or resumes the engine, Stop stops it, Prev goes back to the start of the
// track, Play and Next do nothing of their own.
class MediaDevice final : public QWidget
{
    Q_OBJECT
public:
    explicit MediaDevice(std::unique_ptr<MediaEngine> engine, QWidget* parent = nullptr);
    ~MediaDevice() override;
    Q_DISABLE_COPY_MOVE(MediaDevice)

    void Command(const QString& command) { m_engine->Command(command); }
    void setFileName(const std::filesystem::path& file) { m_engine->setFileName(file); }
    void setFrom(qint64 ms) { m_engine->setFrom(ms); }
    void setSilent(bool silent) { m_engine->setSilent(silent); }
    qint64 Length() const { return m_engine->Length(); }
    qint64 Position() const { return m_engine->Position(); }
    int Mode() const { return m_engine->Mode(); }
    bool failed() const { return m_engine->failed(); }

    void setPrevEnabled(bool on);
    void setNextEnabled(bool on);
    void setPlayEnabled(bool on);
    void setPauseEnabled(bool on);
    void setStopEnabled(bool on);
    bool playEnabled() const;
    bool pauseEnabled() const;
    bool stopEnabled() const;
    bool nextEnabled() const;
    bool prevEnabled() const;

    // Press a button as the user would: the handler, then the bar's own action.
    void pressPrev();
    void pressNext();
    void pressPlay();
    void pressPause();
    void pressStop();

Q_SIGNALS:
    void PlayClick();
    void PauseClick();
    void StopClick();
    void NextClick();

private:
    std::unique_ptr<MediaEngine> m_engine;
    QToolButton* m_prev;
    QToolButton* m_next;
    QToolButton* m_play;
    QToolButton* m_pause;
    QToolButton* m_stop;
};
