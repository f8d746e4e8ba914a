#pragma once

#include "platform/mediaengine.h"

#include <deque>
#include <map>
#include <utility>

// An engine without sound for tests and benchmarks, on a clock of its own.
// Files listed in `files` play as the real engine plays them when time passes
// (advance); for others, length, position, mode and failure are set by hand.
class FakeEngine final : public MediaEngine
{
public:
    struct File {
        qint64 length = 1000;
        bool lengthLate = false; // tells its length only once it plays
        bool unplayable = false;
        bool hangs = false; // never opens
    };
    // How long a file may take to open, and how far before its end the next
    // one is taken: as the real engine does with short files.
    static constexpr qint64 openBound = 10000;
    static constexpr qint64 readAhead = 1000;

    void open(const std::filesystem::path& file) override;
    void close() override;
    void play() override { enter(Mode::Playing); }
    void stop() override { anew(0, Mode::Stopped); }
    void pause() override { enter(Mode::Paused); }
    void resume() override;
    void seek(qint64 ms) override;
    void setSilent(bool on) override { silent = on; }
    void setNext(const std::filesystem::path& file, int id) override
    {
        next = file;
        nextId = id;
    }
    void poll() override {}
    qint64 Length() const override { return length; }
    qint64 Position() const override { return position; }
    Mode mode() const override
    {
        return fails && currentMode != Mode::NotReady ? Mode::Stopped : currentMode;
    }
    bool failed() const override { return fails; }

    // Lets this much of the engine's time pass.
    void advance(qint64 ms);
    // The open file plays to its end and says so.
    void finish();
    // The engine takes the file given to setNext, to go on with it without a
    // gap; false when there was none.
    bool takeNext();
    // The oldest file taken is heard now. A real engine may still report it
    // after another file was opened, so an open does not forget what was taken.
    bool startNext();

    std::map<std::filesystem::path, File> files;
    qint64 length = 0;
    qint64 position = 0;
    Mode currentMode = Mode::NotReady;
    bool fails = false;
    bool silent = false;
    std::filesystem::path fileName;
    std::filesystem::path next; // what setNext gave, forgotten on open
    int nextId = 0;
    std::deque<std::pair<std::filesystem::path, int>> taken;

private:
    void enter(Mode mode);
    void anew(qint64 ms, Mode mode);
    void fail();
    const File* known() const;

    qint64 m_opening = -1; // how long a file that hangs has been opening
};
