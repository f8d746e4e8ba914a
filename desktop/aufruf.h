#pragma once

#include <QString>
#include <QStringList>

class QCoreApplication;

// What the command line asks for.
struct Aufruf {
    // The folder of the three data files: the working directory, or the
    // user's data folder with --datenordner.
    QString ordner;
    // Files to play, as canonical paths: a later start hands them on from
    // another working directory.
    QStringList dateien;
};

// The file's canonical absolute path, so that a file of the library, by
// whatever way it is named, is found as its entry. A path that names no file
// stays as it is, made absolute; opening passes it over.
QString echterPfad(const QString& pfad);

// Reads the command line of the running program. --help, --version and an
// unknown option print their text and end the process.
Aufruf aufrufLesen(const QCoreApplication& app);
