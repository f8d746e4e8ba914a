#pragma once

#include <QByteArrayView>
#include <QFile>
#include <QIODevice>
#include <QString>
#include <functional>

// What a file's path stands for, which decides how it may be replaced.
enum class Dateiart {
    // The user's data: a symbolic link of the user's own is followed and its
    // target replaced with the target's mode; one of another user's is never
    // followed. A folder that takes no new file has its file overwritten in
    // place, when that is a regular file.
    Daten,
    // The program's cache: whatever stands at the path (a link, a pipe, a
    // device) is replaced by the new file, never opened.
    Cache,
};

// Why a file was not replaced.
struct Schreibfehler {
    enum Art {
        keiner,
        fremderVerweis, // a symbolic link of another user stands on the way
        keineDatei,     // the in-place write met a pipe, device or the like
        aufruf,         // a call failed with `fehler` (an errno value)
    } art = keiner;
    int fehler = 0;
};

// Writes a new file through `schreiben`, which returns false when the device
// did not take everything, in a private temporary file beside the path, and
// puts it in the path's place only when every write, the flush to the disk
// and the close succeeded. On failure what stood at the path stays as it was,
// and `fehler`, when given, tells why.
bool dateiErsetzen(const QString& pfad, Dateiart art,
                   const std::function<bool(QIODevice&)>& schreiben,
                   Schreibfehler* fehler = nullptr);
bool dateiErsetzen(const QString& pfad, Dateiart art, QByteArrayView bytes,
                   Schreibfehler* fehler = nullptr);

// Opens the file of `datei` for reading, when it is a regular file: a pipe or
// a device at the path is never waited for.
bool zumLesenOeffnen(QFile& datei);
