#pragma once

#include "platform/mediaengine.h"

#include <QStringList>
#include <deque>
#include <utility>

// An engine without sound for tests and benchmarks: length, position, mode and
// failure are set by hand; every call is recorded.
class FakeEngine final : public MediaEngine
{
public:
    void Command(const QString& command) override;
    void setFileName(const std::filesystem::path& file) override;
    void seek(qint64 ms) override;
    void setSilent(bool silent) override;
    void setNext(const std::filesystem::path& file, int id) override;
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
    // The engine takes the file given to setNext, to go on with it without a
    // gap; false when there was none.
    bool takeNext();
    // The oldest file taken is heard now. A real engine may still report it
    // after another file was opened, so an open does not forget what was taken.
    bool startNext();

    qint64 length = 0;
    qint64 position = 0;
    Mode currentMode = Mode::NotReady;
    bool fails = false;
    bool silent = false;
    int polls = 0;
    std::filesystem::path fileName;
    std::filesystem::path next; // what setNext gave, forgotten on open
    int nextId = 0;
    std::deque<std::pair<std::filesystem::path, int>> taken;
    // "open", "play", "FileName <path>", "Seek <ms>", "Silent 1", "pause", ...
    QStringList calls;
};
