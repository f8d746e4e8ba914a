#pragma once

#include <QString>
#include <QtGlobal>
#include <filesystem>
#include <functional>

// What the player needs of something that plays one media file at a time.
// Commands and properties carry the names the player logic uses for them.
class MediaEngine
{
public:
    enum class Mode { NotReady, Stopped, Playing, Paused };

    virtual ~MediaEngine() = default;

    // "open", "close", "play", "stop", in any letter case. "open" opens the file
    // last given to setFileName and returns once its length is known (bounded
    // wait); "play" plays from the start, or from the position set with setFrom
    // just before.
    virtual void Command(const QString& command) = 0;
    virtual void setFileName(const std::filesystem::path& file) = 0;
    virtual void setFrom(qint64 ms) = 0;
    virtual void setSilent(bool silent) = 0;

    // The button bar's own actions.
    virtual void pause() = 0;
    virtual void resume() = 0;
    virtual void rewind() = 0;

    // Takes in what the engine has to report (end of stream, a failure). The
    // queries below answer from what the last poll or event-loop pass saw.
    virtual void poll() = 0;
    virtual qint64 Length() const = 0;
    virtual qint64 Position() const = 0;
    virtual Mode mode() const = 0;
    // The open file cannot be played: it could not be opened or decoding failed.
    virtual bool failed() const = 0;

    // Called from the event loop as soon as the open file ends or fails, so the
    // player need not wait for its next tick.
    void setEndHandler(std::function<void()> handler) { m_endHandler = std::move(handler); }

protected:
    void reportEnd() const
    {
        if (m_endHandler)
            m_endHandler();
    }

private:
    std::function<void()> m_endHandler;
};
