#include "gui/progressbar.h"

#include <QMouseEvent>

void ClickableProgressBar::mouseReleaseEvent(QMouseEvent* event)
{
    const QPointF at = event->position();
    Q_EMIT MouseUp(event->button(), event->modifiers(), at.x(), at.y());
    QProgressBar::mouseReleaseEvent(event);
}
