#pragma once

#include "core/bibliothek.h"
#include "core/linestore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>

// The first line of the fuzzer's bytes, read as a data file is read.
inline QString zeile(const uint8_t* data, size_t size)
{
    return ersteZeile(QByteArrayView(data, static_cast<qsizetype>(size)));
}

// A small library read once for a whole fuzzing run.
inline const Bibliothek& fuzzBibliothek()
{
    static Bibliothek bibliothek;
    static QTemporaryDir dir;
    if (bibliothek.size() == 0) {
        QDir().mkpath(dir.filePath(QStringLiteral("M/Sub")));
        for (const char* name : {"a.mp3", "aa.mp3", "Mein Lied.wav", "x#1#y.mid", "Ärzte.wav",
                                 " blank .mp3", "Sub/a.mp3"})
            QFile(dir.filePath(QStringLiteral("M/") + QString::fromUtf8(name)))
                .open(QIODevice::WriteOnly);
        bibliothek.AlleDateienAusAllenPfadenEinlesen({dir.filePath(QStringLiteral("M"))}, true);
        bibliothek.ListeÜbertragen();
    }
    return bibliothek;
}
