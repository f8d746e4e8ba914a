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
    } else if (c == u"close")
        currentMode = Mode::NotReady;
}

void FakeEngine::setFileName(const std::filesystem::path& file)
{
    fileName = file;
    calls.append(QStringLiteral("FileName ") + QString::fromStdString(file.string()));
}

void FakeEngine::setFrom(qint64 ms)
{
    position = ms;
    calls.append(QStringLiteral("From ") + QString::number(ms));
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
