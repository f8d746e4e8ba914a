#pragma once

#include <QProgressBar>

// A progress bar that reports the release of a mouse button with its position.
class ClickableProgressBar final : public QProgressBar
{
    Q_OBJECT
public:
    using QProgressBar::QProgressBar;

Q_SIGNALS:
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, double x, double y);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};
