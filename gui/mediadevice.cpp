#include "gui/mediadevice.h"

#include <QHBoxLayout>
#include <QStyle>
#include <QToolButton>

MediaDevice::MediaDevice(QWidget* parent) : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    const auto button = [&](QStyle::StandardPixmap icon, void (MediaDevice::*press)()) {
        auto* b = new QToolButton(this);
        b->setIcon(style()->standardIcon(icon));
        b->setIconSize(QSize(24, 24));
        connect(b, &QToolButton::clicked, this, press);
        row->addWidget(b);
        return b;
    };
    prev = button(QStyle::SP_MediaSkipBackward, &MediaDevice::PrevClick);
    next = button(QStyle::SP_MediaSkipForward, &MediaDevice::NextClick);
    play = button(QStyle::SP_MediaPlay, &MediaDevice::PlayClick);
    pause = button(QStyle::SP_MediaPause, &MediaDevice::PauseClick);
    stop = button(QStyle::SP_MediaStop, &MediaDevice::StopClick);
    row->addStretch();
    setKnoepfe({});
}

void MediaDevice::setKnoepfe(const Wiedergabe::Knoepfe& k)
{
    play->setEnabled(k.play);
    pause->setEnabled(k.pause);
    stop->setEnabled(k.stop);
    next->setEnabled(k.next);
    prev->setEnabled(k.prev);
}
