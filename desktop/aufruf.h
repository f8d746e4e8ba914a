#pragma once

#include <QString>
#include <QStringList>

class QCoreApplication;

// What the command line asks for.
struct Aufruf {
    // The folder of the three data files: the working directory, or the
    // user's data folder with --datenordner.
    QString ordner;
    // Files to play, as absolute paths: a later start hands them on from
    // another working directory.
    QStringList dateien;
};

// The path made absolute against this process's working folder, before it goes
// to a player that may run in another; opening then finds the file's entry.
QString absoluterPfad(const QString& pfad);

// Reads the command line of the running program. --help, --version and an
// unknown option print their text and end the process.
Aufruf aufrufLesen(const QCoreApplication& app);
