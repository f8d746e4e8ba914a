#include "tests/support/fakeengine.h"

#include <algorithm>

void FakeEngine::open(const std::filesystem::path& file)
{
    close();
    anew(0, Mode::Stopped);
    currentMode = Mode::Stopped;
    fileName = file;
    if (const File* f = known()) {
        fails = false;
        length = f->lengthLate || f->unplayable || f->hangs ? 0 : f->length;
        if (f->unplayable)
            fail();
        else if (f->hangs)
            m_opening = 0;
    }
}

void FakeEngine::close()
{
    currentMode = Mode::NotReady;
    next.clear();
    m_opening = -1;
}

void FakeEngine::enter(Mode mode)
{
    if (currentMode != Mode::NotReady && !fails)
        currentMode = mode;
}

void FakeEngine::resume()
{
    if (currentMode == Mode::Paused)
        currentMode = Mode::Playing;
}

void FakeEngine::seek(qint64 ms)
{
    if (currentMode == Mode::NotReady || fails)
        return;
    anew(std::max<qint64>(0, length > 0 ? std::min(ms, length) : ms), currentMode);
}

// As the real engine: a file taken to follow is dropped by a new start of the
// open one, and the file given with it is forgotten.
void FakeEngine::anew(qint64 ms, Mode mode)
{
    position = ms;
    if (currentMode != Mode::NotReady)
        currentMode = mode;
    if (taken.empty())
        return;
    next.clear();
    for (const auto& [file, id] : std::exchange(taken, {}))
        reportNext(Next::Dropped, id);
}

void FakeEngine::advance(qint64 ms)
{
    if (m_opening >= 0 && (m_opening += ms) >= openBound) {
        m_opening = -1;
        fail();
    }
    if (currentMode != Mode::Playing || fails || m_opening >= 0 || !known())
        return;
    position += ms;
    if (length == 0)
        length = known()->length;
    const auto following = [this] {
        const auto f = files.find(next);
        return f != files.end() && !f->second.unplayable && !f->second.hangs;
    };
    if (position >= length - readAhead && following())
        takeNext();
    if (position < length)
        return;
    if (startNext())
        length = known()->length;
    else
        finish();
}

void FakeEngine::finish()
{
    position = length;
    currentMode = Mode::Stopped;
    reportEnd();
}

void FakeEngine::fail()
{
    fails = true;
    reportEnd();
}

bool FakeEngine::takeNext()
{
    if (next.empty())
        return false;
    taken.emplace_back(std::exchange(next, {}), nextId);
    reportNext(Next::Taken, nextId);
    return true;
}

bool FakeEngine::startNext()
{
    if (taken.empty())
        return false;
    const auto [file, id] = taken.front();
    taken.pop_front();
    fileName = file;
    position = 0;
    reportNext(Next::Started, id);
    return true;
}

const FakeEngine::File* FakeEngine::known() const
{
    const auto f = files.find(fileName);
    return f != files.end() ? &f->second : nullptr;
}
