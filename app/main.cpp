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
#include <cstdlib>

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

    // Until the handlers below are set, a signal ends the process as it
    // would any other: nothing is written before.
    Einzelstart einzelstart(aufruf.ordner);
    switch (einzelstart.weitergeben(aufruf.dateien)) {
    case Einzelstart::Ergebnis::Erster:
        break;
    case Einzelstart::Ergebnis::Weitergegeben:
        return 0;
    case Einzelstart::Ergebnis::Besetzt:
        // Standard error has said so; without a screen nobody could answer a box.
        if (QGuiApplication::platformName() != u"offscreen")
            QtDialogs().inform(nullptr, QStringLiteral("Eine Tonlaterne mit denselben Datendateien "
                                                       "läuft schon, antwortet aber nicht.\n\n"
                                                       "Diese Tonlaterne wird beendet."));
        return 1;
    }

    // From here on a signal waits for the event loop, however early it comes.
    Sitzungsende sitzungsende;
    VideoWindow video;
    Sitzung sitzung(std::make_unique<GstEngine>(GstEngine::Sinks{}, &video), aufruf.ordner);
    QtDialogs dialogs;
    frmPlayer player(sitzung, dialogs);
    // exit, not quit: quit would first ask every window to close, and the
    // main window answers a close request with the exit question.
    QObject::connect(
        &player, &frmPlayer::Programmende, &app, [] { QApplication::exit(0); },
        Qt::QueuedConnection);
    // Logout, shutdown and signals end as Quit does, without a question that
    // would hold them up; before the session is restored, without a write.
    QObject::connect(&sitzungsende, &Sitzungsende::ende, &player, &frmPlayer::ohneFrageBeenden);
    QObject::connect(&sitzungsende, &Sitzungsende::sichern, &player,
                     &frmPlayer::ohneFrageSpeichern);
    // A later start brings the running player to the front and plays its files.
    QObject::connect(&einzelstart, &Einzelstart::geoeffnet, &player, [&](const QStringList& pfade) {
        sitzung.oeffnen(pfade);
        player.hervorholen();
    });
    // The desktop's media controls; without a session bus the player runs as before.
    Mpris mpris(sitzung);
    QObject::connect(&mpris, &Mpris::raiseRequested, &player, &frmPlayer::hervorholen);
    // Queued: the caller's reply does not wait for a question about a failed save.
    QObject::connect(&mpris, &Mpris::quitRequested, &player, &frmPlayer::speichernUndBeenden,
                     Qt::QueuedConnection);
    QObject::connect(&player, &frmPlayer::geladen, &player, [&] {
        mpris.anmelden();
        sitzung.oeffnen(aufruf.dateien);
        player.show();
        einzelstart.bereit();
    });
    player.Form_Load();
    const int status = QApplication::exec();
    // A run that ended before its session was restored has nothing to save,
    // and the read it abandoned may be in a step that cannot stop (a sort, a
    // folder on a slow disk): end without waiting for it. The next start
    // takes over the lock of this dead process.
    if (!player.istGeladen())
        std::_Exit(status);
    return status;
}
