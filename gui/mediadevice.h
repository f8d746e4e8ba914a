#pragma once

#include "core/wiedergabe.h"

#include <QWidget>

class QToolButton;

// The media device's button bar (Prev, Next, Play, Pause, Stop): it announces
// each press and shows which buttons can be pressed; playback does the rest.
class MediaDevice final : public QWidget
{
    Q_OBJECT
public:
    explicit MediaDevice(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(MediaDevice)

    void setKnoepfe(const Wiedergabe::Knoepfe& knoepfe);

    QToolButton* prev = nullptr;
    QToolButton* next = nullptr;
    QToolButton* play = nullptr;
    QToolButton* pause = nullptr;
    QToolButton* stop = nullptr;

Q_SIGNALS:
    void PrevClick();
    void NextClick();
    void PlayClick();
    void PauseClick();
    void StopClick();
};
