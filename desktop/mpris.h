#pragma once

#include <QDBusConnection>
#include <QObject>

class Sitzung;

// The player on the desktop's media controls (MPRIS 2): the bus name
// org.mpris.MediaPlayer2.tonlaterne, or for a further player
// org.mpris.MediaPlayer2.tonlaterne.instance<pid>, with the object
// /org/mpris/MediaPlayer2.
// Requests reach the core the way presses of the button bar do, and only when
// that button could be pressed; the two that concern the window leave as
// signals.
class Mpris final : public QObject
{
    Q_OBJECT
public:
    explicit Mpris(Sitzung& sitzung, QObject* parent = nullptr);
    ~Mpris() override;
    Q_DISABLE_COPY_MOVE(Mpris)

    // Puts the player on the bus; false when there is none or the name is
    // taken, and the player runs on without it.
    bool anmelden(QDBusConnection bus = QDBusConnection::sessionBus());

Q_SIGNALS:
    void raiseRequested();
    void quitRequested();

private:
    Sitzung& m_sitzung;
    QDBusConnection m_bus{QString()};
    QString m_dienst;
};
