#pragma once

#include <QString>

// The one-line data files in the working directory.

// The first line of the file, without its line end. A missing or unreadable
// file reads as an empty line. A line that is not valid UTF-8 is taken as
// Windows-1252, so files from older installations keep their umlauts.
QString Lesen(const QString& Dateiname);

// Replaces the file with Text and CR LF, atomically: a failed write leaves the
// old file as it was. Returns false when the file could not be written.
bool Speichern(const QString& Text, const QString& Dateiname);

// Parts of a line separated by the given character; empty parts are dropped and
// text after the last separator counts as a last part.
QStringList teileLesen(const QString& zeile, QChar trenner);

// The parts, each followed by the separator.
QString teileSchreiben(const QStringList& teile, QChar trenner);
