#pragma once

#include <QObject>

class QSocketNotifier;

// The end of the player's life from outside: the desktop session ends
// (logout, shutdown) or SIGTERM, SIGHUP or SIGINT arrives (systemctl --user
// stop, kill, Ctrl+C, a closed terminal). Either way nobody is there to answer
// a question. A signal reaches the event loop through a pipe, since its
// handler may do nothing but write, and waits there until the loop runs. One
// at a time: the handlers are the process's.
class Sitzungsende final : public QObject
{
    Q_OBJECT
public:
    explicit Sitzungsende(QObject* parent = nullptr);
    ~Sitzungsende() override;
    Q_DISABLE_COPY_MOVE(Sitzungsende)

Q_SIGNALS:
    // A signal, or a logout that goes ahead.
    void ende();
    // A logout asks to save what there is; it may still be cancelled.
    void sichern();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int m_lesen = -1;
    QSocketNotifier* m_melder = nullptr;
};
