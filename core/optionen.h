#pragma once

#include <QString>

// The five start-up options of "Einstellungen.wob", one digit each. A value is
// normally 0 or 1; only 1 switches an option on.
struct Optionen {
    int WartelisteninhaltSpeichern = 0;
    int Zufallsstart = 0;
    int BeimStartLiedSpielen = 0;
    int MinimiertStarten = 0;
    int DateiEndungenRegel = 0;

    // A position that is missing or holds no digit counts as 0.
    static Optionen ausZeile(const QString& zeile);
    QString zeile() const;
    bool operator==(const Optionen&) const = default;
};
