#include "desktop/sitzungsende.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace
{

constexpr int signale[] = {SIGTERM, SIGHUP, SIGINT};
int schreiben = -1; // the pipe's end that the handler writes to

void angekommen(int signal)
{
    const int fehler = errno;
    const char byte = static_cast<char>(signal);
    // A full pipe already holds an end that the loop has not read yet.
    [[maybe_unused]] const ssize_t n = ::write(schreiben, &byte, 1);
    errno = fehler;
}

void behandeln(void (*handler)(int))
{
    struct sigaction aktion = {};
    aktion.sa_handler = handler;
    sigemptyset(&aktion.sa_mask);
    aktion.sa_flags = SA_RESTART;
    for (const int s : signale)
        sigaction(s, &aktion, nullptr);
}

} // namespace

Sitzungsende::Sitzungsende(QObject* parent) : QObject(parent)
{
    // Direct: the data must be saved before the session manager hears back.
    // The logout may still be cancelled then: the player runs on.
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::commitDataRequest, this, &Sitzungsende::sichern,
                Qt::DirectConnection);
        app->installEventFilter(this);
    }

    int rohr[2];
    if (::pipe2(rohr, O_CLOEXEC | O_NONBLOCK) != 0) {
        qWarning("Tonlaterne: Signale bleiben unbehandelt: %s", std::strerror(errno));
        return;
    }
    m_lesen = rohr[0];
    schreiben = rohr[1];
    m_melder = new QSocketNotifier(m_lesen, QSocketNotifier::Read, this);
    connect(m_melder, &QSocketNotifier::activated, this, [this] {
        char puffer[64];
        while (::read(m_lesen, puffer, sizeof puffer) > 0) {
        }
        Q_EMIT ende();
    });
    behandeln(angekommen);
}

bool Sitzungsende::eventFilter(QObject* watched, QEvent* event)
{
    // The program ends only through exit(), never quit(): a Quit comes from
    // outside, from the session manager once the logout goes ahead. Taken
    // here, it does not ask each window to close.
    if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit) {
        Q_EMIT ende();
        return true;
    }
    return false;
}

Sitzungsende::~Sitzungsende()
{
    if (m_lesen < 0)
        return;
    behandeln(SIG_DFL);
    ::close(schreiben);
    ::close(m_lesen);
    schreiben = -1;
}
