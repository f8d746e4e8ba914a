#pragma once

#include <QString>
#include <QtGlobal>
#include <filesystem>

// What the player needs of something that plays one media file at a time.
// Commands and properties carry the names the player logic uses for them.
class MediaEngine
{
public:
    // Device modes as the player reads them; only Stopped is ever compared.
    static constexpr int ModeNotReady = 524;
    static constexpr int ModeStopped = 525;
    static constexpr int ModePlaying = 526;
    static constexpr int ModePaused = 529;
    static constexpr int ModeOpen = 530;

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

    virtual qint64 Length() const = 0;
    virtual qint64 Position() const = 0;
    virtual int Mode() const = 0;
    // The open file cannot be played: it could not be opened or decoding failed.
    virtual bool failed() const = 0;
};
