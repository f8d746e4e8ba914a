#include "desktop/aufruf.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

Aufruf aufrufLesen(const QCoreApplication& app)
{
    const QString datenordner = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Tonlaterne spielt die Musik Ihrer Ordner, ein Stück nach dem anderen.\n"
                       "Einstellungen, Quellpfade und Warteliste liegen im Arbeitsverzeichnis."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption imDatenordner(
        QStringLiteral("datenordner"),
        QStringLiteral("Die Datendateien liegen im Datenordner (%1).").arg(datenordner));
    parser.addOption(imDatenordner);
    parser.addPositionalArgument(
        QStringLiteral("Datei"),
        QStringLiteral("Dateien zum Abspielen: die erste sofort, die weiteren vorn in der "
                       "Warteliste. Läuft schon eine Tonlaterne mit denselben Datendateien, "
                       "übernimmt sie die Dateien."),
        QStringLiteral("[Datei …]"));
    parser.process(app);

    Aufruf aufruf{QStringLiteral("."), {}};
    if (parser.isSet(imDatenordner)) {
        aufruf.ordner = datenordner;
        QDir().mkpath(datenordner);
    }
    for (const QString& datei : parser.positionalArguments())
        aufruf.dateien.append(echterPfad(datei));
    return aufruf;
}

QString echterPfad(const QString& pfad)
{
    const QFileInfo info(pfad);
    const QString echt = info.canonicalFilePath();
    return echt.isEmpty() ? info.absoluteFilePath() : echt;
}
