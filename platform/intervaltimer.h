#pragma once

#include <QTimer>

// A timer whose interval 0 means stopped, so that one setting starts and stops it.
class IntervalTimer final : public QTimer
{
    Q_OBJECT
public:
    using QTimer::QTimer;

    void setIntervalOrStop(int ms)
    {
        m_interval = ms;
        if (ms == 0)
            stop();
        else
            start(ms);
    }
    int Interval() const { return m_interval; }

private:
    int m_interval = 0;
};
