#include "gui/fensterrolle.h"

#include <QAccessibleWidget>
#include <QWidget>

QAccessibleInterface* fensterRolle(const QString& klasse, QObject* objekt)
{
    // Asked for each class from the most derived up: answer only for that one,
    // so that Qt's own classes (a QMenu is a popup window) keep their interfaces.
    const QMetaObject* art = objekt->metaObject();
    if (!objekt->isWidgetType() || klasse != QLatin1StringView(art->className()))
        return nullptr;
    auto* fenster = static_cast<QWidget*>(objekt);
    const bool ausQWidget =
        art == &QWidget::staticMetaObject || art->superClass() == &QWidget::staticMetaObject;
    if (!ausQWidget || fenster->windowType() != Qt::Window)
        return nullptr;
    return new QAccessibleWidget(fenster, QAccessible::Window);
}
