#include "gui/statusbar.h"

#include <QLabel>
#include <QTime>
#include <QTimer>

PanelStatusBar::PanelStatusBar(QWidget* parent) : QStatusBar(parent)
{
    setSizeGripEnabled(false);
}

QLabel* PanelStatusBar::makePanel(const QString& name, int stretch, const QString& toolTip)
{
    auto* label = new QLabel(this);
    label->setObjectName(name);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setToolTip(toolTip);
    label->setMinimumWidth(1);
    addPermanentWidget(label, stretch);
    showText(label, {});
    return label;
}

void PanelStatusBar::addTimePanel(int stretch, const QString& toolTip)
{
    m_time = makePanel(QStringLiteral("Uhrzeit"), stretch, toolTip);
    m_clock = new QTimer(this);
    connect(m_clock, &QTimer::timeout, this, &PanelStatusBar::showTime);
    m_clock->start(1000);
    showTime();
}

void PanelStatusBar::addPanel(const QString& key, int stretch, const QString& toolTip)
{
    m_panels.insert(key, makePanel(key, stretch, toolTip));
}

void PanelStatusBar::setPanelText(const QString& key, const QString& text)
{
    if (QLabel* panel = m_panels.value(key))
        showText(panel, text);
}

void PanelStatusBar::showText(QLabel* panel, const QString& text)
{
    panel->setText(text);
    // A screen reader reads the panel by its name: say what it shows.
    panel->setAccessibleName(text.isEmpty() ? panel->objectName()
                                            : panel->objectName() + QStringLiteral(": ") + text);
}

QString PanelStatusBar::panelText(const QString& key) const
{
    const QLabel* panel = m_panels.value(key);
    return panel ? panel->text() : QString();
}

void PanelStatusBar::showTime()
{
    showText(m_time, QTime::currentTime().toString(u"HH:mm:ss"));
}
