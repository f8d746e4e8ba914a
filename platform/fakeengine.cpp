#include "platform/fakeengine.h"

void FakeEngine::Command(const QString& command)
{
    calls.append(command);
    const QString c = command.toLower();
    if (c == u"play")
        mode = ModePlaying;
    else if (c == u"stop")
        mode = ModeStopped;
    else if (c == u"open") {
        mode = ModeStopped;
        position = 0;
    } else if (c == u"close")
        mode = ModeNotReady;
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
    mode = ModePaused;
    calls.append(QStringLiteral("pause"));
}

void FakeEngine::resume()
{
    mode = ModePlaying;
    calls.append(QStringLiteral("resume"));
}

void FakeEngine::rewind()
{
    position = 0;
    calls.append(QStringLiteral("rewind"));
}
