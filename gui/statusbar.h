#pragma once

#include <QHash>
#include <QStatusBar>

class QLabel;
class QTimer;

// A status bar of panels addressed by key. The first panel has no key and
// shows the time of day, kept current by the bar itself.
class PanelStatusBar final : public QStatusBar
{
    Q_OBJECT
public:
    explicit PanelStatusBar(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(PanelStatusBar)

    void addTimePanel(int stretch, const QString& toolTip);
    void addPanel(const QString& key, int stretch, const QString& toolTip);
    void setPanelText(const QString& key, const QString& text);
    QString panelText(const QString& key) const;

private:
    QLabel* makePanel(const QString& name, int stretch, const QString& toolTip);
    static void showText(QLabel* panel, const QString& text);
    void showTime();

    QHash<QString, QLabel*> m_panels;
    QLabel* m_time = nullptr;
    QTimer* m_clock = nullptr;
};
