#pragma once

#include <QProgressBar>

// A progress bar that reports the release of a mouse button with its x position.
// Assistive technology reads its value as a percentage and may set it: that
// is reported as a click at the same place.
class ClickableProgressBar final : public QProgressBar
{
    Q_OBJECT
public:
    explicit ClickableProgressBar(QWidget* parent = nullptr);

Q_SIGNALS:
    void MouseUp(double x);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};
