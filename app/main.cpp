#include "core/sitzung.h"
#include "desktop/aufruf.h"
#include "desktop/einzelstart.h"
#include "desktop/mpris.h"
#include "desktop/sitzungsende.h"
#include "gui/dialogs.h"
#include "gui/frmplayer.h"
#include "gui/stil.h"
#include "gui/videowindow.h"
#include "platform/gstengine.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("Tonlaterne"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TL_VERSION));
    // Qt's own texts in German: the standard buttons, and --help, from which
    // the manual page is made.
    QTranslator qtbase;
    const bool deutsch =
        qtbase.load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    // Without a window yet, so that --help and --version answer on a terminal
    // without a display.
    const Aufruf aufruf = [&] {
        const QCoreApplication kommandozeile(argc, argv);
        if (deutsch)
            QCoreApplication::installTranslator(&qtbase);
        return aufrufLesen(kommandozeile);
    }();

    QApplication app(argc, argv);
    QApplication::setDesktopFileName(QStringLiteral("de.tonlaterne.Tonlaterne"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tonlaterne.svg")));
    app.setStyleSheet(Stil());
    // The program ends only through its own two exit paths.
    QApplication::setQuitOnLastWindowClosed(false);

    if (deutsch)
        QApplication::installTranslator(&qtbase);

    Einzelstart einzelstart(aufruf.ordner);
    if (einzelstart.weitergeben(aufruf.dateien))
        return 0;

    VideoWindow video;
    Sitzung sitzung(std::make_unique<GstEngine>(GstEngine::Sinks{}, &video), aufruf.ordner);
    QtDialogs dialogs;
    frmPlayer player(sitzung, dialogs);
    // exit, not quit: quit would first ask every window to close, and the
    // main window answers a close request with the exit question.
    QObject::connect(
        &player, &frmPlayer::Programmende, &app, [] { QApplication::exit(0); },
        Qt::QueuedConnection);
    // A later start brings the running player to the front and plays its files;
    // files that come while the library is still read wait for it.
    bool geladen = false;
    QStringList spaeter;
    QObject::connect(&einzelstart, &Einzelstart::geoeffnet, &player,
                     [&](const QStringList& pfade, const QString& token) {
                         if (!geladen) {
                             spaeter += pfade;
                             return;
                         }
                         sitzung.oeffnen(pfade);
                         // A Wayland compositor lets a window come to the front
                         // only with the token of the start the user made; Qt
                         // takes it from here when the window asks.
                         if (!token.isEmpty())
                             qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
                         player.hervorholen();
                     });
    // The desktop's media controls; without a session bus the player runs as before.
    Mpris mpris(sitzung);
    QObject::connect(&mpris, &Mpris::raiseRequested, &player, &frmPlayer::hervorholen);
    // Queued: the caller's reply does not wait for a question about a failed save.
    QObject::connect(&mpris, &Mpris::quitRequested, &player, &frmPlayer::speichernUndBeenden,
                     Qt::QueuedConnection);
    // Logout, shutdown and SIGTERM save as Quit does, without a question that
    // would hold them up. One that comes while the library is read waits, as
    // the files of a later start do, until the read is done.
    Sitzungsende sitzungsende;
    QObject::connect(&sitzungsende, &Sitzungsende::ende, &player, &frmPlayer::ohneFrageBeenden,
                     Qt::SingleShotConnection);
    player.Form_Load();
    geladen = true;
    mpris.anmelden();
    sitzung.oeffnen(aufruf.dateien + spaeter);
    player.show();
    return QApplication::exec();
}
