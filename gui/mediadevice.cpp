#include "gui/mediadevice.h"

#include <QHBoxLayout>
#include <QStyle>
#include <QToolButton>

MediaDevice::MediaDevice(QWidget* parent) : QWidget(parent)
{
    setAccessibleName(QStringLiteral("Wiedergabe"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    // The buttons show only pictures: their names are what a screen reader says.
    const auto button = [&](QStyle::StandardPixmap icon, const QString& name,
                            const QString& description, void (MediaDevice::*press)()) {
        auto* b = new QToolButton(this);
        b->setAccessibleName(name);
        b->setAccessibleDescription(description);
        b->setIcon(style()->standardIcon(icon));
        b->setIconSize(QSize(24, 24));
        connect(b, &QToolButton::clicked, this, press);
        row->addWidget(b);
        return b;
    };
    prev = button(QStyle::SP_MediaSkipBackward, QStringLiteral("Vorheriges Lied"),
                  QStringLiteral("Springt an den Anfang des Liedes."), &MediaDevice::PrevClick);
    next = button(QStyle::SP_MediaSkipForward, QStringLiteral("Nächstes Lied"),
                  QStringLiteral("Spielt das nächste Lied der Warteliste oder der Liste."),
                  &MediaDevice::NextClick);
    play = button(QStyle::SP_MediaPlay, QStringLiteral("Abspielen"),
                  QStringLiteral("Spielt das gewählte Lied."), &MediaDevice::PlayClick);
    pause =
        button(QStyle::SP_MediaPause, QStringLiteral("Pause"),
               QStringLiteral("Hält das Lied an oder spielt es weiter."), &MediaDevice::PauseClick);
    stop = button(QStyle::SP_MediaStop, QStringLiteral("Stopp"),
                  QStringLiteral("Beendet die Wiedergabe."), &MediaDevice::StopClick);
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
