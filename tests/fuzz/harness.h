#pragma once

#include "datafiles/linestore.h"
#include "platform/dialogs.h"
#include "platform/fakeengine.h"
#include "player/frmplayer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <memory>

// One offscreen application and one started player for a whole fuzzing run,
// in a working directory of its own with a small library of empty files.
struct FuzzPlayer {
    FuzzPlayer()
    {
        QDir().mkpath(dir.filePath(QStringLiteral("M")));
        for (const char* name : {"a.mp3", "aa.mp3", "Mein Lied.wav", "x#1#y.mid", "Ärzte.wav"})
            touch(QStringLiteral("M/") + QString::fromUtf8(name));
        QDir::setCurrent(dir.path());
        Speichern(dir.filePath(QStringLiteral("M")) + u';', QStringLiteral("Quellpfad.wob"));
        Speichern(QStringLiteral("00000"), QStringLiteral("Einstellungen.wob"));
        player = std::make_unique<frmPlayer>(std::make_unique<FakeEngine>(), dialogs);
        player->Form_Load();
    }

    void touch(const QString& relative)
    {
        QFile file(dir.filePath(relative));
        (void)file.open(QIODevice::WriteOnly);
    }

    // Writes the fuzzer's bytes as the named data file, line ends and all.
    void write(const QString& name, const uint8_t* data, size_t size)
    {
        QFile file(name);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }

    QTemporaryDir dir;
    QtDialogs dialogs; // never asked: nothing here ends the program
    std::unique_ptr<frmPlayer> player;
};

inline FuzzPlayer& fuzzPlayer()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static const bool offscreen = qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    static FuzzPlayer player;
    (void)offscreen;
    return player;
}
