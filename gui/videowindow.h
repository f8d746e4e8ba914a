#pragma once

#include "platform/videooutput.h"

#include <QMutex>
#include <QWidget>

// Shows a film's picture. Frames arrive from a streaming thread; only the
// newest waits to be painted, so a window that falls behind drops frames
// instead of queueing them.
class VideoWindow final : public QWidget, public VideoOutput
{
    Q_OBJECT
public:
    explicit VideoWindow(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(VideoWindow)

    void showPicture(QSize size) override;
    void hidePicture() override;
    void deliverFrame(QImage frame) override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void takeFrame();

    QMutex m_mutex;
    QImage m_next; // guarded by m_mutex
    QImage m_frame;
    QSize m_pictureSize;
};
