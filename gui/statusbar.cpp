#include "gui/statusbar.h"

#include <QLabel>
#include <QTime>
#include <QTimer>

PanelStatusBar::PanelStatusBar(QWidget* parent) : QStatusBar(parent)
{
    setSizeGripEnabled(false);
}

QLabel* PanelStatusBar::makePanel(int stretch, const QString& toolTip)
{
    auto* label = new QLabel(this);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setToolTip(toolTip);
    label->setMinimumWidth(1);
    addPermanentWidget(label, stretch);
    return label;
}

void PanelStatusBar::addTimePanel(int stretch, const QString& toolTip)
{
    m_time = makePanel(stretch, toolTip);
    m_clock = new QTimer(this);
    connect(m_clock, &QTimer::timeout, this, &PanelStatusBar::showTime);
    m_clock->start(1000);
    showTime();
}

void PanelStatusBar::addPanel(const QString& key, int stretch, const QString& toolTip)
{
    m_panels.insert(key, makePanel(stretch, toolTip));
}

void PanelStatusBar::setPanelText(const QString& key, const QString& text)
{
    if (QLabel* panel = m_panels.value(key))
        panel->setText(text);
}

QString PanelStatusBar::panelText(const QString& key) const
{
    const QLabel* panel = m_panels.value(key);
    return panel ? panel->text() : QString();
}

QString PanelStatusBar::timeText() const
{
    return m_time ? m_time->text() : QString();
}

void PanelStatusBar::showTime()
{
    m_time->setText(QTime::currentTime().toString(u"HH:mm:ss"));
}
