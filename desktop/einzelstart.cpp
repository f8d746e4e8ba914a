#include "desktop/einzelstart.h"

#include <QCryptographicHash>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDataStream>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QtEndian>

namespace
{
const QString schnittstelle = QStringLiteral("de.tonlaterne.Tonlaterne");
const QString objekt = QStringLiteral("/de/tonlaterne/Tonlaterne");
// As long as the bus waits for an answer. The running player answers from its
// event loop, which runs on while it reads its library.
constexpr int wartezeit = 25000;
// What one start may hand over a socket: no more files than the queue holds,
// in no longer a message than a command line gives (2 MiB, here as UTF-16).
// A broken or hostile sender must not fill the memory.
constexpr quint32 hoechstZahl = 100'000;
constexpr qint64 hoechstGroesse = 8 * 1024 * 1024;
} // namespace

Einzelstart::Einzelstart(const QString& ordner, QObject* parent)
    : QObject(parent),
      // The folder's real path, so that "." and its full path meet.
      m_schluessel(QString::fromLatin1(
          QCryptographicHash::hash(QFileInfo(ordner).canonicalFilePath().toUtf8(),
                                   QCryptographicHash::Sha256)
              .toHex()
              .left(16)))
{
}

bool Einzelstart::weitergeben(const QStringList& pfade, QDBusConnection bus)
{
    return bus.isConnected() ? ueberBus(bus, pfade) : ueberSocket(pfade);
}

void Einzelstart::Oeffnen(const QStringList& pfade, const QString& token)
{
    Q_EMIT geoeffnet(pfade, token);
}

bool Einzelstart::ueberBus(QDBusConnection& bus, const QStringList& pfade)
{
    const QString name = schnittstelle + QStringLiteral(".Ordner_") + m_schluessel;
    // The object first: a later start may call as soon as the name is ours.
    bus.registerObject(objekt, this, QDBusConnection::ExportScriptableSlots);
    if (bus.registerService(name))
        return false;
    bus.unregisterObject(objekt);
    QDBusMessage ruf =
        QDBusMessage::createMethodCall(name, objekt, schnittstelle, QStringLiteral("Oeffnen"));
    ruf << pfade << qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
    const QDBusMessage antwort = bus.call(ruf, QDBus::Block, wartezeit);
    if (antwort.type() == QDBusMessage::ReplyMessage)
        return true;
    // The other player ended meanwhile or hangs: play here, on our own.
    qWarning("Tonlaterne: die laufende Wiedergabe antwortet nicht: %s",
             qPrintable(antwort.errorMessage()));
    return false;
}

bool Einzelstart::ueberSocket(const QStringList& pfade)
{
    // The user's runtime folder: no other user reaches it, and logging out empties it.
    const QString name = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) +
                         QStringLiteral("/tonlaterne-") + m_schluessel;
    // Two starts at the same moment would each find nobody listening and
    // remove the other's socket: one at a time looks and listens. Without the
    // lock after that long, on as before.
    QLockFile sperre(name + QStringLiteral(".lock"));
    sperre.tryLock(wartezeit);
    QLocalSocket socket;
    socket.connectToServer(name);
    if (socket.waitForConnected(wartezeit)) {
        QDataStream aus(&socket);
        aus << pfade << qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
        // One byte back: the files are taken.
        if (socket.waitForReadyRead(wartezeit))
            return true;
        qWarning("Tonlaterne: die laufende Wiedergabe antwortet nicht: %s",
                 qPrintable(socket.errorString()));
        return false;
    }
    // Nobody listens: a socket left behind by a player that crashed.
    QLocalServer::removeServer(name);
    m_server = new QLocalServer(this);
    connect(m_server, &QLocalServer::newConnection, this, &Einzelstart::annehmen);
    if (!m_server->listen(name))
        qWarning("Tonlaterne: %s", qPrintable(m_server->errorString()));
    return false;
}

void Einzelstart::annehmen()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            const QByteArray zahl = socket->peek(sizeof(quint32));
            if (socket->bytesAvailable() > hoechstGroesse ||
                (zahl.size() == sizeof(quint32) &&
                 qFromBigEndian<quint32>(zahl.constData()) > hoechstZahl)) {
                socket->abort();
                return;
            }
            QDataStream ein(socket);
            ein.startTransaction();
            QStringList pfade;
            QString token;
            ein >> pfade >> token;
            if (!ein.commitTransaction())
                return;
            Oeffnen(pfade, token);
            socket->write("1");
        });
    }
}
