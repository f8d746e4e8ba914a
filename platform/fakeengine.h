#pragma once

#include "platform/mediaengine.h"

#include <QStringList>

// An engine without sound for tests and benchmarks: length, position, mode and
// failure are set by hand; every call is recorded.
class FakeEngine final : public MediaEngine
{
public:
    void Command(const QString& command) override;
    void setFileName(const std::filesystem::path& file) override;
    void setFrom(qint64 ms) override;
    void setSilent(bool silent) override;
    void pause() override;
    void resume() override;
    void rewind() override;
    qint64 Length() const override { return length; }
    qint64 Position() const override { return position; }
    int Mode() const override { return mode; }
    bool failed() const override { return fails; }

    qint64 length = 0;
    qint64 position = 0;
    int mode = ModeNotReady;
    bool fails = false;
    bool silent = false;
    std::filesystem::path fileName;
    // "open", "play", "FileName <path>", "From <ms>", "Silent 1", "pause", ...
    QStringList calls;
};
