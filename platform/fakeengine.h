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
    void poll() override { ++polls; }
    qint64 Length() const override { return length; }
    qint64 Position() const override { return position; }
    Mode mode() const override { return currentMode; }
    bool failed() const override { return fails; }

    // The open file plays to its end and says so.
    void finish();

    qint64 length = 0;
    qint64 position = 0;
    Mode currentMode = Mode::NotReady;
    bool fails = false;
    bool silent = false;
    int polls = 0;
    std::filesystem::path fileName;
    // "open", "play", "FileName <path>", "From <ms>", "Silent 1", "pause", ...
    QStringList calls;
};
