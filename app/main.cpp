#include "core/sitzung.h"
#include "desktop/mpris.h"
#include "gui/dialogs.h"
#include "gui/frmplayer.h"
#include "gui/stil.h"
#include "platform/gstengine.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tonlaterne"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tonlaterne.svg")));
    app.setStyleSheet(Stil());
    // The program ends only through its own two exit paths.
    QApplication::setQuitOnLastWindowClosed(false);

    QTranslator qtbase;
    if (qtbase.load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtbase);

    Sitzung sitzung(std::make_unique<GstEngine>());
    QtDialogs dialogs;
    frmPlayer player(sitzung, dialogs);
    // exit, not quit: quit would first ask every window to close, and the
    // main window answers a close request with the exit question.
    QObject::connect(
        &player, &frmPlayer::Programmende, &app, [] { QApplication::exit(0); },
        Qt::QueuedConnection);
    // The desktop's media controls; without a session bus the player runs as before.
    Mpris mpris(sitzung);
    QObject::connect(&mpris, &Mpris::raiseRequested, &player, &frmPlayer::hervorholen);
    // Queued: the caller's reply does not wait for a question about a failed save.
    QObject::connect(&mpris, &Mpris::quitRequested, &player, &frmPlayer::speichernUndBeenden,
                     Qt::QueuedConnection);
    mpris.anmelden();
    player.Form_Load();
    player.show();
    return QApplication::exec();
}
