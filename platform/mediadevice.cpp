#include "platform/mediadevice.h"

#include <QHBoxLayout>
#include <QStyle>
#include <QToolButton>

MediaDevice::MediaDevice(std::unique_ptr<MediaEngine> engine, QWidget* parent)
    : QWidget(parent), m_engine(std::move(engine))
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    const auto button = [&](QStyle::StandardPixmap icon, void (MediaDevice::*press)()) {
        auto* b = new QToolButton(this);
        b->setIcon(style()->standardIcon(icon));
        b->setIconSize(QSize(24, 24));
        b->setAutoRaise(false);
        connect(b, &QToolButton::clicked, this, press);
        row->addWidget(b);
        return b;
    };
    m_prev = button(QStyle::SP_MediaSkipBackward, &MediaDevice::pressPrev);
    m_next = button(QStyle::SP_MediaSkipForward, &MediaDevice::pressNext);
    m_play = button(QStyle::SP_MediaPlay, &MediaDevice::pressPlay);
    m_pause = button(QStyle::SP_MediaPause, &MediaDevice::pressPause);
    m_stop = button(QStyle::SP_MediaStop, &MediaDevice::pressStop);
    row->addStretch();
}

MediaDevice::~MediaDevice() = default;

void MediaDevice::setPrevEnabled(bool on)
{
    m_prev->setEnabled(on);
}
void MediaDevice::setNextEnabled(bool on)
{
    m_next->setEnabled(on);
}
void MediaDevice::setPlayEnabled(bool on)
{
    m_play->setEnabled(on);
}
void MediaDevice::setPauseEnabled(bool on)
{
    m_pause->setEnabled(on);
}
void MediaDevice::setStopEnabled(bool on)
{
    m_stop->setEnabled(on);
}
bool MediaDevice::prevEnabled() const
{
    return m_prev->isEnabled();
}
bool MediaDevice::nextEnabled() const
{
    return m_next->isEnabled();
}
bool MediaDevice::playEnabled() const
{
    return m_play->isEnabled();
}
bool MediaDevice::pauseEnabled() const
{
    return m_pause->isEnabled();
}
bool MediaDevice::stopEnabled() const
{
    return m_stop->isEnabled();
}

void MediaDevice::pressPrev()
{
    m_engine->rewind();
}

void MediaDevice::pressNext()
{
    Q_EMIT NextClick();
}

void MediaDevice::pressPlay()
{
    Q_EMIT PlayClick();
}

void MediaDevice::pressPause()
{
    const bool resume = m_engine->Mode() == MediaEngine::ModePaused;
    Q_EMIT PauseClick();
    if (resume)
        m_engine->resume();
    else
        m_engine->pause();
}

void MediaDevice::pressStop()
{
    Q_EMIT StopClick();
    m_engine->Command(QStringLiteral("stop"));
}
