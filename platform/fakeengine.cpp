#include "platform/fakeengine.h"

void FakeEngine::Command(const QString& command)
{
    calls.append(command);
    const QString c = command.toLower();
    if (c == u"play")
        currentMode = Mode::Playing;
    else if (c == u"stop")
        currentMode = Mode::Stopped;
    else if (c == u"open") {
        currentMode = Mode::Stopped;
        position = 0;
        next.clear();
    } else if (c == u"close") {
        currentMode = Mode::NotReady;
        next.clear();
    }
}

void FakeEngine::setFileName(const std::filesystem::path& file)
{
    fileName = file;
    calls.append(QStringLiteral("FileName ") + QString::fromStdString(file.string()));
}

void FakeEngine::seek(qint64 ms)
{
    position = ms;
    calls.append(QStringLiteral("Seek ") + QString::number(ms));
}

void FakeEngine::setNext(const std::filesystem::path& file, int id)
{
    next = file;
    nextId = id;
}

void FakeEngine::setSilent(bool on)
{
    silent = on;
    calls.append(QStringLiteral("Silent ") + QString::number(on));
}

void FakeEngine::pause()
{
    currentMode = Mode::Paused;
    calls.append(QStringLiteral("pause"));
}

void FakeEngine::resume()
{
    currentMode = Mode::Playing;
    calls.append(QStringLiteral("resume"));
}

void FakeEngine::rewind()
{
    position = 0;
    calls.append(QStringLiteral("rewind"));
}

void FakeEngine::finish()
{
    position = length;
    currentMode = Mode::Stopped;
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
