#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>

class QLocalServer;

// One player per data folder: the first start on a folder takes the files of
// every later one, over the session bus or, where there is none, over a local
// socket in the user's runtime folder.
class Einzelstart final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "de.tonlaterne.Tonlaterne")
public:
    explicit Einzelstart(const QString& ordner, QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(Einzelstart)

    // True when a player on the same folder runs and has taken the files, with
    // the activation token that this start came with on Wayland. Otherwise this
    // process is the first and takes the files of later starts. Without a bus
    // connected, over the socket.
    bool weitergeben(const QStringList& pfade, QDBusConnection bus = QDBusConnection::sessionBus());

public Q_SLOTS:
    Q_SCRIPTABLE void Oeffnen(const QStringList& pfade, const QString& token);

Q_SIGNALS:
    // Files from a later start, as absolute paths, none when it had none, and
    // the token with which its window may come to the front
    // (XDG_ACTIVATION_TOKEN), if any.
    void geoeffnet(const QStringList& pfade, const QString& token);

private:
    bool ueberBus(QDBusConnection& bus, const QStringList& pfade);
    bool ueberSocket(const QStringList& pfade);
    void annehmen();

    QString m_schluessel;
    QLocalServer* m_server = nullptr;
};
