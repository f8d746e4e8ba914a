#include "gui/videowindow.h"

#include <QPainter>

VideoWindow::VideoWindow(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Tonlaterne - Video"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void VideoWindow::showPicture(QSize size)
{
    if (size.isValid()) {
        m_pictureSize = size;
        resize(size);
    }
    show();
}

void VideoWindow::hidePicture()
{
    hide();
    const QMutexLocker lock(&m_mutex);
    m_next = {};
    m_frame = {};
}

void VideoWindow::deliverFrame(QImage frame)
{
    const QMutexLocker lock(&m_mutex);
    if (m_next.isNull())
        QMetaObject::invokeMethod(this, &VideoWindow::takeFrame, Qt::QueuedConnection);
    m_next = std::move(frame);
}

void VideoWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (m_frame.isNull())
        return;
    QRect target({}, m_pictureSize.scaled(size(), Qt::KeepAspectRatio));
    target.moveCenter(rect().center());
    painter.drawImage(target, m_frame);
}

void VideoWindow::takeFrame()
{
    {
        const QMutexLocker lock(&m_mutex);
        m_frame = std::exchange(m_next, {});
    }
    update();
}
