#include "desktop/aufruf.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <filesystem>

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
        aufruf.dateien.append(absoluterPfad(datei));
    return aufruf;
}

QString absoluterPfad(const QString& pfad)
{
    // Not cleaned by its letters: "X/.." is not the folder above X when X is a link.
    std::error_code fehler;
    const std::filesystem::path absolut =
        std::filesystem::absolute(QFile::encodeName(pfad).toStdString(), fehler);
    return fehler ? pfad : QFile::decodeName(QByteArray::fromStdString(absolut.native()));
}
