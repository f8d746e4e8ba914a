#pragma once

#include <QImage>
#include <QSize>

// Where the engine shows a film's picture. A window of the program implements
// it; the engine itself draws nothing.
class VideoOutput
{
public:
    virtual ~VideoOutput() = default;
    // A film is ready to play; its picture is this size, pixel aspect included.
    virtual void showPicture(QSize size) = 0;
    // The film is closed.
    virtual void hidePicture() = 0;
    // Each new frame, from a streaming thread.
    virtual void deliverFrame(QImage frame) = 0;
};
