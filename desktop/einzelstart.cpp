#include "desktop/einzelstart.h"

#include "core/sitzung.h"

#include <QCryptographicHash>
#include <QDBusMessage>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QtEndian>
#include <chrono>

using namespace std::chrono_literals;

namespace
{
const QString schnittstelle = QStringLiteral("de.tonlaterne.Tonlaterne");
const QString objekt = QStringLiteral("/de/tonlaterne/Tonlaterne");
// As long as the bus waits for an answer. The running player answers from its
// event loop, which runs on while it reads its library.
constexpr int wartezeit = 25000;
// Later starts come one at a time and are answered at once: more open
// connections than this, or one that has not said its files by then, is a
// broken or hostile sender, and each costs memory.
constexpr int hoechstVerbindungen = 16;
constexpr auto lesezeit = 10s;

QString laufzeitOrdner()
{
    // The user's runtime folder: no other user reaches it, and logging out empties it.
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}
} // namespace

Einzelstart::Einzelstart(const QString& ordner, QObject* parent)
    : QObject(parent),
      // The folder's real path, so that "." and its full path meet.
      m_schluessel(QString::fromLatin1(
          QCryptographicHash::hash(QFileInfo(ordner).canonicalFilePath().toUtf8(),
                                   QCryptographicHash::Sha256)
              .toHex()
              .left(16))),
      m_socketName(laufzeitOrdner() + QStringLiteral("/tonlaterne-") + m_schluessel),
      m_sperre(m_socketName + QStringLiteral(".lock"))
{
    // Only a dead holder gives the lock up: a player stopped or busy for long
    // still holds its folder.
    m_sperre.setStaleLockTime(0);
}

Einzelstart::Ergebnis Einzelstart::weitergeben(const QStringList& pfade, QDBusConnection bus)
{
    const QDeadlineTimer frist(wartezeit);
    for (;;) {
        const bool gesperrt = m_sperre.tryLock(0);
        if (!gesperrt && m_sperre.error() != QLockFile::LockFailedError) {
            // No lock can be had here at all: only the door tells of another.
            qWarning("Tonlaterne: %s ist nicht anzulegen; eine zweite Tonlaterne auf denselben "
                     "Datendateien bliebe unbemerkt",
                     qPrintable(m_sperre.fileName()));
            if (bus.isConnected() ? ueberBus(bus, pfade, wartezeit) : ueberSocket(pfade, wartezeit))
                return Ergebnis::Weitergegeben;
            annehmenUeber(bus);
            return Ergebnis::Erster;
        }
        if (gesperrt && annehmenUeber(bus))
            return Ergebnis::Erster;
        // The holder may be starting and not listen yet, and one that gave up
        // the lock as it ended still holds its name for a moment: ask until
        // one answers.
        const int rest = std::max(static_cast<int>(frist.remainingTime()), 1);
        if (bus.isConnected() ? ueberBus(bus, pfade, rest) : ueberSocket(pfade, rest))
            return Ergebnis::Weitergegeben;
        if (frist.hasExpired())
            break;
        QThread::msleep(100);
    }
    qWarning("Tonlaterne: eine Tonlaterne auf denselben Datendateien läuft schon, antwortet aber "
             "nicht; diese endet, damit nicht zwei dieselben Dateien schreiben");
    return Ergebnis::Besetzt;
}

bool Einzelstart::annehmenUeber(QDBusConnection& bus)
{
    if (!bus.isConnected()) {
        // Whoever listened there held the lock and is gone.
        QLocalServer::removeServer(m_socketName);
        m_server = new QLocalServer(this);
        connect(m_server, &QLocalServer::newConnection, this, &Einzelstart::annehmen);
        if (!m_server->listen(m_socketName))
            qWarning("Tonlaterne: %s", qPrintable(m_server->errorString()));
        return true;
    }
    const QString name = schnittstelle + QStringLiteral(".Ordner_") + m_schluessel;
    // The object first: a later start may call as soon as the name is ours.
    bus.registerObject(objekt, this, QDBusConnection::ExportScriptableSlots);
    if (bus.registerService(name))
        return true;
    bus.unregisterObject(objekt);
    m_sperre.unlock();
    return false;
}

bool Einzelstart::ueberBus(QDBusConnection& bus, const QStringList& pfade, int zeit)
{
    const QString name = schnittstelle + QStringLiteral(".Ordner_") + m_schluessel;
    QDBusMessage ruf =
        QDBusMessage::createMethodCall(name, objekt, schnittstelle, QStringLiteral("Oeffnen"));
    ruf << pfade << qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
    return bus.call(ruf, QDBus::Block, zeit).type() == QDBusMessage::ReplyMessage;
}

bool Einzelstart::ueberSocket(const QStringList& pfade, int zeit)
{
    QLocalSocket socket;
    socket.connectToServer(m_socketName);
    if (!socket.waitForConnected(zeit))
        return false;
    QDataStream aus(&socket);
    aus << pfade << qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
    // One byte back: the files are taken.
    return socket.waitForReadyRead(zeit);
}

void Einzelstart::bereit()
{
    m_bereit = true;
    if (std::exchange(m_gerufen, false))
        Oeffnen(std::exchange(m_puffer, {}), m_token);
}

void Einzelstart::Oeffnen(const QStringList& pfade, const QString& token)
{
    if (!m_bereit) {
        // Until the library is read; of many starts, the newest token.
        m_gerufen = true;
        m_puffer = Sitzung::begrenzt(m_puffer + pfade);
        if (!token.isEmpty())
            m_token = token;
        return;
    }
    // A Wayland compositor lets a window come to the front only with the token
    // of the start the user made; Qt takes it from here when the window asks.
    if (!token.isEmpty())
        qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
    Q_EMIT geoeffnet(pfade);
}

void Einzelstart::annehmen()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        if (m_verbindungen == hoechstVerbindungen) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++m_verbindungen;
        connect(socket, &QObject::destroyed, this, [this] { --m_verbindungen; });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(lesezeit, socket, &QLocalSocket::abort);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            const QByteArray zahl = socket->peek(sizeof(quint32));
            if (socket->bytesAvailable() > Sitzung::HoechstgroesseDateien ||
                (zahl.size() == sizeof(quint32) && qFromBigEndian<quint32>(zahl.constData()) >
                                                       quint32{Sitzung::HoechstzahlDateien})) {
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
