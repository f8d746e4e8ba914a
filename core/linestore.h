#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

// The one-line data files.
inline const QString EinstellungenDatei = QStringLiteral("Einstellungen.wob");
inline const QString QuellpfadDatei = QStringLiteral("Quellpfad.wob");
inline const QString WartelisteDatei = QStringLiteral("Warteliste.wob");

// The first line of the file, without its line end. A missing or unreadable
// file, or one that is no file (a pipe, a device), reads as an empty line. A line that is not valid
// UTF-8 is taken as Windows-1252, so files from older installations keep their umlauts.
QString Lesen(const QString& Dateiname);
// The same for bytes already read.
QString ersteZeile(QByteArrayView bytes);

// Replaces the file with Text and CR LF, atomically where the folder takes a
// new file beside it: a failed write leaves the old file as it was. Where it
// does not, a regular file is written in place. A symbolic link of another
// user at the path is left alone, as is its target. On failure returns false
// and, when asked, a reason in German that a user can act on.
bool Speichern(const QString& Text, const QString& Dateiname, QString* grund = nullptr);

// Parts of a line separated by the given character; empty parts are dropped and
// text after the last separator counts as a last part.
QStringList teileLesen(const QString& zeile, QChar trenner);

// The parts, each followed by the separator.
QString teileSchreiben(const QStringList& teile, QChar trenner);

// Text without leading and trailing blanks; tabs and line breaks are kept.
QString ohneRandLeerzeichen(const QString& text);
