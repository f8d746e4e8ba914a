#pragma once

#include <QDBusConnection>
#include <QLockFile>
#include <QObject>
#include <QStringList>

class QLocalServer;

// One player per data folder: the first start on a folder holds a lock on it
// for its whole run and takes the files of every later start, over the
// session bus or, where there is none, over a local socket in the user's
// runtime folder.
class Einzelstart final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "de.tonlaterne.Tonlaterne")
public:
    explicit Einzelstart(const QString& ordner, QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(Einzelstart)

    enum class Ergebnis {
        // This process holds the lock: it is the player on the folder.
        Erster,
        // A player on the same folder runs and has taken the files, with the
        // activation token that this start came with on Wayland.
        Weitergegeben,
        // A player holds the folder but did not take the files in time
        // (stopped or hanging): this start must not play beside it.
        Besetzt,
    };
    // Without a bus connected, over the socket. A lock whose holder is dead
    // is taken over.
    Ergebnis weitergeben(const QStringList& pfade,
                         QDBusConnection bus = QDBusConnection::sessionBus());
    // The player can open files now: those that later starts handed over
    // before follow at once, in one, and every later hand-over at once.
    void bereit();

public Q_SLOTS:
    Q_SCRIPTABLE void Oeffnen(const QStringList& pfade, const QString& token);

Q_SIGNALS:
    // Files from a later start, as absolute paths, none when it had none;
    // its activation token (XDG_ACTIVATION_TOKEN), if any, is set for the
    // window that comes to the front now.
    void geoeffnet(const QStringList& pfade);

private:
    bool ueberBus(QDBusConnection& bus, const QStringList& pfade, int wartezeit);
    bool ueberSocket(const QStringList& pfade, int wartezeit);
    // Takes the files of later starts from now on; false when the bus name
    // is still another's.
    bool annehmenUeber(QDBusConnection& bus);
    void annehmen();

    QString m_schluessel;
    QString m_socketName;
    QLockFile m_sperre;
    QLocalServer* m_server = nullptr;
    int m_verbindungen = 0;
    bool m_bereit = false;
    bool m_gerufen = false; // by a later start while not ready
    QStringList m_puffer;
    QString m_token;
};
