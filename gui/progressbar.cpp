#include "gui/progressbar.h"

#include <QAccessibleWidget>
#include <QMouseEvent>
#include <algorithm>
#include <cmath>

namespace
{

// Qt's own interface for a progress bar is read-only, yet offers Increase and
// Decrease, which then do nothing.
class AccessibleBar final : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit AccessibleBar(ClickableProgressBar* bar)
        : QAccessibleWidget(bar, QAccessible::ProgressBar), m_bar(bar)
    {
    }

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return QString::number(m_bar->value()) + QStringLiteral(" %");
        return QAccessibleWidget::text(t);
    }

    QVariant currentValue() const override { return m_bar->value(); }
    QVariant maximumValue() const override { return m_bar->maximum(); }
    QVariant minimumValue() const override { return m_bar->minimum(); }
    QVariant minimumStepSize() const override { return 1; }

    void setCurrentValue(const QVariant& value) override
    {
        // Not a number, or infinite: no place on the bar.
        const double wert = value.toDouble();
        if (!std::isfinite(wert))
            return;
        const double spanne = m_bar->maximum() - m_bar->minimum();
        const double anteil = std::clamp((wert - m_bar->minimum()) / spanne, 0.0, 1.0);
        Q_EMIT m_bar->MouseUp(anteil * m_bar->width());
    }

private:
    ClickableProgressBar* m_bar;
};

QAccessibleInterface* accessibleBar(const QString& klasse, QObject* objekt)
{
    if (klasse != QLatin1StringView(ClickableProgressBar::staticMetaObject.className()))
        return nullptr;
    return new AccessibleBar(static_cast<ClickableProgressBar*>(objekt));
}

} // namespace

ClickableProgressBar::ClickableProgressBar(QWidget* parent) : QProgressBar(parent)
{
    QAccessible::installFactory(accessibleBar);
}

void ClickableProgressBar::mouseReleaseEvent(QMouseEvent* event)
{
    Q_EMIT MouseUp(event->position().x());
    QProgressBar::mouseReleaseEvent(event);
}
